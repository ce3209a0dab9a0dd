// name = KX4410_ErrorText(code)
//
// The driver's name for a status code, as returned by every driver
// operation and by KX4410_InitDriverAndBoard. Calls no driver operation and
// links no driver: it works with or without a session, and without a board.
#include "mex.h"

#include "gateway.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    kx::require(nlhs == 1, "KX4410:nargout", "This function yields one result value!");
    kx::require(nrhs == 1, "KX4410:nargin", "This function needs the code of the error!");

    // Status words are 16 bits: the code truncated to 64 bits, modulo 2^16.
    // NaN, the infinities and magnitudes from 2^63 on truncate to INT64_MIN,
    // whose low 16 bits are 0.
    const uint16_t code = static_cast<uint16_t>(kx::toInt64(kx::scalar(prhs[0])));

    static const char* const names[] = {
        "NoError",               // 0
        "DriverHandleError",     // 1
        "DriverCallError",       // 2
        "AdControllerError",     // 3
        "M_FunExecError",        // 4
        "ConfigCodeError",       // 5
        "FrequencyComputeError", // 6
        "HighAlarm",             // 7
        "LowAlarm",              // 8
        "AdPollingTimeOut",      // 9
        "AlarmTypeError",        // 10
        "FindBoardError",        // 11
        "AdChannelError",        // 12
        "DaChannelError",        // 13
        "InvalidateDelay",       // 14
        "DelayTimeOut",          // 15
        "InvalidateData",        // 16
        "FifoOverflow",          // 17
        "TimeOut",               // 18
        "ExceedBoardNumber",     // 19
        "NotFoundBoard",         // 20
        "OpenError",             // 21
        "FindTwoBoardError",     // 22
        "ThreadCreateError",     // 23
        "StopError",             // 24
        "AllocateMemoryError",   // 25
    };
    const uint16_t named = sizeof names / sizeof names[0];

    plhs[0] = mxCreateString(code < named ? names[code] : "UNKNOWN_ERROR_CODE");
}
