// r = KX4410_SendAndRead(AD channel, configuration code, card type,
//                        DA channel, codes, delay)
//
// Writes the DA codes to the DA channel one per step, reads one AD sample of
// the configured channel right after each write and reads the board's
// interval timer with it, waiting the delay in microseconds (0: no wait)
// after every step. Returns one 1 x 2n row: the n readings in volts, then
// the n times in seconds, since the timer was started just before the first
// step, at which they were taken. Times advance modulo the timer's cycle of
// 4.096 ms: a step longer than that counts only its remainder. Ctrl-C ends
// the run after the step it falls in; the DA keeps the code of that step.
#include "mex.h"

#include "gateway.h"
#include "interrupt.h"
#include "kxdrv.h"
#include "timer.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    kx::require(nlhs == 1, "KX4410:nargout", "This function yields one result value!");
    kx::require(nrhs == 6, "KX4410:nargin",
                "This function needs:\n"
                "\tAD input channel (0-15)\n"
                "\tConfiguration code\n"
                "\tType of card (0-1)\n"
                "\tDA output channel (0-1)\n"
                "\tVector to send [0..4095]\n"
                "\tDelay between sendings/readings in microseconds (max. 8191)");

    const double adChannel = kx::scalar(prhs[0]);
    const double configCode = kx::scalar(prhs[1]);
    const double cardType = kx::scalar(prhs[2]);
    const double daChannel = kx::scalar(prhs[3]);
    const kx::Values codes = kx::fetch(prhs[4]);
    const double delay = kx::scalar(prhs[5]);

    kx::requireRange(adChannel, 0.0, 15.0, "KX4410:SendAndRead:adChannel",
                     "KX4410 input channel out of range!");
    kx::requireRange(daChannel, 0.0, 1.0, "KX4410:SendAndRead:daChannel",
                     "KX4410 output channel out of range!");
    kx::requireConfigCode(configCode, "KX4410:SendAndRead:configCode",
                          "KX4410 configuration code out of range!");
    // As the toolbox has always done here: the card type is range-tested,
    // so 0.5 passes (KX4410_ReadAD takes exactly 0 or 1).
    kx::requireRange(cardType, 0.0, 1.0, "KX4410:SendAndRead:cardType",
                     "KX4410 card type out of range!");
    kx::requireRange(delay, 0.0, 8191.0, "KX4410:SendAndRead:delay",
                     "KX4410 delay value out of range!");
    const char* const notAVectorId = "KX4410:SendAndRead:notVector";
    const char* const notAVector = "KX4410 needs a vector array to send!";
    const std::size_t n = kx::vectorLength(codes, notAVectorId, notAVector);
    // Two values per code: its reading, then its time.
    const std::size_t length = kx::rowLength(n, 2, notAVectorId, notAVector);
    for (std::size_t i = 0; i < n; ++i)
        kx::requireRange(codes[i], 0.0, 4095.0, "KX4410:SendAndRead:code",
                         "KX4410 DA channels only can output digital values from 0 to 4095!");

    double* const r = kx::resultRow(plhs[0], length, notAVectorId, notAVector);

    if (ConfigureAnalogIn(kx::toInt32(adChannel), kx::toInt32(configCode)) != 0)
        kx::raise("KX4410:SendAndRead:configureFailed",
                  "KX4410 error in setting quantification window!");
    const kx::TimeBase timer = kx::startTimer(
        "KX4410:SendAndRead:boardInfoFailed", "KX4410 error retrieving active board information!",
        "KX4410:SendAndRead:timerFailed", "KX4410 error starting the interval timer!");

    // As the toolbox has always done here: the delay is a 16-bit count (a
    // NaN delay passed its test and makes 0), where ReadAD and SendDA
    // truncate theirs to 32 bits; and the wait's status is not tested, where
    // theirs is.
    const uint16_t delay16 = kx::low16(delay);
    const int32_t da = kx::toInt32(daChannel);
    for (std::size_t i = 0; i < n; ++i) {
        if (WriteAnalogOut(da, kx::toInt32(codes[i])) != 0)
            kx::raise("KX4410:SendAndRead:writeFailed", "KX4410 error at DA sending!");
        float volts = 0.0f;
        if (ReadAnalogIn(&volts) != 0)
            kx::raise("KX4410:SendAndRead:readFailed", "KX4410 error at reading AD!");
        r[i] = volts;
        // Raw: the conversion to seconds waits until after the loop, so
        // that nothing but the board's own calls paces the steps.
        r[n + i] = timer.read();
        if (delay16 > 0) DelayMicros(delay16);
        if (kx::interrupted())
            kx::raise("KX4410:SendAndRead:interrupted", "KX4410 run interrupted!");
    }

    double previousReading = 0.0;
    double previousTime = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const double reading = r[n + k];
        previousTime = kx::elapsed(reading, previousReading, previousTime, k == 0);
        r[n + k] = previousTime;
        previousReading = reading;
    }
}
