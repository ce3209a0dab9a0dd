// KX4410_Delay(number of 1 microsecond units)
//
// Waits up to 8191 microseconds with one driver wait. There is no lower
// bound: a negative count reaches the driver, which answers for it.
#include "mex.h"

#include "gateway.h"
#include "kxdrv.h"

void mexFunction(int nlhs, mxArray* /*plhs*/[], int nrhs, const mxArray* prhs[]) {
    kx::require(nlhs == 0, "KX4410:nargout", "This function does not yield any result value!");
    kx::require(nrhs == 1, "KX4410:nargin",
                "This function needs the number of 1 microsecond units to wait!");

    const double micros = kx::scalar(prhs[0]);
    if (micros > 8191.0)
        kx::raise("KX4410:Delay:micros", "KX4410 cannot delay more than 8191 microsecs. units!");

    if (DelayMicros(kx::toInt32(micros)) != 0)
        kx::raise("KX4410:Delay:delayFailed", "KX4410 error at delaying!");
}
