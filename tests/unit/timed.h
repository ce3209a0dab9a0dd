// What the timed plug-in tests share: a board whose every operation has a
// known cost, so that each counter reading and each time stamp follows from
// the costs and waits alone, and the calls that start the time base.
#ifndef KX4410_TESTS_TIMED_H
#define KX4410_TESTS_TIMED_H

#include <cstdint>
#include <string>
#include <vector>

#include "board.h"

namespace timed {

// Board 0's address word.
const double address = 0xE000;
// One count of timer counter 2 in seconds: half a period of its 8 MHz clock.
const double count = 6.25e-8;

// Board time of each operation in ns, all multiples of the counter's
// 125 ns tick.
const std::int64_t configureNs = 2000;
const std::int64_t timerControlNs = 1000;
const std::int64_t timerReadNs = 1000;
const std::int64_t daWriteNs = 2000;
const std::int64_t adReadNs = 10000;

inline void setKnownCosts() {
    for (const char* op : {"GetLibraryVersion", "OpenDriver", "CloseDriver", "GetDriverVersion",
                           "GetBoardAddress", "ActivateBoard", "GetActiveBoard"})
        ASSERT_EQ(kxsim_set_cost(op, 0), 0) << op;
    ASSERT_EQ(kxsim_set_cost("ConfigureAnalogIn", configureNs), 0);
    ASSERT_EQ(kxsim_set_cost("WriteTimerControl", timerControlNs), 0);
    ASSERT_EQ(kxsim_set_cost("ReadTimerCounter", timerReadNs), 0);
    ASSERT_EQ(kxsim_set_cost("WriteAnalogOut", daWriteNs), 0);
    ASSERT_EQ(kxsim_set_cost("ReadAnalogIn", adReadNs), 0);
}

// The counts counter 2 drops in ns of board time: 2 per tick, modulo its
// 16-bit cycle.
inline double countsIn(std::int64_t ns) { return static_cast<double>((2 * (ns / 125)) % 65536); }
// Its reading ns after it was started at its full cycle.
inline double readingAfter(std::int64_t ns) {
    return static_cast<double>((65536 - static_cast<std::int64_t>(countsIn(ns))) % 65536);
}

// Time stamps from the counts of the first stamp (since the start) and the
// counts between each stamp and the next.
inline std::vector<double> stamps(double firstCounts, const std::vector<double>& gapCounts) {
    std::vector<double> t = {firstCounts * count};
    for (double gap : gapCounts) t.push_back(t.back() + gap * count);
    return t;
}

inline DriverCall configure(double channel, double code, double status = 0) {
    return {"ConfigureAnalogIn", {channel, code}, status};
}
inline std::vector<DriverCall> timerStart() {
    return {{"GetActiveBoard", {}, 0},
            {"GetBoardAddress", {0}, 0},
            {"WriteTimerControl", {address, 2, 182, 0}, 0}};
}
inline DriverCall timerRead(double reading) {
    return {"ReadTimerCounter", {address, 2, 128}, reading};
}
inline DriverCall daWrite(double channel, double code, double status = 0) {
    return {"WriteAnalogOut", {channel, code}, status};
}
inline DriverCall adRead(double status = 0) { return {"ReadAnalogIn", {}, status}; }
inline DriverCall wait(double micros) { return {"DelayMicros", {micros}, 0}; }

inline std::vector<DriverCall> operator+(std::vector<DriverCall> a,
                                         const std::vector<DriverCall>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline std::vector<mexhost::Array> numbers(const std::vector<double>& values) {
    std::vector<mexhost::Array> v;
    for (double x : values) v.push_back(mexhost::scalar(x));
    return v;
}

// A refused call: its message, no result, and not one driver call.
inline void expectRefused(const mexhost::Outcome& o, const std::string& message) {
    EXPECT_TRUE(o.raised);
    EXPECT_EQ(o.message, message);
    for (const mexhost::Array& r : o.results) EXPECT_FALSE(r);
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{});
}

class TimedTest : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        setKnownCosts();
        openSession();
    }
};

}  // namespace timed

#endif
