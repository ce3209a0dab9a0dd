// readings = KX4410_ReadAD(channel, configuration code, card type)
// readings = KX4410_ReadAD(channel, configuration code, card type, number of reads)
// readings = KX4410_ReadAD(channel, configuration code, card type, number of reads,
//                          delay between reads)
//
// Configures one AD channel with its input range and takes the number of
// reads (default 1) conversions in volts, one after the other, waiting the
// delay in microseconds (default 0, no wait) after each. Returns them as one
// 1 x n row. Ctrl-C ends the readings after the one it falls in.
#include "mex.h"

#include "gateway.h"
#include "interrupt.h"
#include "kxdrv.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    kx::require(nlhs == 1, "KX4410:nargout", "This function yields one result value!");
    kx::require(nrhs >= 3 && nrhs <= 5, "KX4410:nargin",
                "This function needs: \n"
                "\tAD input channel number (0-15)\n"
                "\tconfiguration code\n"
                "\ttype of card (0-1)\n"
                "\t[optional] number of reads\n"
                "\t[optional] delay interreads (microseconds, maximum 8191)\n");

    const double defaultReads = 1.0;
    const double defaultDelay = 0.0;
    const double channel = kx::scalar(prhs[0]);
    const double config = kx::scalar(prhs[1]);
    const double cardType = kx::scalar(prhs[2]);
    const double reads = nrhs >= 4 ? kx::scalar(prhs[3]) : defaultReads;
    const double delay = nrhs == 5 ? kx::scalar(prhs[4]) : defaultDelay;

    kx::requireRange(channel, 0.0, 15.0, "KX4410:ReadAD:channel",
                     "KX4410 AD channels range from #0 to #15!");
    kx::requireConfigCode(config, "KX4410:ReadAD:configCode", "KX4410 configuration code invalid!");
    // As the toolbox has always done here: exactly 0 or 1 (KX4410_PID and
    // KX4410_SendAndRead range-test theirs, and take 0.5).
    kx::requireZeroOrOne(cardType, "KX4410:ReadAD:cardType",
                         "KX4410 types of card can be only 0 or 1!");
    // The row is as long as the count: a count whose row this machine
    // cannot hold (infinity among them) cannot be read at all. A NaN count
    // passes and reads nothing.
    if (reads <= 0.0 || kx::beyondRow(reads))
        kx::raise("KX4410:ReadAD:readCount", "KX4410 cannot read that number of data!");
    kx::requireRange(delay, 0.0, 8191.0, "KX4410:ReadAD:delay", "KX4410 cannot delay that number!");

    // trunc(N) readings; a count below 1 or NaN makes an empty row.
    const std::size_t count = reads >= 1.0 ? static_cast<std::size_t>(reads) : 0;
    double* readings = kx::resultRow(plhs[0], count, "KX4410:ReadAD:readCount",
                                      "KX4410 cannot read that number of data!");

    if (ConfigureAnalogIn(kx::toInt32(channel), kx::toInt32(config)) != 0)
        kx::raise("KX4410:ReadAD:configureFailed",
                  "KX4410 error in setting quantification window!");

    // As the toolbox has always done here: truncated to 32 bits, and the
    // wait's status tested (the timed plug-ins take a 16-bit count and
    // ignore it).
    const int32_t micros = kx::toInt32(delay);
    for (std::size_t k = 0; k < count; ++k) {
        float sample = 0.0f;
        if (ReadAnalogIn(&sample) != 0)
            kx::raise("KX4410:ReadAD:readFailed", "KX4410 error at reading AD!");
        readings[k] = sample;
        if (delay > 0.0 && DelayMicros(micros) != 0)
            kx::raise("KX4410:ReadAD:delayFailed", "KX4410 error at delaying!");
        if (kx::interrupted()) kx::raise("KX4410:ReadAD:interrupted", "KX4410 run interrupted!");
    }
}
