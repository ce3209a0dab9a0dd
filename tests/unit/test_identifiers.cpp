// Every raise of every plug-in carries its identifier: each row makes one
// raise happen (a count, an argument, a driver failure) and names the
// identifier that comes with its message.
#include <string>
#include <vector>

#include "board.h"

using namespace mexhost;

namespace {

struct Row {
    int nlhs;
    std::vector<double> args;
    const char* message;  // its first line: the argument lists run on
    const char* identifier;
    const char* failing = nullptr;  // the driver operation that fails, on its nth call
    int nth = 1;
    int textAt = -1;    // this argument is a char array
    int matrixAt = -1;  // this argument is a 2 x 2 matrix
};

struct Function {
    const char* name;
    std::vector<Row> rows;
};

const std::vector<double> six(6, 0);
const std::vector<double> nine(9, 0);
std::vector<double> with(std::vector<double> v, std::size_t k, double x) {
    v[k] = x;
    return v;
}

const char* const noResult = "This function does not yield any result value!";
const char* const oneResult = "This function yields one result value!";
const char* const needs = "This function needs:";
const char* const notNumeric = "KX4410 argument is empty or not numeric!";
const char* const configure = "KX4410 error in setting quantification window!";
const char* const boardInfo = "KX4410 error retrieving active board information!";
const char* const timerStart = "KX4410 error starting the interval timer!";
const char* const reading = "KX4410 error at reading AD!";
const char* const writing = "KX4410 error at DA sending!";
const char* const delaying = "KX4410 error at delaying!";
const char* const codeRange = "KX4410 DA channels only can output digital values from 0 to 4095!";
const char* const restOfCycle = "KX4410 error at delaying rest of cycle!";

const Function functions[] = {
    {"KX4410_InitDriverAndBoard",
     {{3, {}, "This function yields at most two result values!", "KX4410:nargout"},
      {0, {0, 0}, "This function only has an [optional] argument!", "KX4410:nargin"},
      {0, {0}, notNumeric, "KX4410:notNumeric", nullptr, 1, 0},
      {0, {0}, "KX4410 Board #0 could not be activated.",
       "KX4410:InitDriverAndBoard:activateFailed", "ActivateBoard"}}},
    {"KX4410_CloseDriverAndBoard",
     {{1, {}, noResult, "KX4410:nargout"},
      {0, {0}, "This function does not need any argument!", "KX4410:nargin"}}},
    {"KX4410_ErrorText",
     {{0, {0}, oneResult, "KX4410:nargout"},
      {1, {}, "This function needs the code of the error!", "KX4410:nargin"},
      {1, {0}, notNumeric, "KX4410:notNumeric", nullptr, 1, 0}}},
    {"KX4410_ReadAD",
     {{0, {0, 0, 0}, oneResult, "KX4410:nargout"},
      {1, {0, 0}, "This function needs: ", "KX4410:nargin"},
      {1, {16, 0, 0}, "KX4410 AD channels range from #0 to #15!", "KX4410:ReadAD:channel"},
      {1, {0, 12, 0}, "KX4410 configuration code invalid!", "KX4410:ReadAD:configCode"},
      {1, {0, 0, 0.5}, "KX4410 types of card can be only 0 or 1!", "KX4410:ReadAD:cardType"},
      {1, {0, 0, 0, 0}, "KX4410 cannot read that number of data!", "KX4410:ReadAD:readCount"},
      {1, {0, 0, 0, 1, 8192}, "KX4410 cannot delay that number!", "KX4410:ReadAD:delay"},
      {1, {0, 0, 0}, notNumeric, "KX4410:notNumeric", nullptr, 1, 2},
      {1, {0, 0, 0}, configure, "KX4410:ReadAD:configureFailed", "ConfigureAnalogIn"},
      {1, {0, 0, 0, 2}, reading, "KX4410:ReadAD:readFailed", "ReadAnalogIn", 2},
      {1, {0, 0, 0, 2, 10}, delaying, "KX4410:ReadAD:delayFailed", "DelayMicros"}}},
    {"KX4410_SendDA",
     {{0, {0, 0}, oneResult, "KX4410:nargout"},
      {1, {0}, needs, "KX4410:nargin"},
      {1, {0, 0, 0}, "KX4410 needs a vector array to send!", "KX4410:SendDA:notVector", nullptr,
       1, -1, 2},
      {1, {0, 0, 5, 8192}, "KX4410 cannot delay that value!", "KX4410:SendDA:delay"},
      {1, {2, 0}, "KX4410 has only DA channels #0 and #1!", "KX4410:SendDA:channel"},
      {1, {0, 5000}, codeRange, "KX4410:SendDA:code"},
      {1, {0, 0, 1}, notNumeric, "KX4410:notNumeric", nullptr, 1, 2},
      {1, {0, 100}, writing, "KX4410:SendDA:writeFailed", "WriteAnalogOut"},
      {1, {0, 0, 100, 10}, delaying, "KX4410:SendDA:delayFailed", "DelayMicros"}}},
    {"KX4410_SendPWM",
     {{0, {0, 0, 1, 0, 1}, oneResult, "KX4410:nargout"},
      {1, {0}, needs, "KX4410:nargin"},
      {1, {2, 0, 1, 0, 1}, "KX4410 has only DA channels #0 and #1!", "KX4410:SendPWM:channel"},
      {1, {0, 5000, 1, 0, 1}, "KX4410 can only output digital amplitudes within 0-4095!",
       "KX4410:SendPWM:amplitude"},
      {1, {0, 0, 0, 0, 1}, "KX4410 can only measure periods greater than 0 milliseconds!",
       "KX4410:SendPWM:period"},
      {1, {0, 0, 1, 9000, 1}, "KX4410 can only measure duty cycles between 0-8191 microseconds!",
       "KX4410:SendPWM:dutyCycle"},
      {1, {0, 0, 1, 0, 0}, "KX4410 can only generate PWM of some length!",
       "KX4410:SendPWM:periodCount"},
      {1, {0, 0, 1, 1000, 1},
       "KX4410 does not generate PWM with duty cycle greater or equal than the period!",
       "KX4410:SendPWM:dutyNotBelowPeriod"},
      {1, {0, 0, 1, 0, 1}, notNumeric, "KX4410:notNumeric", nullptr, 1, 4},
      // 10 ms with 500 us high: the duty wait, then one 8000 us chunk and
      // the 1500 us left; every raise site once.
      {1, {0, 100, 10, 500, 1}, writing, "KX4410:SendPWM:writeFailed", "WriteAnalogOut"},
      {1, {0, 100, 10, 500, 1}, writing, "KX4410:SendPWM:writeFailed", "WriteAnalogOut", 2},
      {1, {0, 100, 10, 500, 1}, "KX4410 error at delaying duty cycle!",
       "KX4410:SendPWM:dutyDelayFailed", "DelayMicros"},
      {1, {0, 100, 10, 500, 1}, restOfCycle, "KX4410:SendPWM:restDelayFailed", "DelayMicros", 2},
      {1, {0, 100, 10, 500, 1}, restOfCycle, "KX4410:SendPWM:restDelayFailed", "DelayMicros", 3}}},
    {"KX4410_Delay",
     {{1, {0}, noResult, "KX4410:nargout"},
      {0, {}, "This function needs the number of 1 microsecond units to wait!", "KX4410:nargin"},
      {0, {8192}, "KX4410 cannot delay more than 8191 microsecs. units!", "KX4410:Delay:micros"},
      {0, {0}, notNumeric, "KX4410:notNumeric", nullptr, 1, 0},
      {0, {5}, delaying, "KX4410:Delay:delayFailed", "DelayMicros"}}},
    {"KX4410_SendAndRead",
     {{0, six, oneResult, "KX4410:nargout"},
      {1, {0}, needs, "KX4410:nargin"},
      {1, with(six, 0, 16), "KX4410 input channel out of range!", "KX4410:SendAndRead:adChannel"},
      {1, with(six, 3, 2), "KX4410 output channel out of range!", "KX4410:SendAndRead:daChannel"},
      {1, with(six, 1, 12), "KX4410 configuration code out of range!",
       "KX4410:SendAndRead:configCode"},
      {1, with(six, 2, 2), "KX4410 card type out of range!", "KX4410:SendAndRead:cardType"},
      {1, with(six, 5, 8192), "KX4410 delay value out of range!", "KX4410:SendAndRead:delay"},
      {1, six, "KX4410 needs a vector array to send!", "KX4410:SendAndRead:notVector", nullptr, 1,
       -1, 4},
      {1, with(six, 4, 5000), codeRange, "KX4410:SendAndRead:code"},
      {1, six, notNumeric, "KX4410:notNumeric", nullptr, 1, 5},
      {1, six, configure, "KX4410:SendAndRead:configureFailed", "ConfigureAnalogIn"},
      {1, six, boardInfo, "KX4410:SendAndRead:boardInfoFailed", "GetBoardAddress"},
      {1, six, timerStart, "KX4410:SendAndRead:timerFailed", "WriteTimerControl"},
      {1, six, writing, "KX4410:SendAndRead:writeFailed", "WriteAnalogOut"},
      {1, six, reading, "KX4410:SendAndRead:readFailed", "ReadAnalogIn"}}},
    {"KX4410_PID",
     {{1, nine,
       "This function yields four result values (time samples, system output, error signal, "
       "and control signal)!",
       "KX4410:nargout"},
      {4, {0}, needs, "KX4410:nargin"},
      {4, with(nine, 0, 16), "KX4410 input channel out of range!", "KX4410:PID:adChannel"},
      {4, with(nine, 3, 2), "KX4410 output channel out of range!", "KX4410:PID:daChannel"},
      {4, with(nine, 1, 12), "KX4410 configuration code out of range!", "KX4410:PID:configCode"},
      {4, with(nine, 2, 2), "KX4410 card type out of range!", "KX4410:PID:cardType"},
      {4, with(nine, 5, 8192), "KX4410 sample period out of range!", "KX4410:PID:period"},
      {4, nine, "KX4410 needs a vector array as reference!", "KX4410:PID:notVector", nullptr, 1,
       -1, 4},
      {4, nine, notNumeric, "KX4410:notNumeric", nullptr, 1, 8},
      {4, nine, configure, "KX4410:PID:configureFailed", "ConfigureAnalogIn"},
      {4, nine, boardInfo, "KX4410:PID:boardInfoFailed", "GetBoardAddress"},
      {4, nine, timerStart, "KX4410:PID:timerFailed", "WriteTimerControl"},
      {4, nine, reading, "KX4410:PID:readFailed", "ReadAnalogIn"},
      {4, nine, writing, "KX4410:PID:writeFailed", "WriteAnalogOut"}}},
};

std::vector<Array> arguments(const Row& r) {
    std::vector<Array> given;
    for (std::size_t k = 0; k < r.args.size(); ++k) {
        const int at = static_cast<int>(k);
        if (at == r.textAt)
            given.push_back(text("0"));
        else if (at == r.matrixAt)
            given.push_back(matrix(2, 2, {0, 0, 0, 0}));
        else
            given.push_back(scalar(r.args[k]));
    }
    return given;
}

class Identifiers : public BoardTest {};

}  // namespace

TEST_F(Identifiers, EveryRaiseCarriesItsIdentifierBesideItsMessage) {
    for (const Function& f : functions) {
        for (const Row& r : f.rows) {
            SCOPED_TRACE(std::string(f.name) + ": " + r.identifier);
            BoardTest::SetUp();
            // The session's own start is under test in InitDriverAndBoard.
            if (std::string(f.name) != "KX4410_InitDriverAndBoard") openSession();
            if (r.failing != nullptr) {
                ASSERT_EQ(kxsim_inject(r.failing, r.nth, 1), 0);
            }

            const Outcome o = call(f.name, r.nlhs, arguments(r));
            ASSERT_TRUE(o.raised);
            EXPECT_EQ(o.message.substr(0, o.message.find('\n')), r.message);
            EXPECT_EQ(o.identifier, r.identifier);
        }
    }
}
