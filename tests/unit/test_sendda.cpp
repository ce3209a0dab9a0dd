// KX4410_SendDA: its refusals in their order, which leave the outputs as
// they were; the writes and waits of one code and of a vector; and what a
// driver failure leaves on the output.
#include <cmath>
#include <string>
#include <vector>

#include "singleshot.h"

using namespace mexhost;
using namespace io;

namespace {

const char* const help =
    "This function needs:\n\tThe DA output channel number (0-1)\n"
    "\tThe value to send if only one, any value otherwise (0 to 4095)\n"
    "\t[optional] The vector to send if more than one\n"
    "\t[optional] Delay between sendings in microseconds (max. 8191)";

using SendDA = PresetOutputsTest;

}  // namespace

TEST_F(SendDA, CountTestsComeFirstResultsBeforeArguments) {
    const char* const results = "This function yields one result value!";
    expectCountTests("KX4410_SendDA", {{0, 2, results}, {2, 2, results}, {2, 5, results},
                                       {1, 0, help}, {1, 1, help}, {1, 5, help}});
}

TEST_F(SendDA, ArgumentsAreTestedInOrderAndNothingIsWrittenOnARefusal) {
    const char* const shape = "KX4410 needs a vector array to send!";
    const char* const delay = "KX4410 cannot delay that value!";
    const char* const channel = "KX4410 has only DA channels #0 and #1!";
    const char* const code = "KX4410 DA channels only can output digital values from 0 to 4095!";
    struct Case {
        const char* name;
        std::vector<Array> args;
        const char* message;
    };
    Case cases[] = {
        {"2 x 2 before delay and channel",
         args(scalar(5), scalar(0), matrix(2, 2, {1, 2, 3, 4}), scalar(-1)), shape},
        {"3 x 2", args(scalar(0), scalar(0), matrix(3, 2)), shape},
        {"0 x 0", args(scalar(0), scalar(0), matrix(0, 0)), shape},
        {"delay before channel", args(scalar(5), scalar(0), row({1, 2}), scalar(-1)), delay},
        {"delay 8192", args(scalar(0), scalar(0), row({1}), scalar(8192)), delay},
        {"delay 8191.5", args(scalar(0), scalar(0), row({1}), scalar(8191.5)), delay},
        {"channel 2", numbers({2, 100}), channel},
        {"channel -1", numbers({-1, 100}), channel},
        {"channel 0.5", numbers({0.5, 100}), channel},
        {"channel NaN", numbers({NAN, 100}), channel},
        {"channel before an empty vector", args(scalar(2), scalar(0), row({})), channel},
        {"channel before codes", args(scalar(2), scalar(0), row({4096})), channel},
        {"last code", args(scalar(0), scalar(0), row({100, 200, 4096})), code},
        {"a code below 0", args(scalar(1), scalar(0), column({100, -0.5, 200}), scalar(10)), code},
        {"single code 4095.5", numbers({0, 4095.5}), code},
        {"single code -1", numbers({1, -1}), code},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectRefused(call("KX4410_SendDA", 1, c.args), c.message);
        expectOutputsAsPreset();
    }
}

// The codes are tested two at a time where the processor can: a code out of
// range is found in any place of a vector, and NaN codes pass.
TEST_F(SendDA, EveryCodeIsTestedWhereverItStands) {
    const char* const code = "KX4410 DA channels only can output digital values from 0 to 4095!";
    for (std::size_t n = 1; n <= 5; ++n)
        for (std::size_t bad = 0; bad < n; ++bad)
            for (double value : {4095.5, -1e-300}) {
                SCOPED_TRACE(std::to_string(n) + " codes, " + std::to_string(value) + " at " +
                             std::to_string(bad));
                std::vector<double> codes(n, 2047);
                codes[bad] = value;
                expectRefused(call("KX4410_SendDA", 1, args(scalar(0), scalar(0), row(codes))), code);
                expectOutputsAsPreset();
            }
    // A NaN truncates to INT32_MIN, which the driver refuses.
    expectFailed(call("KX4410_SendDA", 1, args(scalar(1), scalar(0), row({NAN, NAN, NAN}))),
                 "KX4410 error at DA sending!");
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{daWrite(1, noInt32, 16)});
}

TEST_F(SendDA, WritesEachCodeInOrderWithTheWaitAfterEveryWrite) {
    struct Case {
        const char* name;
        std::vector<Array> args;
        std::vector<DriverCall> log;
    };
    Case cases[] = {
        {"one code, no wait", numbers({0, 100}), {daWrite(0, 100)}},
        {"one code truncated, channel -0", numbers({-0.0, 2047.5}), {daWrite(0, 2047)}},
        {"vector; the second argument is not tested",
         args(scalar(1), scalar(-500), row({0, 4095, 2047})),
         {daWrite(1, 0), daWrite(1, 4095), daWrite(1, 2047)}},
        {"column like row; text as placeholder",
         args(scalar(1), text("any"), column({0, 4095, 2047})),
         {daWrite(1, 0), daWrite(1, 4095), daWrite(1, 2047)}},
        {"empty placeholder", args(scalar(0), matrix(0, 0), row({7})), {daWrite(0, 7)}},
        {"delay 10", args(scalar(0), scalar(0), row({1, 2, 3}), scalar(10)),
         {daWrite(0, 1), waitUs(10), daWrite(0, 2), waitUs(10), daWrite(0, 3), waitUs(10)}},
        {"delay 0.5 waits 0", args(scalar(1), scalar(0), row({9, 8}), scalar(0.5)),
         {daWrite(1, 9), waitUs(0), daWrite(1, 8), waitUs(0)}},
        {"delay 8191", args(scalar(1), scalar(0), row({9}), scalar(8191)),
         {daWrite(1, 9), waitUs(8191)}},
        {"delay 0", args(scalar(0), scalar(0), row({9, 8}), scalar(0)), {daWrite(0, 9), daWrite(0, 8)}},
        {"NaN delay", args(scalar(0), scalar(0), row({9, 8}), scalar(NAN)),
         {daWrite(0, 9), daWrite(0, 8)}},
        {"1 x 0 vector", args(scalar(1), scalar(0), row({})), {}},
        {"0 x 1 vector with delay", args(scalar(1), scalar(0), column({}), scalar(10)), {}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        kxsim_clear_log();
        Outcome o = call("KX4410_SendDA", 1, c.args);
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(boardLog(), c.log);
        EXPECT_EQ(o.values(0), std::vector<double>{0.0});
        EXPECT_EQ(o.rows(0), 1u);
    }
}

TEST_F(SendDA, AVectorLongerThan16BitsIsWrittenWhole) {
    const std::size_t n = 70000;
    std::vector<double> codes(n);
    for (std::size_t i = 0; i < n; ++i) codes[i] = static_cast<double>((i * 7) % 4096);
    Outcome o = call("KX4410_SendDA", 1, args(scalar(1), scalar(0), row(codes)));
    ASSERT_FALSE(o.raised) << o.message;
    const std::vector<DriverCall> log = boardLog();
    ASSERT_EQ(log.size(), n);
    std::vector<double> written;
    for (const DriverCall& c : log) written.push_back(c.args.at(1));
    EXPECT_EQ(written, codes);
    EXPECT_EQ(kxsim_da(1), static_cast<int>(codes.back()));
}

TEST_F(SendDA, ADriverFailureEndsTheCallAndTheCodesWrittenStay) {
    struct Case {
        const char* op;
        int n;
        double status;
        double delay;
        const char* message;
        std::vector<DriverCall> log;
    };
    const Case cases[] = {
        {"WriteAnalogOut", 2, 13, 0, "KX4410 error at DA sending!",
         {daWrite(0, 100), daWrite(0, 200, 13)}},
        {"DelayMicros", 1, 14, 5, "KX4410 error at delaying!", {daWrite(0, 100), waitUs(5, 14)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        presetOutputs();
        kxsim_inject(c.op, c.n, c.status);
        expectFailed(
            call("KX4410_SendDA", 1, args(scalar(0), scalar(0), row({100, 200, 300}), scalar(c.delay))),
            c.message);
        EXPECT_EQ(boardLog(), c.log);
        EXPECT_EQ(kxsim_da(0), 100);
        EXPECT_EQ(kxsim_da(1), before1);
    }
}

TEST_F(SendDA, TheDriverAnswersForValuesTheTestsLetThrough) {
    // A NaN code passes its test and has no 32-bit value.
    expectFailed(call("KX4410_SendDA", 1, numbers({0, NAN})), "KX4410 error at DA sending!");
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{daWrite(0, noInt32, 16)});
    EXPECT_EQ(kxsim_da(0), before0);

    kxsim_reset();  // no session
    expectFailed(call("KX4410_SendDA", 1, numbers({1, 5})), "KX4410 error at DA sending!");
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{daWrite(1, 5, 1)});
}

TEST_F(SendDA, EachCodeTakesOneWriteAndOneWaitOfBoardTime) {
    kxsim_set_cost("WriteAnalogOut", 2000);
    const int64_t start = kxsim_now_ns();
    Outcome o = call("KX4410_SendDA", 1, args(scalar(0), scalar(0), row({1, 2, 3}), scalar(7)));
    ASSERT_FALSE(o.raised) << o.message;
    EXPECT_EQ(kxsim_now_ns() - start, 3 * (2000 + 7000));
}
