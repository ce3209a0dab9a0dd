// KX4410_SendPWM: its refusals in their order; the writes and waits of a
// period, including rests longer than one wait; how many periods it makes;
// the board time a wave takes; and the code a failure leaves on the output.
#include <cmath>
#include <string>
#include <vector>

#include "singleshot.h"

using namespace mexhost;
using namespace io;

namespace {

const char* const help =
    "This function needs:\n\tThe DA output channel number (0-1)\n"
    "\tThe positive value of the wave (0 to 4095)\n\tPeriod of the wave in MILLISECONDS\n"
    "\tDuty cycle in MICROSECONDS (max. 8191)\n\tNumber of periods to generate.";

std::vector<DriverCall> repeated(const std::vector<DriverCall>& period, int times) {
    std::vector<DriverCall> log;
    for (int i = 0; i < times; ++i) log.insert(log.end(), period.begin(), period.end());
    return log;
}

using SendPWM = PresetOutputsTest;

}  // namespace

TEST_F(SendPWM, CountTestsComeFirstResultsBeforeArguments) {
    const char* const results = "This function yields one result value!";
    expectCountTests("KX4410_SendPWM",
                     {{0, 5, results}, {2, 5, results}, {2, 6, results}, {1, 0, help},
                      {1, 4, help}, {1, 6, help}},
                     1);
}

TEST_F(SendPWM, ArgumentsAreTestedInOrderAndTheOutputIsUntouchedOnARefusal) {
    const char* const channel = "KX4410 has only DA channels #0 and #1!";
    const char* const high = "KX4410 can only output digital amplitudes within 0-4095!";
    const char* const period = "KX4410 can only measure periods greater than 0 milliseconds!";
    const char* const duty = "KX4410 can only measure duty cycles between 0-8191 microseconds!";
    const char* const length = "KX4410 can only generate PWM of some length!";
    const char* const ratio =
        "KX4410 does not generate PWM with duty cycle greater or equal than the period!";
    struct Case {
        std::vector<double> args;
        const char* message;
    };
    const Case cases[] = {
        {{2, -1, 0, 9000, 0}, channel},
        {{0.5, 100, 1, 0, 1}, channel},
        {{-1, 100, 1, 0, 1}, channel},
        {{NAN, 100, 1, 0, 1}, channel},
        {{0, -1, 0, 9000, 0}, high},
        {{1, 4095.5, 1, 0, 1}, high},
        {{0, 4095, 0, 9000, 0}, period},
        {{0, 100, 0.9, 0, 1}, period},
        {{0, 100, -1, 0, 1}, period},
        {{0, 100, NAN, 0, 1}, period},
        {{0, 100, INFINITY, 0, 1}, period},
        {{0, 100, 2147483648.0, 0, 1}, period},  // no 32-bit integer
        {{0, 100, 1, 8192, 0}, duty},
        {{0, 100, 10, -1, 1}, duty},
        {{0, 100, 10, NAN, 1}, duty},
        {{0, 100, 1, 1000, 0}, length},
        {{0, 100, 1, 0, -1}, length},
        {{0, 100, 1, 0, -INFINITY}, length},
        {{0, 100, 1, 0, INFINITY}, length},
        {{0, 100, 1, 0, 9007199254740992.0}, length},  // 2^53: the counter would stop
        {{0, 100, 1, 1000, 1}, ratio},
        {{1, 100, 8, 8000, 1}, ratio},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(show(c.args));
        expectRefused(call("KX4410_SendPWM", 1, numbers(c.args)), c.message);
        expectOutputsAsPreset();
    }
}

TEST_F(SendPWM, APeriodIsHighDutyLowAndTheRestInWaitsOfAtMost8000) {
    struct Case {
        std::vector<double> args;
        std::vector<DriverCall> log;
    };
    const Case cases[] = {
        {{0, 4095, 1, 0, 1}, {daWrite(0, 4095), waitUs(0), daWrite(0, 2047), waitUs(1000)}},
        {{1, 100.7, 8, 0, 1},
         {daWrite(1, 100), waitUs(0), daWrite(1, 2047), waitUs(8000), waitUs(0)}},
        {{0, 3000, 17, 0, 1},
         {daWrite(0, 3000), waitUs(0), daWrite(0, 2047), waitUs(8000), waitUs(8000), waitUs(1000)}},
        {{0, -0.0, 1, 999, 1}, {daWrite(0, 0), waitUs(999), daWrite(0, 2047), waitUs(1)}},
        {{-0.0, 5, 1.9, -0.5, 1}, {daWrite(0, 5), waitUs(0), daWrite(0, 2047), waitUs(1000)}},
        {{1, 4095, 9, 8191.9, 1}, {daWrite(1, 4095), waitUs(8191), daWrite(1, 2047), waitUs(809)}},
        {{0, 10, 1, 500, 2.5},
         repeated({daWrite(0, 10), waitUs(500), daWrite(0, 2047), waitUs(500)}, 3)},
        {{0, 10, 1, 500, 3},
         repeated({daWrite(0, 10), waitUs(500), daWrite(0, 2047), waitUs(500)}, 3)},
        {{1, 10, 1, 500, 0.001},
         repeated({daWrite(1, 10), waitUs(500), daWrite(1, 2047), waitUs(500)}, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(show(c.args));
        presetOutputs();
        Outcome o = call("KX4410_SendPWM", 1, numbers(c.args));
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(boardLog(), c.log);
        EXPECT_EQ(o.values(0), std::vector<double>{0.0});
        EXPECT_EQ(kxsim_da(static_cast<int>(c.log.front().args[0])), 2047);
    }
}

TEST_F(SendPWM, ANaNNumberOfPeriodsMakesNoPeriodAndIsDone) {
    Outcome o = call("KX4410_SendPWM", 1, numbers({0, 10, 1, 500, NAN}));
    ASSERT_FALSE(o.raised) << o.message;
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{});
    EXPECT_EQ(o.values(0), std::vector<double>{0.0});
    EXPECT_EQ(kxsim_da(0), before0);
}

TEST_F(SendPWM, APeriodBeyond32BitMicrosecondsIsSplitExactly) {
    // 3e6 ms = 3e9 us: 375000 rest chunks and a zero remainder, 50 minutes of
    // board time on the virtual clock.
    kxsim_set_cost("WriteAnalogOut", 2000);
    const int64_t start = kxsim_now_ns();
    Outcome o = call("KX4410_SendPWM", 1, numbers({0, 4095, 3e6, 0, 1}));
    ASSERT_FALSE(o.raised) << o.message;
    const std::vector<DriverCall> log = boardLog();
    ASSERT_EQ(log.size(), 375004u);
    EXPECT_EQ(countOf(log, waitUs(8000)), 375000u);
    EXPECT_EQ(log[0], daWrite(0, 4095));
    EXPECT_EQ(log[1], waitUs(0));
    EXPECT_EQ(log[2], daWrite(0, 2047));
    EXPECT_EQ(log.back(), waitUs(0));
    EXPECT_EQ(kxsim_now_ns() - start, 3000000000000LL + 2 * 2000);
}

TEST_F(SendPWM, AFailureEndsTheWaveWithTheStepsMessageAndLeavesItsCode) {
    // Period 17 ms, duty 300 us: waits 300, 8000, 8000, 700 per period.
    const char* const sending = "KX4410 error at DA sending!";
    const char* const duty = "KX4410 error at delaying duty cycle!";
    const char* const rest = "KX4410 error at delaying rest of cycle!";
    struct Case {
        const char* op;
        int n;
        const char* message;
        std::size_t calls;  // driver calls made, the failing one included
        int code;           // on the output afterwards
    };
    const Case cases[] = {
        {"WriteAnalogOut", 1, sending, 1, before1},
        {"DelayMicros", 1, duty, 2, 1000},
        {"WriteAnalogOut", 2, sending, 3, 1000},
        {"DelayMicros", 2, rest, 4, 2047},
        {"DelayMicros", 4, rest, 6, 2047},
        {"WriteAnalogOut", 3, sending, 7, 2047},
        {"DelayMicros", 5, duty, 8, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.op) + " #" + std::to_string(c.n));
        presetOutputs();
        kxsim_inject(c.op, c.n, 9);
        expectFailed(call("KX4410_SendPWM", 1, numbers({1, 1000, 17, 300, 3})), c.message);
        const std::vector<DriverCall> log = boardLog();
        ASSERT_EQ(log.size(), c.calls);
        EXPECT_EQ(log.back().op, c.op);
        EXPECT_EQ(log.back().result, 9);
        EXPECT_EQ(kxsim_da(1), c.code);
        EXPECT_EQ(kxsim_da(0), before0);
    }
}

TEST_F(SendPWM, ALaterRestWaitFailingStopsTheLongWaveThere) {
    kxsim_inject("DelayMicros", 100, 14);
    expectFailed(call("KX4410_SendPWM", 1, numbers({0, 4095, 3e6, 0, 1})),
                 "KX4410 error at delaying rest of cycle!");
    const std::vector<DriverCall> log = boardLog();
    ASSERT_EQ(log.size(), 102u);
    EXPECT_EQ(log.back(), waitUs(8000, 14));
    EXPECT_EQ(kxsim_da(0), 2047);
}

TEST_F(SendPWM, AWaveOfNPeriodsTakesNPeriodsOfBoardTimePlusItsWrites) {
    kxsim_set_cost("WriteAnalogOut", 2000);
    struct Case {
        double periods;
        int64_t made;
    };
    for (const Case c : {Case{1, 1}, Case{3, 3}, Case{2.5, 3}, Case{0.2, 1}}) {
        SCOPED_TRACE(c.periods);
        const int64_t start = kxsim_now_ns();
        Outcome o = call("KX4410_SendPWM", 1, numbers({0, 1000, 17, 300, c.periods}));
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(kxsim_now_ns() - start, c.made * 17000000 + 2 * c.made * 2000);
    }
}
