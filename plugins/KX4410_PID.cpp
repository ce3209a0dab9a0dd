// [time, output, error, control] = KX4410_PID(AD channel, configuration code,
//     card type, DA channel, reference, sample period, Kp, Ki, Kd)
//
// Closes a PID loop through the board, one step per element of the
// reference (volts): reads the interval timer, reads the plant's output on
// the AD channel, computes the control value u from the error, writes it to
// the DA channel and waits the sample period in microseconds (0: no wait).
// The integral is the plain sum of the errors; the derivative divides by
// the measured step time and is held when two steps read the same time.
// The DA takes u truncated to whole volts and limited to -10 ... 10 V (a
// NaN u gives 0 V); the control row holds u itself. Returns four 1 x n rows:
// the time in seconds since the timer was started (modulo its 4.096 ms
// cycle per step), the output y, the error and u. Ctrl-C ends the run after
// the step it falls in, with the DA at 0 V.
#include "mex.h"

#include "gateway.h"
#include "interrupt.h"
#include "kxdrv.h"
#include "timer.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    kx::require(nlhs == 4, "KX4410:nargout",
                "This function yields four result values (time samples, system output, "
                "error signal, and control signal)!");
    kx::require(nrhs == 9, "KX4410:nargin",
                "This function needs:\n"
                "\tAD input channel (0-15)\n"
                "\tConfiguration code\n"
                "\tType of card (0-1)\n"
                "\tDA output channel (0-1)\n"
                "\tVector of reference signal (volts)\n"
                "\tSample period in microseconds\n"
                "\tP constant\n"
                "\tI constant\n"
                "\tD constant");

    const double adChannel = kx::scalar(prhs[0]);
    const double configCode = kx::scalar(prhs[1]);
    const double cardType = kx::scalar(prhs[2]);
    const double daChannel = kx::scalar(prhs[3]);
    const kx::Values reference = kx::fetch(prhs[4]);
    const double period = kx::scalar(prhs[5]);
    const double Kp = kx::scalar(prhs[6]);
    const double Ki = kx::scalar(prhs[7]);
    const double Kd = kx::scalar(prhs[8]);

    kx::requireRange(adChannel, 0.0, 15.0, "KX4410:PID:adChannel",
                     "KX4410 input channel out of range!");
    kx::requireRange(daChannel, 0.0, 1.0, "KX4410:PID:daChannel",
                     "KX4410 output channel out of range!");
    kx::requireConfigCode(configCode, "KX4410:PID:configCode",
                          "KX4410 configuration code out of range!");
    // As the toolbox has always done here: the card type is range-tested,
    // so 0.5 passes (KX4410_ReadAD takes exactly 0 or 1).
    kx::requireRange(cardType, 0.0, 1.0, "KX4410:PID:cardType", "KX4410 card type out of range!");
    kx::requireRange(period, 0.0, 8191.0, "KX4410:PID:period",
                     "KX4410 sample period out of range!");
    const char* const notAVectorId = "KX4410:PID:notVector";
    const char* const notAVector = "KX4410 needs a vector array as reference!";
    const std::size_t n = kx::vectorLength(reference, notAVectorId, notAVector);

    double* rows[4];
    kx::resultRows(plhs, rows, 4, n, notAVectorId, notAVector);
    double* const time = rows[0];
    double* const output = rows[1];
    double* const error = rows[2];
    double* const control = rows[3];
    double errorSum = 0.0;

    if (ConfigureAnalogIn(kx::toInt32(adChannel), kx::toInt32(configCode)) != 0)
        kx::raise("KX4410:PID:configureFailed",
                  "KX4410 error in setting quantification window!");
    const kx::TimeBase timer = kx::startTimer(
        "KX4410:PID:boardInfoFailed", "KX4410 error retrieving active board information!",
        "KX4410:PID:timerFailed", "KX4410 error starting the interval timer!");

    // As the toolbox has always done here: the period is a 16-bit count (a
    // NaN period passed its test and makes 0), where ReadAD and SendDA
    // truncate their delays to 32 bits; and the wait's status is not tested,
    // where theirs is.
    const uint16_t period16 = kx::low16(period);
    const int32_t da = kx::toInt32(daChannel);
    double previousError = 0.0;
    double previousTime = 0.0;
    double previousD = 0.0;
    double previousReading = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double reading = timer.read();
        const double t = kx::elapsed(reading, previousReading, previousTime, i == 0);

        float volts = 0.0f;
        if (ReadAnalogIn(&volts) != 0)
            kx::raise("KX4410:PID:readFailed", "KX4410 error at reading AD!");
        const double y = volts;

        const double e = reference[i] - y;
        errorSum = errorSum + e;
        const double P = e * Kp;
        const double I = errorSum * Ki;
        double D = 0.0;
        if (i > 0 && t == previousTime)
            D = previousD;
        else if (i > 0)
            D = ((e - previousError) * Kd) / (t - previousTime);
        const double u = (D + I) + P;

        // Whole volts within the DA's -10 ... 10 V; NaN compares false
        // everywhere and drives mid-scale.
        int32_t v = 0;
        if (u > -10.0 && u < 10.0)
            v = kx::toInt32(u);
        else if (u >= 10.0)
            v = 10;
        else if (u <= -10.0)
            v = -10;
        const int32_t code = kx::toInt32((v + 10) * 204.75);
        if (WriteAnalogOut(da, code) != 0)
            kx::raise("KX4410:PID:writeFailed", "KX4410 error at DA sending!");

        previousError = e;
        previousReading = reading;
        previousTime = t;
        previousD = D;

        time[i] = t;
        output[i] = y;
        error[i] = e;
        control[i] = u;

        if (period16 > 0) DelayMicros(period16);
        if (kx::interrupted()) {
            // The plant's input to 0 V: the code of a zero control value.
            if (WriteAnalogOut(da, 2047) != 0)
                kx::raise("KX4410:PID:writeFailed", "KX4410 error at DA sending!");
            kx::raise("KX4410:PID:interrupted", "KX4410 run interrupted!");
        }
    }
}
