// kxbench_empty: a MEX file that does nothing but make its results, each a
// 1 x 1 double: the floor a plug-in's call is measured against in
// kx_bench_calls. It takes whatever arguments it is given and reads none.
#include "mex.h"

void mexFunction(int nlhs, mxArray* plhs[], int /*nrhs*/, const mxArray* /*prhs*/[]) {
    for (int k = 0; k < (nlhs > 1 ? nlhs : 1); ++k) plhs[k] = mxCreateDoubleMatrix(1, 1, mxREAL);
}
