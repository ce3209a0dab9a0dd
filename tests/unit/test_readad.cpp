// KX4410_ReadAD: its refusals in their order, the driver calls of a burst,
// the readings it hands back, and what a driver failure leaves.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "gateway.h"
#include "singleshot.h"

using namespace mexhost;
using namespace io;

namespace {

const char* const help =
    "This function needs: \n\tAD input channel number (0-15)\n\tconfiguration code\n"
    "\ttype of card (0-1)\n\t[optional] number of reads\n"
    "\t[optional] delay interreads (microseconds, maximum 8191)\n";

const DriverCall reading = adRead();

// The host's largest array dimension: 2^63 - 1 on 64-bit hosts, 2^31 - 1 on
// 32-bit ones (as a double, 2^63 and 2147483647).
const double largestCount = static_cast<double>(PTRDIFF_MAX);

using ReadAD = SessionTest;

}  // namespace

TEST_F(ReadAD, CountTestsComeFirstResultsBeforeArguments) {
    const char* const results = "This function yields one result value!";
    expectCountTests("KX4410_ReadAD", {{0, 3, results}, {2, 3, results}, {2, 6, results},
                                       {1, 0, help}, {1, 2, help}, {1, 6, help}});
}

TEST_F(ReadAD, ArgumentsAreTestedInOrderAndOnlyTheFirstFailureIsReported) {
    const char* const channel = "KX4410 AD channels range from #0 to #15!";
    const char* const code = "KX4410 configuration code invalid!";
    const char* const card = "KX4410 types of card can be only 0 or 1!";
    const char* const reads = "KX4410 cannot read that number of data!";
    const char* const delay = "KX4410 cannot delay that number!";
    struct Case {
        std::vector<double> args;
        const char* message;
    };
    const Case cases[] = {
        {{20, 12, 2, 0, -1}, channel},
        {{-1, 0, 0}, channel},
        {{16, 0, 0}, channel},
        {{15.5, 0, 0}, channel},
        {{0, 12, 2, 0, -1}, code},
        {{0, 11.5, 0}, code},
        {{0, 15, 0}, code},
        {{0, 15.9, 0}, code},
        {{0, 28, 0}, code},
        {{0, -1, 0}, code},
        {{0, 0, 2, 0, -1}, card},
        {{0, 0, -1}, card},
        {{0, 0, 0.5}, card},
        {{0, 0, NAN}, card},
        {{0, 0, 0, 0, -1}, reads},
        {{0, 0, 1, -2}, reads},
        {{0, 0, 1, -INFINITY}, reads},
        {{0, 0, 1, INFINITY, -1}, reads},
        {{0, 0, 1, 9223372036854775808.0}, reads},  // 2^63: no host array is that long
        {{0, 0, 1, largestCount}, reads},           // nor PTRDIFF_MAX, on this host
        {{0, 0, 0, 1, 8191.5}, delay},
        {{0, 0, 0, 1, 8192}, delay},
        {{0, 0, 0, 1, -1}, delay},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(show(c.args));
        expectRefused(call("KX4410_ReadAD", 1, numbers(c.args)), c.message);
    }
}

TEST_F(ReadAD, EveryArgumentIsFetchedBeforeTheFirstRangeTest) {
    expectRefused(call("KX4410_ReadAD", 1, args(scalar(20), scalar(0), scalar(0), text("3"))),
                  "KX4410 argument is empty or not numeric!");
}

TEST_F(ReadAD, ConfiguresOnceThenReadsAndWaitsAfterEveryReading) {
    struct Case {
        std::vector<double> args;
        std::vector<DriverCall> log;
    };
    const Case cases[] = {
        // Three arguments: one reading, no wait.
        {{2, 0, 0}, {configure(2, 0), reading}},
        {{14.7, 3.5, 1}, {configure(14, 3), reading}},
        {{0, 27, 0, 3, 100},
         {configure(0, 27), reading, waitUs(100), reading, waitUs(100), reading, waitUs(100)}},
        {{1, 16, 1, 2, 0.5}, {configure(1, 16), reading, waitUs(0), reading, waitUs(0)}},
        {{0, 11, 0, 2, 8191}, {configure(0, 11), reading, waitUs(8191), reading, waitUs(8191)}},
        {{0, 0, 0, 2, 0}, {configure(0, 0), reading, reading}},
        {{0, 0, 0, 2, NAN}, {configure(0, 0), reading, reading}},
        // trunc(N) readings, exactly as many as the row holds.
        {{0, 0, 0, 2.5}, {configure(0, 0), reading, reading}},
        {{0, 0, 0, 0.5}, {configure(0, 0)}},
        {{5, 6, 0, NAN}, {configure(5, 6)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(show(c.args));
        kxsim_clear_log();
        Outcome o = call("KX4410_ReadAD", 1, numbers(c.args));
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(boardLog(), c.log);
        EXPECT_EQ(o.rows(0), 1u);
        EXPECT_EQ(o.cols(0), countOf(c.log, reading));
    }
}

TEST_F(ReadAD, ReadingsComeBackInOrderWidenedExactlyFromFloat) {
    const double volts[] = {1.5, -2.25, 0.1};
    kxsim_queue_ad(3, volts, 3);
    Outcome o = call("KX4410_ReadAD", 1, numbers({3, 0, 0, 3}));
    ASSERT_FALSE(o.raised) << o.message;
    EXPECT_EQ(o.values(0), (std::vector<double>{1.5, -2.25, static_cast<double>(0.1f)}));
}

TEST_F(ReadAD, ACountAbove16BitsFillsTheWholeRow) {
    const std::size_t n = 70000;
    std::vector<double> volts(n);
    for (std::size_t k = 0; k < n; ++k) volts[k] = static_cast<float>(k * 1e-4);
    kxsim_queue_ad(2, volts.data(), n);
    Outcome o = call("KX4410_ReadAD", 1, numbers({2, 0, 0, static_cast<double>(n)}));
    ASSERT_FALSE(o.raised) << o.message;
    EXPECT_EQ(o.values(0), volts);
    EXPECT_EQ(kxsim_log_size(), n + 1);
}

TEST_F(ReadAD, ACountLongerThanTheLongestRowIsRefusedBeforeTheDriverIsTouched) {
    const double longest = static_cast<double>(kx::maxRowLength);
    // 2^61, 2^62 and 3 x 2^61 wrap to 0 bytes in Octave's own row creation.
    for (double n : {2305843009213693952.0, 4611686018427387904.0, 6917529027641081856.0,
                     9223372036854774784.0, std::nextafter(longest + 1, INFINITY), 2 * longest}) {
        SCOPED_TRACE(n);
        expectRefused(call("KX4410_ReadAD", 1, numbers({0, 0, 0, n})),
                      "KX4410 cannot read that number of data!");
    }
}

// On a machine of 64 MiB a row may take 32 MiB: 2^22 readings, whatever the
// host's word size (its address space is larger).
const double mib64Readings = 4194304;

TEST_F(ReadAD, ACountWhoseRowTheMachineCannotHoldIsRefusedBeforeTheDriverIsTouched) {
    const PhysicalMemory machine(64ull << 20);
    // 2^31 readings (16 GiB) once filled a 24 GiB machine until the system
    // ended the host.
    for (double n : {mib64Readings + 1, mib64Readings + 1.5, 2 * mib64Readings, 2147483648.0,
                     1099511627776.0 /* 2^40 */}) {
        SCOPED_TRACE(n);
        const Outcome o = call("KX4410_ReadAD", 1, numbers({2, 0, 0, n}));
        expectRefused(o, "KX4410 cannot read that number of data!");
        EXPECT_EQ(o.identifier, "KX4410:ReadAD:readCount");
    }
    // Its place among the argument tests stays: before the delay's.
    expectRefused(call("KX4410_ReadAD", 1, numbers({2, 0, 0, mib64Readings + 1, 9000})),
                  "KX4410 cannot read that number of data!");
}

TEST_F(ReadAD, ACountWhoseRowTheMachineHoldsPassesItsTest) {
    {
        const PhysicalMemory machine(64ull << 20);
        // The configuration fails instead, after the row was made.
        for (double n : {mib64Readings, mib64Readings + 0.9}) {
            SCOPED_TRACE(n);
            kxsim_clear_log();
            ASSERT_EQ(kxsim_inject("ConfigureAnalogIn", 1, 5), 0);
            expectFailed(call("KX4410_ReadAD", 1, numbers({2, 0, 0, n})),
                         "KX4410 error in setting quantification window!");
            EXPECT_EQ(boardLog(), std::vector<DriverCall>{configure(2, 0, 5)});
        }
    }
    // On a machine of 64 KiB, 4096 readings are taken, one more refused.
    const PhysicalMemory machine(64ull << 10);
    kxsim_clear_log();
    Outcome o = call("KX4410_ReadAD", 1, numbers({2, 0, 0, 4096}));
    ASSERT_FALSE(o.raised) << o.message;
    EXPECT_EQ(o.cols(0), 4096u);
    EXPECT_EQ(countOf(boardLog(), reading), 4096u);
    kxsim_clear_log();
    expectRefused(call("KX4410_ReadAD", 1, numbers({2, 0, 0, 4097})),
                  "KX4410 cannot read that number of data!");
}

TEST_F(ReadAD, ADriverFailureEndsTheCallWithItsOperationsMessage) {
    struct Case {
        const char* op;
        int n;
        double status;
        std::vector<double> args;
        const char* message;
        std::vector<DriverCall> log;
    };
    const Case cases[] = {
        {"ConfigureAnalogIn", 1, 5, {4, 2, 0, 3}, "KX4410 error in setting quantification window!",
         {configure(4, 2, 5)}},
        {"ReadAnalogIn", 2, 9, {4, 2, 0, 3}, "KX4410 error at reading AD!",
         {configure(4, 2), reading, adRead(9)}},
        {"DelayMicros", 2, 14, {4, 2, 0, 3, 10}, "KX4410 error at delaying!",
         {configure(4, 2), reading, waitUs(10), reading, waitUs(10, 14)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        kxsim_reset();
        openSession();
        kxsim_inject(c.op, c.n, c.status);
        expectFailed(call("KX4410_ReadAD", 1, numbers(c.args)), c.message);
        EXPECT_EQ(boardLog(), c.log);
    }
    // The channel stays configured as the failed call left it.
    EXPECT_EQ(kxsim_ad_config(4), 2);
}

TEST_F(ReadAD, TheDriverAnswersForValuesTheTestsLetThrough) {
    // A NaN channel passes its test and has no 32-bit value.
    expectFailed(call("KX4410_ReadAD", 1, numbers({NAN, 0, 0})),
                 "KX4410 error in setting quantification window!");
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{configure(noInt32, 0, 12)});

    kxsim_reset();  // no session
    expectFailed(call("KX4410_ReadAD", 1, numbers({0, 0, 0})),
                 "KX4410 error in setting quantification window!");
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{configure(0, 0, 1)});
}

TEST_F(ReadAD, ABurstTakesItsConversionsAndWaitsOfBoardTime) {
    kxsim_set_cost("ConfigureAnalogIn", 2000);
    kxsim_set_cost("ReadAnalogIn", 10000);
    const int64_t start = kxsim_now_ns();
    Outcome o = call("KX4410_ReadAD", 1, numbers({0, 0, 0, 4, 250}));
    ASSERT_FALSE(o.raised) << o.message;
    EXPECT_EQ(kxsim_now_ns() - start, 2000 + 4 * (10000 + 250000));
}
