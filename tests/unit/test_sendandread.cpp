// KX4410_SendAndRead: its refusals in their order, the driver calls of a
// sequence, its readings and time stamps (exact, from the board's known
// costs and waits), and what driver failures leave.
#include <cmath>
#include <string>
#include <vector>

#include "timed.h"

using namespace mexhost;
using namespace timed;

namespace {

const char* const help =
    "This function needs:\n\tAD input channel (0-15)\n\tConfiguration code\n"
    "\tType of card (0-1)\n\tDA output channel (0-1)\n\tVector to send [0..4095]\n"
    "\tDelay between sendings/readings in microseconds (max. 8191)";

// One step's board time without its wait.
const int64_t stepNs = daWriteNs + adReadNs + timerReadNs;

Outcome sendAndRead(double ad, double code, double card, double da, Array codes, double delay) {
    return mexhost::call(
        "KX4410_SendAndRead", 1,
        args(scalar(ad), scalar(code), scalar(card), scalar(da), std::move(codes), scalar(delay)));
}

using SendAndRead = TimedTest;

TEST_F(SendAndRead, CountTestsComeFirstResultsBeforeArguments) {
    const char* const results = "This function yields one result value!";
    expectCountTests("KX4410_SendAndRead", {{0, 6, results}, {2, 6, results}, {0, 3, results},
                                            {1, 5, help}, {1, 7, help}, {1, 0, help}});
}

TEST_F(SendAndRead, ArgumentsAreTestedInOrderAndOnlyTheFirstFailureIsReported) {
    const char* const input = "KX4410 input channel out of range!";
    const char* const output = "KX4410 output channel out of range!";
    const char* const config = "KX4410 configuration code out of range!";
    const char* const card = "KX4410 card type out of range!";
    const char* const delay = "KX4410 delay value out of range!";
    const char* const vector = "KX4410 needs a vector array to send!";
    const char* const code = "KX4410 DA channels only can output digital values from 0 to 4095!";
    struct Case {
        std::vector<double> scalars;  // AD channel, code, card, DA channel, delay
        std::vector<double> codes;    // empty: a 2 x 2 matrix of 5000s
        const char* message;
    };
    const Case cases[] = {
        {{16, 12, 2, 2, -1}, {}, input},
        {{-1, 0, 0, 0, 0}, {0}, input},
        {{15.5, 0, 0, 0, 0}, {0}, input},
        {{0, 12, 2, 2, -1}, {}, output},
        {{0, 0, 0, -0.1, 0}, {0}, output},
        {{0, 0, 0, 1.5, 0}, {0}, output},
        {{0, 12, 2, 0, -1}, {}, config},
        {{0, 11.5, 0, 0, 0}, {0}, config},
        {{0, 15, 0, 0, 0}, {0}, config},
        {{0, 15.9, 0, 0, 0}, {0}, config},
        {{0, 28, 0, 0, 0}, {0}, config},
        {{0, -1, 0, 0, 0}, {0}, config},
        {{0, 0, 2, 0, -1}, {}, card},
        {{0, 0, -1, 0, 0}, {0}, card},
        {{0, 0, 1.5, 0, 0}, {0}, card},
        {{0, 0, 0, 0, -1}, {}, delay},
        {{0, 0, 0, 0, 8192}, {0}, delay},
        {{0, 0, 0, 0, 8191.5}, {0}, delay},
        {{0, 0, 0, 0, -0.001}, {0}, delay},
        {{0, 0, 0, 0, 0}, {}, vector},
        {{0, 0, 0, 0, 0}, {0, 4096}, code},
        {{0, 0, 0, 0, 0}, {-0.1}, code},
        {{0, 0, 0, 0, 0}, {5, NAN, 4095.5, -1}, code},
        {{0, 0, 0, 0, 0}, {4095.01}, code},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Array codes = c.codes.empty() ? matrix(2, 2, {5000, 5000, 5000, 5000}) : row(c.codes);
        const std::vector<double>& s = c.scalars;
        expectRefused(sendAndRead(s[0], s[1], s[2], s[3], std::move(codes), s[4]), c.message);
    }
}

TEST_F(SendAndRead, WritesEachCodeReadsTheInputAndStampsEachReading) {
    const double volts[] = {1.5, -2.25, 0.125};
    ASSERT_EQ(kxsim_queue_ad(3, volts, 3), 0);

    const Outcome o = sendAndRead(3, 2, 1, 1, row({100.7, 4095, 0}), 0);
    ASSERT_FALSE(o.raised) << o.message;

    // The first reading comes one step after the timer's start, and each
    // next one a step later: 208 counts each.
    const double step = countsIn(stepNs);
    ASSERT_EQ(step, 208);
    const std::vector<double> t = stamps(step, {step, step});
    EXPECT_EQ(o.values(0), (std::vector<double>{1.5, -2.25, 0.125, t[0], t[1], t[2]}));
    EXPECT_EQ(o.rows(0), 1u);
    EXPECT_EQ(o.cols(0), 6u);
    EXPECT_DOUBLE_EQ(t[2], 3 * 13e-6);

    const std::vector<DriverCall> expected =
        std::vector<DriverCall>{configure(3, 2)} + timerStart() +
        std::vector<DriverCall>{daWrite(1, 100),  adRead(), timerRead(65536 - 208),
                                daWrite(1, 4095), adRead(), timerRead(65536 - 416),
                                daWrite(1, 0),    adRead(), timerRead(65536 - 624)};
    EXPECT_EQ(boardLog(), expected);
    EXPECT_EQ(kxsim_da(1), 0);
    EXPECT_EQ(kxsim_ad_config(3), 2);
}

// Arguments that pass their tests, and what the driver is given for them.
TEST_F(SendAndRead, PassesTruncatedValuesToTheDriver) {
    struct Case {
        const char* what;
        double ad, config, card, da, code;
        DriverCall configured, written;
    };
    const Case cases[] = {
        {"DA channel 0.5 is 0", 0, 0, 0, 0.5, 7, configure(0, 0), daWrite(0, 7)},
        {"channel 14.9, code 27, DA 1", 14.9, 27, 1, 1, 4095, configure(14, 27), daWrite(1, 4095)},
        {"channel 15, code 11, DA code 4094.9", 15, 11, 0, 1, 4094.9, configure(15, 11),
         daWrite(1, 4094)},
        {"code 3.5, card 0.5, DA code 0.9", 2, 3.5, 0.5, 0, 0.9, configure(2, 3), daWrite(0, 0)},
        {"card NaN, DA 0.99, DA code 100.7", 1, 16, NAN, 0.99, 100.7, configure(1, 16),
         daWrite(0, 100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kxsim_clear_log();
        const Outcome o = sendAndRead(c.ad, c.config, c.card, c.da, row({c.code}), 0);
        ASSERT_FALSE(o.raised) << o.message;
        const std::vector<DriverCall> expected =
            std::vector<DriverCall>{c.configured} + timerStart() +
            std::vector<DriverCall>{c.written, adRead(), timerRead(readingAfter(stepNs))};
        EXPECT_EQ(boardLog(), expected);
    }
}

// The delay is truncated to whole microseconds and waited after every
// step, the last one included; a step longer than the counter's cycle
// (65536 counts, 4.096 ms) is stamped with what is left over of it.
TEST_F(SendAndRead, WaitsTheDelayAfterEachStepAndStampsModuloTheCounterCycle) {
    struct Case {
        double delay;
        int waitMicros;  // 0: no wait at all
        double gapCounts;
    };
    const Case cases[] = {
        {0, 0, 208},          // 13 us
        {0.5, 0, 208},        // truncated to 0: no wait
        {NAN, 0, 208},        // passes its test, truncated to 0
        {1, 1, 224},          // 14 us
        {7.9, 7, 320},        // 20 us
        {4000, 4000, 64208},  // 4013 us, just under a cycle
        {4083, 4083, 0},      // 4096 us, exactly one cycle: as if no time passed
        {5000, 5000, 14672},  // 5013 us: 80208 counts, one cycle lost
        {8191, 8191, 192},    // 8204 us: 131264 counts, two cycles lost
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("delay " + std::to_string(c.delay));
        kxsim_clear_log();
        const Outcome o = sendAndRead(1, 0, 0, 1, row({10, 20, 30}), c.delay);
        ASSERT_FALSE(o.raised) << o.message;
        const std::vector<double> t = stamps(208, {c.gapCounts, c.gapCounts});
        const std::vector<double> r = o.values(0);
        ASSERT_EQ(r.size(), 6u);
        EXPECT_EQ(std::vector<double>(r.begin() + 3, r.end()), t);

        std::vector<DriverCall> steps;
        const int64_t gapNs = stepNs + 1000 * int64_t{c.waitMicros};
        for (int k = 0; k < 3; ++k) {
            steps = steps + std::vector<DriverCall>{daWrite(1, 10 * (k + 1)), adRead(),
                                                    timerRead(readingAfter(stepNs + k * gapNs))};
            if (c.waitMicros > 0) steps.push_back(waitUs(c.waitMicros));
        }
        EXPECT_EQ(boardLog(), std::vector<DriverCall>{configure(1, 0)} + timerStart() + steps);
    }
}

// 400 steps of 13 us span 5.2 ms: the counter wraps on the way, and each
// time stamp is still the board time since the start (to the rounding of
// 400 additions, far below one count).
TEST_F(SendAndRead, StampsFollowBoardTimeAcrossCounterWraps) {
    const std::size_t n = 400;
    const Outcome o = sendAndRead(1, 0, 0, 1, row(std::vector<double>(n, 2047)), 0);
    ASSERT_FALSE(o.raised) << o.message;
    const std::vector<double> r = o.values(0);
    ASSERT_EQ(r.size(), 2 * n);
    const std::vector<double> t = stamps(208, std::vector<double>(n - 1, 208));
    EXPECT_EQ(std::vector<double>(r.begin() + n, r.end()), t);
    for (std::size_t k = 0; k < n; ++k) {
        SCOPED_TRACE("step " + std::to_string(k));
        EXPECT_NEAR(r[n + k], (k + 1) * 13e-6, 1e-12);
    }
}

// Each reading is converted from the raw reading before it, not from that
// reading's converted time.
TEST_F(SendAndRead, ConvertsTheRawReadingsAfterTheLoopInOrder) {
    const double counts[] = {100, 100, 65000, 0, 65535};
    kxsim_queue_timer(counts, 5);
    const Outcome o = sendAndRead(1, 0, 0, 1, row({1, 2, 3, 4, 5}), 0);
    ASSERT_FALSE(o.raised) << o.message;
    const std::vector<double> r = o.values(0);
    ASSERT_EQ(r.size(), 10u);
    const std::vector<double> t = stamps(65436, {0, 636, 65000, 1});
    EXPECT_EQ(std::vector<double>(r.begin() + 5, r.end()), t);
}

// Only the counter's 16 bits count: no reading makes time run backwards.
TEST_F(SendAndRead, TakesTheCountersSixteenBitsOfEachReading) {
    const double counts[] = {4294967295.0, 65520, 70000, 200000, 65536, 1};
    kxsim_queue_timer(counts, 6);
    const Outcome o = sendAndRead(1, 0, 0, 1, row({1, 2, 3, 4, 5, 6}), 0);
    ASSERT_FALSE(o.raised) << o.message;
    const std::vector<double> r = o.values(0);
    ASSERT_EQ(r.size(), 12u);
    // As 16 bits: 65535, 65520, 4464, 3392, 0, 1.
    const std::vector<double> t = stamps(1, {15, 61056, 1072, 3392, 65535});
    EXPECT_EQ(std::vector<double>(r.begin() + 6, r.end()), t);
}

TEST_F(SendAndRead, AnEmptyVectorStillConfiguresAndStartsTheTimer) {
    for (const bool asRow : {true, false}) {
        SCOPED_TRACE(asRow ? "1 x 0" : "0 x 1");
        kxsim_clear_log();
        const Outcome o = sendAndRead(4, 17, 0, 1, asRow ? matrix(1, 0) : matrix(0, 1), 100);
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(o.rows(0), 1u);
        EXPECT_EQ(o.cols(0), 0u);
        EXPECT_EQ(boardLog(), std::vector<DriverCall>{configure(4, 17)} + timerStart());
    }
}

TEST_F(SendAndRead, ARowTheMachineCannotHoldIsRefusedBeforeTheDriverIsTouched) {
    // On a machine of 64 KiB the row may hold 4096 values: 2048 steps.
    const PhysicalMemory machine(64ull << 10);
    const Outcome fits = sendAndRead(0, 0, 0, 0, matrix(1, 2048), 0);
    ASSERT_FALSE(fits.raised) << fits.message;
    EXPECT_EQ(fits.cols(0), 4096u);
    kxsim_clear_log();
    const Outcome refused = sendAndRead(0, 0, 0, 0, matrix(1, 2049), 0);
    expectRefused(refused, "KX4410 needs a vector array to send!");
    EXPECT_EQ(refused.identifier, "KX4410:SendAndRead:notVector");
}

TEST_F(SendAndRead, ADriverFailureEndsTheCallThere) {
    const std::vector<DriverCall> started = std::vector<DriverCall>{configure(1, 0)} + timerStart();
    const std::vector<DriverCall> firstStep = {daWrite(1, 10), adRead(),
                                               timerRead(readingAfter(stepNs))};
    expectFailures(
        {
            {"ConfigureAnalogIn", 1, 5, "KX4410 error in setting quantification window!",
             {configure(1, 0, 5)}},
            {"GetBoardAddress", 1, 19, "KX4410 error retrieving active board information!",
             {configure(1, 0), {"GetActiveBoard", {}, 0}, {"GetBoardAddress", {0}, 19}}},
            {"WriteTimerControl", 1, 2, "KX4410 error starting the interval timer!",
             {configure(1, 0), {"GetActiveBoard", {}, 0}, {"GetBoardAddress", {0}, 0},
              {"WriteTimerControl", {board0Address, 2, 182, 0}, 2}}},
            {"WriteAnalogOut", 1, 13, "KX4410 error at DA sending!",
             started + std::vector<DriverCall>{daWrite(1, 10, 13)}},
            {"WriteAnalogOut", 2, 16, "KX4410 error at DA sending!",
             started + firstStep + std::vector<DriverCall>{daWrite(1, 20, 16)}},
            {"ReadAnalogIn", 1, 4, "KX4410 error at reading AD!",
             started + std::vector<DriverCall>{daWrite(1, 10), adRead(4)}},
            {"ReadAnalogIn", 2, 65535, "KX4410 error at reading AD!",
             started + firstStep + std::vector<DriverCall>{daWrite(1, 20), adRead(65535)}},
        },
        [] { return sendAndRead(1, 0, 0, 1, row({10, 20, 30}), 0); });
}

TEST_F(SendAndRead, AFailedWaitIsIgnored) {
    ASSERT_EQ(kxsim_inject("DelayMicros", 1, 14), 0);
    const Outcome o = sendAndRead(1, 0, 0, 1, row({10, 20}), 3);
    ASSERT_FALSE(o.raised) << o.message;
    const std::vector<DriverCall> log = boardLog();
    ASSERT_EQ(log.size(), 12u);
    EXPECT_EQ(log[7], waitUs(3, 14));
    EXPECT_EQ(log[11], waitUs(3));
}

}  // namespace
