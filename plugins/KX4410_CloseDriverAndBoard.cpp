// KX4410_CloseDriverAndBoard
//
// Closes the board driver that KX4410_InitDriverAndBoard opened and says so.
// The driver's answer is not looked at: the closing line is printed on every
// call, with or without an open session.
#include "mex.h"

#include "gateway.h"
#include "kxdrv.h"

void mexFunction(int nlhs, mxArray* /*plhs*/[], int nrhs, const mxArray* /*prhs*/[]) {
    kx::require(nlhs == 0, "KX4410:nargout", "This function does not yield any result value!");
    kx::require(nrhs == 0, "KX4410:nargin", "This function does not need any argument!");

    CloseDriver();
    mexPrintf("KX4410 Board #0 Deactivated and Driver Closed.\n");
}
