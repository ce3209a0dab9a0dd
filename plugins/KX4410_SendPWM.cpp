// done = KX4410_SendPWM(channel, high level, period, duty cycle, number of periods)
//
// Generates a software PWM wave on DA channel 0 or 1: each period writes the
// high level (a DA code), waits the duty cycle (the high time, in
// microseconds), writes the low level 2047 and waits out the rest of the
// period (in milliseconds). Makes the smallest whole number of periods not
// below the number asked for, and returns 0 after the last one. Ctrl-C ends
// the wave after the wait it falls in, with the channel at the low level.
#include "mex.h"

#include "gateway.h"
#include "interrupt.h"
#include "kxdrv.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    kx::require(nlhs == 1, "KX4410:nargout", "This function yields one result value!");
    kx::require(nrhs == 5, "KX4410:nargin",
                "This function needs:\n"
                "\tThe DA output channel number (0-1)\n"
                "\tThe positive value of the wave (0 to 4095)\n"
                "\tPeriod of the wave in MILLISECONDS\n"
                "\tDuty cycle in MICROSECONDS (max. 8191)\n"
                "\tNumber of periods to generate.");

    const double channel = kx::scalar(prhs[0]);
    const double high = kx::scalar(prhs[1]);
    const int32_t periodMillis = kx::toInt32(kx::scalar(prhs[2]));
    const int32_t dutyMicros = kx::toInt32(kx::scalar(prhs[3]));
    const double periods = kx::scalar(prhs[4]);

    kx::requireZeroOrOne(channel, "KX4410:SendPWM:channel",
                         "KX4410 has only DA channels #0 and #1!");
    kx::requireRange(high, 0.0, 4095.0, "KX4410:SendPWM:amplitude",
                     "KX4410 can only output digital amplitudes within 0-4095!");
    if (periodMillis <= 0)
        kx::raise("KX4410:SendPWM:period",
                  "KX4410 can only measure periods greater than 0 milliseconds!");
    if (dutyMicros < 0 || dutyMicros > 8191)
        kx::raise("KX4410:SendPWM:dutyCycle",
                  "KX4410 can only measure duty cycles between 0-8191 microseconds!");
    // From 2^53 on, adding one period to the double counter no longer
    // changes it: such a wave (and an infinite one) would never end.
    if (periods <= 0.0 || periods >= 9007199254740992.0)
        kx::raise("KX4410:SendPWM:periodCount", "KX4410 can only generate PWM of some length!");
    // 64-bit: a period beyond 2147483 ms overflows 32-bit microseconds.
    const int64_t periodMicros = static_cast<int64_t>(periodMillis) * 1000;
    if (dutyMicros >= periodMicros)
        kx::raise("KX4410:SendPWM:dutyNotBelowPeriod",
                  "KX4410 does not generate PWM with duty cycle greater or equal than the period!");

    // One DelayMicros waits at most 8191 us: the rest of the cycle goes in
    // chunks of 8000 and one wait for the remainder.
    const int32_t lowLevel = 2047;
    const int32_t restChunk = 8000;
    const int64_t restOfCycle = periodMicros - dutyMicros;
    const int64_t chunkCount = restOfCycle / restChunk;
    const int32_t remainder = static_cast<int32_t>(restOfCycle - chunkCount * restChunk);

    const int32_t da = kx::toInt32(channel);
    const int32_t highCode = kx::toInt32(high);
    // Asked after every wait: Ctrl-C ends the wave within one wait, at the
    // low level where a finished wave rests.
    const auto endIfInterrupted = [&] {
        if (!kx::interrupted()) return;
        if (WriteAnalogOut(da, lowLevel) != 0)
            kx::raise("KX4410:SendPWM:writeFailed", "KX4410 error at DA sending!");
        kx::raise("KX4410:SendPWM:interrupted", "KX4410 run interrupted!");
    };
    for (double counter = 0.0; counter < periods; counter += 1.0) {
        if (WriteAnalogOut(da, highCode) != 0)
            kx::raise("KX4410:SendPWM:writeFailed", "KX4410 error at DA sending!");
        if (DelayMicros(dutyMicros) != 0)
            kx::raise("KX4410:SendPWM:dutyDelayFailed", "KX4410 error at delaying duty cycle!");
        endIfInterrupted();
        if (WriteAnalogOut(da, lowLevel) != 0)
            kx::raise("KX4410:SendPWM:writeFailed", "KX4410 error at DA sending!");
        for (int64_t chunk = 0; chunk < chunkCount; ++chunk) {
            if (DelayMicros(restChunk) != 0)
                kx::raise("KX4410:SendPWM:restDelayFailed",
                          "KX4410 error at delaying rest of cycle!");
            endIfInterrupted();
        }
        if (DelayMicros(remainder) != 0)
            kx::raise("KX4410:SendPWM:restDelayFailed", "KX4410 error at delaying rest of cycle!");
        endIfInterrupted();
    }

    kx::doneResult(plhs[0]);
}
