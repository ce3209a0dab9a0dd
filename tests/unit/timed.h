// What the timed plug-in tests share: a board whose every operation has a
// known cost, so that each counter reading and each time stamp follows from
// the costs and waits alone.
#ifndef KX4410_TESTS_TIMED_H
#define KX4410_TESTS_TIMED_H

#include <cstdint>
#include <string>
#include <vector>

#include "board.h"

namespace timed {

// One count of timer counter 2 in seconds: half a period of its 8 MHz clock.
const double count = 6.25e-8;

// Board time of each operation in ns, all multiples of the counter's
// 125 ns tick.
const int64_t configureNs = 2000;
const int64_t timerControlNs = 1000;
const int64_t timerReadNs = 1000;
const int64_t daWriteNs = 2000;
const int64_t adReadNs = 10000;

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
inline double countsIn(int64_t ns) { return static_cast<double>((2 * (ns / 125)) % 65536); }
// Its reading ns after it was started at its full cycle.
inline double readingAfter(int64_t ns) {
    return static_cast<double>((65536 - static_cast<int64_t>(countsIn(ns))) % 65536);
}

// Time stamps from the counts of the first stamp (since the start) and the
// counts between each stamp and the next.
inline std::vector<double> stamps(double firstCounts, const std::vector<double>& gapCounts) {
    std::vector<double> t = {firstCounts * count};
    for (double gap : gapCounts) t.push_back(t.back() + gap * count);
    return t;
}

class TimedTest : public BoardTest {
protected:
    void SetUp() override { restart(); }
    // Power-on again, then the known costs and a session with a clean log.
    void restart() {
        BoardTest::SetUp();
        setKnownCosts();
        openSession();
    }

    // The nth call of op answers status.
    struct Failure {
        const char* op;
        int nth;
        double status;
        const char* message;
        std::vector<DriverCall> log;  // up to the failing call
    };
    // Each failure on a fresh session ends the call at once: its message, no
    // result and nothing after it on the board.
    template <class Call>
    void expectFailures(const std::vector<Failure>& failures, Call call) {
        for (const Failure& f : failures) {
            SCOPED_TRACE(std::string(f.op) + " #" + std::to_string(f.nth));
            restart();
            ASSERT_EQ(kxsim_inject(f.op, f.nth, f.status), 0);
            expectFailed(call(), f.message);
            EXPECT_EQ(boardLog(), f.log);
        }
    }
};

}  // namespace timed

#endif
