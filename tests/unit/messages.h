// Every message each plug-in may raise, as a user reads it: the refusals of
// its count, argument and range tests, which come before any driver call,
// and its driver failures, each with the operation whose status it reports.
// Shared by the fault sweep and the fuzzer.
#ifndef KX4410_TESTS_MESSAGES_H
#define KX4410_TESTS_MESSAGES_H

#include <string>
#include <vector>

namespace messages {

struct Failure {
    std::string message;
    std::string op;  // the operation whose status the message reports
};

struct PlugIn {
    std::string name;
    std::vector<std::string> refusals;
    std::vector<Failure> failures;

    bool refuses(const std::string& m) const {
        for (const std::string& r : refusals)
            if (r == m) return true;
        return false;
    }
    // The operation a failure message reports; empty when m is none.
    std::string failedOp(const std::string& m) const {
        for (const Failure& f : failures)
            if (f.message == m) return f.op;
        return "";
    }
};

// Raised by the frame for an argument it cannot read, by every plug-in.
const char* const notNumeric = "KX4410 argument is empty or not numeric!";

const char* const oneResult = "This function yields one result value!";
const char* const noResult = "This function does not yield any result value!";
const char* const codes = "KX4410 DA channels only can output digital values from 0 to 4095!";
const char* const quantification = "KX4410 error in setting quantification window!";
const char* const boardInformation = "KX4410 error retrieving active board information!";
const char* const timerStarting = "KX4410 error starting the interval timer!";
const char* const adReading = "KX4410 error at reading AD!";
const char* const daSending = "KX4410 error at DA sending!";
const char* const delaying = "KX4410 error at delaying!";

inline const std::vector<PlugIn>& plugIns() {
    static const std::vector<PlugIn> all = {
        {"KX4410_InitDriverAndBoard",
         {"This function yields at most two result values!",
          "This function only has an [optional] argument!", notNumeric},
         {{"KX4410 Board #0 could not be activated.", "ActivateBoard"}}},
        {"KX4410_CloseDriverAndBoard",
         {noResult, "This function does not need any argument!"},
         {}},
        {"KX4410_ErrorText", {oneResult, "This function needs the code of the error!", notNumeric}, {}},
        {"KX4410_ReadAD",
         {oneResult,
          "This function needs: \n\tAD input channel number (0-15)\n\tconfiguration code\n"
          "\ttype of card (0-1)\n\t[optional] number of reads\n"
          "\t[optional] delay interreads (microseconds, maximum 8191)\n",
          "KX4410 AD channels range from #0 to #15!", "KX4410 configuration code invalid!",
          "KX4410 types of card can be only 0 or 1!", "KX4410 cannot read that number of data!",
          "KX4410 cannot delay that number!", notNumeric},
         {{quantification, "ConfigureAnalogIn"}, {adReading, "ReadAnalogIn"},
          {delaying, "DelayMicros"}}},
        {"KX4410_SendDA",
         {oneResult,
          "This function needs:\n\tThe DA output channel number (0-1)\n"
          "\tThe value to send if only one, any value otherwise (0 to 4095)\n"
          "\t[optional] The vector to send if more than one\n"
          "\t[optional] Delay between sendings in microseconds (max. 8191)",
          "KX4410 needs a vector array to send!", "KX4410 cannot delay that value!",
          "KX4410 has only DA channels #0 and #1!", codes, notNumeric},
         {{daSending, "WriteAnalogOut"}, {delaying, "DelayMicros"}}},
        {"KX4410_SendPWM",
         {oneResult,
          "This function needs:\n\tThe DA output channel number (0-1)\n"
          "\tThe positive value of the wave (0 to 4095)\n\tPeriod of the wave in MILLISECONDS\n"
          "\tDuty cycle in MICROSECONDS (max. 8191)\n\tNumber of periods to generate.",
          "KX4410 has only DA channels #0 and #1!",
          "KX4410 can only output digital amplitudes within 0-4095!",
          "KX4410 can only measure periods greater than 0 milliseconds!",
          "KX4410 can only measure duty cycles between 0-8191 microseconds!",
          "KX4410 can only generate PWM of some length!",
          "KX4410 does not generate PWM with duty cycle greater or equal than the period!",
          notNumeric},
         {{daSending, "WriteAnalogOut"},
          {"KX4410 error at delaying duty cycle!", "DelayMicros"},
          {"KX4410 error at delaying rest of cycle!", "DelayMicros"}}},
        {"KX4410_Delay",
         {noResult, "This function needs the number of 1 microsecond units to wait!",
          "KX4410 cannot delay more than 8191 microsecs. units!", notNumeric},
         {{delaying, "DelayMicros"}}},
        {"KX4410_SendAndRead",
         {oneResult,
          "This function needs:\n\tAD input channel (0-15)\n\tConfiguration code\n"
          "\tType of card (0-1)\n\tDA output channel (0-1)\n\tVector to send [0..4095]\n"
          "\tDelay between sendings/readings in microseconds (max. 8191)",
          "KX4410 input channel out of range!", "KX4410 output channel out of range!",
          "KX4410 configuration code out of range!", "KX4410 card type out of range!",
          "KX4410 delay value out of range!", "KX4410 needs a vector array to send!", codes,
          notNumeric},
         {{quantification, "ConfigureAnalogIn"}, {boardInformation, "GetBoardAddress"},
          {timerStarting, "WriteTimerControl"}, {daSending, "WriteAnalogOut"},
          {adReading, "ReadAnalogIn"}}},
        {"KX4410_PID",
         {"This function yields four result values (time samples, system output, error signal, "
          "and control signal)!",
          "This function needs:\n\tAD input channel (0-15)\n\tConfiguration code\n"
          "\tType of card (0-1)\n\tDA output channel (0-1)\n\tVector of reference signal (volts)\n"
          "\tSample period in microseconds\n\tP constant\n\tI constant\n\tD constant",
          "KX4410 input channel out of range!", "KX4410 output channel out of range!",
          "KX4410 configuration code out of range!", "KX4410 card type out of range!",
          "KX4410 sample period out of range!", "KX4410 needs a vector array as reference!",
          notNumeric},
         {{quantification, "ConfigureAnalogIn"}, {boardInformation, "GetBoardAddress"},
          {timerStarting, "WriteTimerControl"}, {adReading, "ReadAnalogIn"},
          {daSending, "WriteAnalogOut"}}},
    };
    return all;
}

}  // namespace messages

#endif
