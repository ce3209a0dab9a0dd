// The interval-timer time base: readings to seconds, and how it starts and
// reads counter 2 of the simulated board.
#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "board.h"
#include "timebase.h"
#include "x87.h"

namespace kx {
void PrintTo(TimerStart s, std::ostream* os) {
    *os << (s == TimerStart::started          ? "started"
            : s == TimerStart::noBoardAddress ? "noBoardAddress"
                                              : "timerNotStarted");
}
}  // namespace kx

namespace {

// One count of counter 2: half a period of its 8 MHz clock.
const double count = 6.25e-8;

struct Conversion {
    const char* what;
    double reading;
    double previousReading;
    double previousTime;
    bool first;
    double seconds;
};

void PrintTo(const Conversion& c, std::ostream* os) { *os << c.what; }

class Elapsed : public ::testing::TestWithParam<Conversion> {};

// In double, in the order written, whatever the host's x87 precision.
TEST_P(Elapsed, TurnsAReadingIntoSecondsSinceTheStart) {
    const Conversion& c = GetParam();
    const ExtendedX87Precision extended;
    EXPECT_EQ(kx::elapsed(c.reading, c.previousReading, c.previousTime, c.first), c.seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Elapsed,
    ::testing::Values(Conversion{"first one count below the cycle", 65535, 0, 0, true, 6.25e-8},
                      Conversion{"first at 0 is a whole cycle", 0, 0, 0, true, 0.004096},
                      Conversion{"first 16 counts in", 65520, 0, 0, true, 1e-6},
                      Conversion{"first ignores what came before", 65535, 7, 99, true, 6.25e-8},
                      Conversion{"a drop of 100 counts", 1000, 1100, 0.5, false, 0.5 + 100 * count},
                      Conversion{"a drop of one count", 4, 5, 0.25, false, 0.25 + count},
                      Conversion{"a drop from the top to 0", 0, 65535, 0.125, false,
                                 0.125 + 65535 * count},
                      Conversion{"equal readings add nothing", 1000, 1000, 0.25, false, 0.25},
                      Conversion{"equal zeros add nothing", 0, 0, 0.004096, false, 0.004096},
                      Conversion{"a wrap: up from 100 to 65000", 65000, 100, 0.001, false,
                                 0.001 + (65536 - 65000 + 100) * count},
                      Conversion{"a wrap of one count", 65535, 0, 0.5, false, 0.5 + count},
                      Conversion{"a wrap from 1 to 2", 2, 1, 0.5, false, 0.5 + 65535 * count},
                      // 444 counts after 0.1 s: 0.10002775000000001 in double;
                      // extended precision rounds to one unit less, 0.10002775.
                      Conversion{"a sum whose extended rounding differs", 1000, 1444, 0.1, false,
                                 0x1.99b6b2af14553p-4}),
    // The description in CamelCase: "a drop of one count" is ADropOfOneCount.
    [](const ::testing::TestParamInfo<Conversion>& info) {
        std::string name;
        bool wordStart = true;
        for (const char* p = info.param.what; *p; ++p) {
            const unsigned char ch = static_cast<unsigned char>(*p);
            if (!std::isalnum(ch)) {
                wordStart = true;
                continue;
            }
            name += wordStart ? static_cast<char>(std::toupper(ch)) : *p;
            wordStart = false;
        }
        return name;
    });

// Readings in a row, each converted from the one before it, against the
// total number of counts that passed.
TEST(ElapsedSequence, AddsUpTheCountsBetweenReadings) {
    const std::vector<double> readings = {65535, 65535, 65000, 100, 65500, 0, 0};
    const std::vector<double> totalCounts = {1, 1, 536, 65436, 65572, 131072, 131072};
    double previous = 0, time = 0;
    for (std::size_t k = 0; k < readings.size(); ++k) {
        SCOPED_TRACE("reading " + std::to_string(k));
        time = kx::elapsed(readings[k], previous, time, k == 0);
        previous = readings[k];
        EXPECT_DOUBLE_EQ(time, totalCounts[k] * count);
    }
}

class TimeBaseOnBoard : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        for (const char* op :
             {"GetActiveBoard", "GetBoardAddress", "WriteTimerControl", "ReadTimerCounter"})
            ASSERT_EQ(kxsim_set_cost(op, 0), 0);
        ASSERT_EQ(kxsim_set_cost("WriteTimerControl", 1000), 0);
        ASSERT_EQ(kxsim_set_cost("ReadTimerCounter", 1000), 0);
    }
};

TEST_F(TimeBaseOnBoard, StartsCounterTwoOfTheActiveBoardAtItsFullCycle) {
    openSession();
    const kx::TimeBase timer = kx::TimeBase::start();
    EXPECT_EQ(timer.status, kx::TimerStart::started);
    EXPECT_EQ(timer.address, 0xE000);
    EXPECT_EQ(boardLog(), timerStart(0, 0xE000));
}

TEST_F(TimeBaseOnBoard, PassesTheActiveBoardOnToTheAddressLookUp) {
    kxsim_set_boards(3);
    uint16_t boards = 0;
    ASSERT_EQ(OpenDriver(&boards), 0);
    ASSERT_EQ(ActivateBoard(2), 0);
    kxsim_clear_log();

    const kx::TimeBase timer = kx::TimeBase::start();
    EXPECT_EQ(timer.status, kx::TimerStart::started);
    EXPECT_EQ(timer.address, 0xE200);
    EXPECT_EQ(boardLog(), timerStart(2, 0xE200));
}

// Counter 2 drops by 2 counts every 125 ns of board time from its start.
TEST_F(TimeBaseOnBoard, ReadsTheLatchedCountOfCounterTwo) {
    openSession();
    const kx::TimeBase timer = kx::TimeBase::start();
    struct Step {
        int waitMicros;  // before the read
        double reading;
    };
    // Reads cost 1 us (16 counts) each; board time since the start in the
    // comments. 4.096 ms after the start the counter is back at its top.
    const Step steps[] = {
        {0, 65520},    // 1 us
        {0, 65504},    // 2 us
        {3, 65440},    // 6 us
        {4000, 1424},  // 4007 us: 64112 counts
        {100, 65344},  // 4108 us: 65536 + 192 counts
    };
    for (const Step& s : steps) {
        SCOPED_TRACE("after a wait of " + std::to_string(s.waitMicros) + " us");
        if (s.waitMicros > 0) {
            ASSERT_EQ(DelayMicros(s.waitMicros), 0);
        }
        kxsim_clear_log();
        EXPECT_EQ(timer.read(), s.reading);
        EXPECT_EQ(boardLog(), std::vector<DriverCall>{timerRead(s.reading, 0xE000)});
    }
}

// A failed step of the start is reported, and nothing follows it.
TEST_F(TimeBaseOnBoard, ReportsAFailedAddressLookUpOrTimerStart) {
    struct Case {
        const char* op;
        double status;
        kx::TimerStart reported;
        std::vector<DriverCall> log;
    };
    const Case cases[] = {
        {"GetBoardAddress", 19, kx::TimerStart::noBoardAddress,
         {{"GetActiveBoard", {}, 0}, {"GetBoardAddress", {0}, 19}}},
        {"WriteTimerControl", 2, kx::TimerStart::timerNotStarted,
         {{"GetActiveBoard", {}, 0},
          {"GetBoardAddress", {0}, 0},
          {"WriteTimerControl", {0xE000, 2, 182, 0}, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        BoardTest::SetUp();
        openSession();
        ASSERT_EQ(kxsim_inject(c.op, 1, c.status), 0);
        EXPECT_EQ(kx::TimeBase::start().status, c.reported);
        EXPECT_EQ(boardLog(), c.log);
    }
}

// The counter has 16 bits: what the driver returns above them is dropped.
TEST_F(TimeBaseOnBoard, TakesTheCountersSixteenBits) {
    openSession();
    const kx::TimeBase timer = kx::TimeBase::start();
    struct Case {
        double returned, reading;
    };
    for (const Case c : {Case{70000, 4464}, Case{4294967295.0, 65535}, Case{65536, 0},
                         Case{32768, 32768}}) {
        SCOPED_TRACE(c.returned);
        ASSERT_EQ(kxsim_inject("ReadTimerCounter", 1, c.returned), 0);
        EXPECT_EQ(timer.read(), c.reading);
    }
}

}  // namespace
