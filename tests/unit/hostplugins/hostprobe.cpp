// A plug-in that exercises the host itself:
//   hostprobe(1)        prints "%d-%x\n" with 42 and 255, then "plain"
//   hostprobe(2)        sets plhs[0], leaves a temporary, raises "probe raised!"
//   hostprobe(3, k)     sets the first k result slots to 1, 2, ...
//   hostprobe(4)        leaves a temporary array behind and returns nothing
//   hostprobe(5, x)     writes into its argument x
//   hostprobe(6, x)     [class, rows, cols, complex, numeric, logical, empty] of x
//   hostprobe(7)        raises "probe:formatted" with "%s %d%%!" of "formatted" and 5
//   hostprobe(8, c)     asks for a row whose bytes fit size_t but no address
//                       space: real (c = 0) or complex
#include <stdint.h>

#include "mex.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    const int mode = static_cast<int>(mxGetPr(prhs[0])[0]);
    if (mode == 1) {
        mexPrintf("%d-%x\n", 42, 255);
        mexPrintf("plain");
    } else if (mode == 2) {
        plhs[0] = mxCreateDoubleMatrix(1, 1, mxREAL);
        mxCreateDoubleMatrix(2, 2, mxREAL);
        mexErrMsgTxt("probe raised!");
    } else if (mode == 3) {
        const int k = static_cast<int>(mxGetPr(prhs[1])[0]);
        for (int i = 0; i < k && i < (nlhs > 1 ? nlhs : 1); ++i) {
            plhs[i] = mxCreateDoubleMatrix(1, 1, mxREAL);
            mxGetPr(plhs[i])[0] = i + 1;
        }
    } else if (mode == 4) {
        mxCreateString("left behind");
    } else if (mode == 5) {
        mxGetPr(prhs[1])[0] = -1;
    } else if (mode == 8) {
        const mxComplexity complexity = mxGetPr(prhs[1])[0] != 0 ? mxCOMPLEX : mxREAL;
        plhs[0] = mxCreateDoubleMatrix(1, SIZE_MAX / sizeof(double), complexity);
    } else if (mode == 6 && nrhs == 2) {
        const mxArray* x = prhs[1];
        plhs[0] = mxCreateDoubleMatrix(1, 7, mxREAL);
        double* out = mxGetPr(plhs[0]);
        out[0] = mxGetClassID(x);
        out[1] = static_cast<double>(mxGetM(x));
        out[2] = static_cast<double>(mxGetN(x));
        out[3] = mxIsComplex(x);
        out[4] = mxIsNumeric(x);
        out[5] = mxIsLogical(x);
        out[6] = mxIsEmpty(x);
    } else if (mode == 7) {
        mexErrMsgIdAndTxt("probe:formatted", "%s %d%%!", "formatted", 5);
    }
}
