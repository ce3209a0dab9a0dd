// Ctrl-C in the five loops that can run long: an interrupt requested at the
// n-th driver call ends the run at the loop's next check, with the safe
// writes and nothing after them, the interrupt message and no result; the
// next call runs as usual. The request comes from our host's interrupt
// probe, which says yes once the board's log holds n calls.
#include <functional>
#include <string>
#include <vector>

#include "board.h"
#include "kxhost.h"

using namespace mexhost;

namespace {

const char* const interrupted = "KX4410 run interrupted!";

std::size_t interruptAt = 0;
int reached() { return kxsim_log_size() >= interruptAt ? 1 : 0; }

struct LongCall {
    const char* function;
    int nlhs;
    std::function<std::vector<Array>()> args;
};

Outcome run(const LongCall& c) { return mexhost::call(c.function, c.nlhs, c.args()); }

std::function<std::vector<Array>()> scalarArgs(std::vector<double> values) {
    return [values] { return numbers(values); };
}
// Scalars with a row in place of argument k.
std::function<std::vector<Array>()> withRow(std::vector<double> values, std::size_t k,
                                            std::vector<double> row) {
    return [values, k, row] {
        std::vector<Array> a = numbers(values);
        a[k] = mexhost::row(row);
        return a;
    };
}

const LongCall readWaiting{"KX4410_ReadAD", 1, scalarArgs({2, 0, 0, 5, 100})};  // C (R D) x 5
const LongCall readBurst{"KX4410_ReadAD", 1, scalarArgs({2, 0, 0, 5})};         // C R x 5
const LongCall sendVector{"KX4410_SendDA", 1, withRow({1, 0, 0, 50}, 2, {10, 20, 30, 40})};  // (W D) x 4
const LongCall sendOne{"KX4410_SendDA", 1, scalarArgs({0, 300})};                            // W
// Per period W(3000) D(500) W(2047) D(8000) D(8000) D(500).
const LongCall pwmLong{"KX4410_SendPWM", 1, scalarArgs({0, 3000, 17, 500, 3})};
// Per period W(4095) D(0) W(2047) D(1000).
const LongCall pwmShort{"KX4410_SendPWM", 1, scalarArgs({1, 4095, 1, 0, 4})};
// C GetActiveBoard GetBoardAddress WriteTimerControl, then (W R T D) x 3.
const LongCall sendAndRead{"KX4410_SendAndRead", 1, withRow({3, 0, 0, 1, 0, 50}, 4, {100, 200, 300})};
// C and the timer start, then (T R W D) x 4; without a period (T R W) x 4.
const LongCall pid{"KX4410_PID", 4, withRow({0, 0, 0, 1, 0, 100, 1, 0, 0}, 4, {1, 1, 1, 1})};
const LongCall pidNoWait{"KX4410_PID", 4, withRow({0, 0, 0, 0, 0, 0, 1, 0, 0}, 4, {1, 1, 1, 1})};

class Interrupt : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        kxhost_set_interrupt_probe(nullptr);
    }
    void TearDown() override { kxhost_set_interrupt_probe(nullptr); }

    // The run's log without a Ctrl-C, on a fresh session.
    std::vector<DriverCall> uninterrupted(const LongCall& r) {
        SetUp();
        const Outcome o = run(r);
        EXPECT_FALSE(o.raised) << o.message;
        return boardLog();
    }
    // A fresh session whose user presses Ctrl-C at the n-th driver call.
    void pressCtrlCAt(std::size_t n) {
        SetUp();
        interruptAt = n;
        kxhost_set_interrupt_probe(reached);
    }
};

}  // namespace

TEST_F(Interrupt, EndsTheLoopAtItsNextCheckWithTheSafeWritesAndNothingAfter) {
    struct Case {
        const char* name;
        const LongCall& run;
        std::size_t n;                 // Ctrl-C at this driver call
        std::size_t stop;              // the calls of the run made before the stop
        std::vector<DriverCall> safe;  // then these
    };
    const Case cases[] = {
        {"ReadAD: at a read, after its wait", readWaiting, 4, 5, {}},
        {"ReadAD: at a wait", readWaiting, 5, 5, {}},
        {"ReadAD: at the configuration, after the first reading", readWaiting, 1, 3, {}},
        {"ReadAD: at the last wait", readWaiting, 11, 11, {}},
        {"ReadAD without waits: after the read", readBurst, 3, 3, {}},
        {"SendDA: at a write, after its wait", sendVector, 3, 4, {}},
        {"SendDA: a single code", sendOne, 1, 1, {}},
        {"SendPWM: at the high write, after the duty wait", pwmLong, 1, 2, {daWrite(0, 2047)}},
        {"SendPWM: at the low write, after the first rest chunk", pwmLong, 3, 4, {daWrite(0, 2047)}},
        {"SendPWM: at a rest chunk", pwmLong, 5, 5, {daWrite(0, 2047)}},
        {"SendPWM: at the remainder", pwmLong, 6, 6, {daWrite(0, 2047)}},
        {"SendPWM: second period, at its duty wait", pwmLong, 8, 8, {daWrite(0, 2047)}},
        {"SendPWM: short period, at the rest", pwmShort, 8, 8, {daWrite(1, 2047)}},
        {"SendAndRead: at the timer start, after the first step", sendAndRead, 2, 8, {}},
        {"SendAndRead: at a read, after the step's wait", sendAndRead, 10, 12, {}},
        {"PID: at a step's AD read, after its wait", pid, 10, 12, {daWrite(1, 2047)}},
        {"PID: at the last wait", pid, 20, 20, {daWrite(1, 2047)}},
        {"PID without a period: after the step's DA write", pidNoWait, 5, 7, {daWrite(0, 2047)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<DriverCall> full = uninterrupted(c.run);
        ASSERT_LE(c.stop, full.size());
        pressCtrlCAt(c.n);
        const Outcome stopped = run(c.run);
        expectFailed(stopped, interrupted);
        EXPECT_EQ(stopped.identifier,
                  "KX4410:" + std::string(c.run.function).substr(7) + ":interrupted");
        EXPECT_EQ(boardLog(), std::vector<DriverCall>(full.begin(), full.begin() + c.stop) + c.safe);

        // One Ctrl-C, one stop: the same run again goes to its end.
        kxsim_clear_log();
        const Outcome again = run(c.run);
        EXPECT_FALSE(again.raised) << again.message;
        EXPECT_EQ(boardLog().size(), full.size());
    }
}

TEST_F(Interrupt, AFailedSafeWriteSaysSo) {
    struct Case {
        const LongCall& run;
        std::size_t n;
        int safeWrite;  // the safe write is this next WriteAnalogOut
        double channel;
    };
    for (const Case& c : {Case{pwmLong, 1, 2, 0}, Case{pid, 6, 2, 1}}) {
        SCOPED_TRACE(c.run.function);
        pressCtrlCAt(c.n);
        ASSERT_EQ(kxsim_inject("WriteAnalogOut", c.safeWrite, 16), 0);
        expectFailed(run(c.run), "KX4410 error at DA sending!");
        EXPECT_EQ(boardLog().back(), daWrite(c.channel, 2047, 16));
    }
}
