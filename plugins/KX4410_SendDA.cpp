// done = KX4410_SendDA(channel, value to send)
// done = KX4410_SendDA(channel, any value, vector to send)
// done = KX4410_SendDA(channel, any value, vector to send, delay between sendings)
//
// Writes one DA code, or a vector of codes in element order, to DA channel 0
// or 1, waiting the delay in microseconds (default 0, no wait) after each
// write. Every code is tested before the first is written, so a refused call
// leaves the output as it was. Returns 0 once the last code is out. Ctrl-C
// ends the writes after the one it falls in; the output keeps that code.
#include "mex.h"

#include "gateway.h"
#include "interrupt.h"
#include "kxdrv.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    kx::require(nlhs == 1, "KX4410:nargout", "This function yields one result value!");
    kx::require(nrhs >= 2 && nrhs <= 4, "KX4410:nargin",
                "This function needs:\n"
                "\tThe DA output channel number (0-1)\n"
                "\tThe value to send if only one, any value otherwise (0 to 4095)\n"
                "\t[optional] The vector to send if more than one\n"
                "\t[optional] Delay between sendings in microseconds (max. 8191)");

    const double channel = kx::scalar(prhs[0]);

    // With two arguments the one code is the value to send, read through its
    // address; with a vector to send, the second argument is a placeholder
    // and never looked at.
    double value = 0.0;
    kx::Values codes{&value, mxDOUBLE_CLASS, 1, 1};
    std::size_t sendCount = 1;
    if (nrhs == 2) {
        value = kx::scalar(prhs[1]);
    } else {
        codes = kx::fetch(prhs[2]);
        sendCount = kx::vectorLength(codes, "KX4410:SendDA:notVector",
                                     "KX4410 needs a vector array to send!");
    }

    const double defaultDelay = 0.0;
    const double delay = nrhs == 4 ? kx::scalar(prhs[3]) : defaultDelay;
    if (nrhs == 4) kx::requireRange(delay, 0.0, 8191.0, "KX4410:SendDA:delay",
                                    "KX4410 cannot delay that value!");

    kx::requireZeroOrOne(channel, "KX4410:SendDA:channel",
                         "KX4410 has only DA channels #0 and #1!");
    kx::requireEachInRange(codes, sendCount, 0.0, 4095.0, "KX4410:SendDA:code",
                           "KX4410 DA channels only can output digital values from 0 to 4095!");

    const int32_t da = kx::toInt32(channel);
    // As the toolbox has always done here: truncated to 32 bits, and the
    // wait's status tested (the timed plug-ins take a 16-bit count and
    // ignore it).
    const int32_t micros = kx::toInt32(delay);
    for (std::size_t i = 0; i < sendCount; ++i) {
        if (WriteAnalogOut(da, kx::toInt32(codes[i])) != 0)
            kx::raise("KX4410:SendDA:writeFailed", "KX4410 error at DA sending!");
        if (delay > 0.0 && DelayMicros(micros) != 0)
            kx::raise("KX4410:SendDA:delayFailed", "KX4410 error at delaying!");
        if (kx::interrupted()) kx::raise("KX4410:SendDA:interrupted", "KX4410 run interrupted!");
    }

    kx::doneResult(plhs[0]);
}
