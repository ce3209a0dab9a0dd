// What the plug-in tests share: a simulated board at power-on before every
// test, its call log (calllog.h), the driver calls a plug-in makes,
// and the plug-in call with the checks of a call that raised.
#ifndef KX4410_TESTS_BOARD_H
#define KX4410_TESTS_BOARD_H

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "calllog.h"
#include "kxhost.h"
#include "kxsim.h"
#include "mexhost.h"

// The driver calls as the log shows them; status is the operation's result.
inline DriverCall configure(double channel, double code, double status = 0) {
    return {"ConfigureAnalogIn", {channel, code}, status};
}
inline DriverCall adRead(double status = 0) { return {"ReadAnalogIn", {}, status}; }
inline DriverCall daWrite(double channel, double code, double status = 0) {
    return {"WriteAnalogOut", {channel, code}, status};
}
inline DriverCall waitUs(double micros, double status = 0) { return {"DelayMicros", {micros}, status}; }

// Board 0's address word.
const double board0Address = 0xE000;

// The time base's start: the active board's address looked up, then timer
// counter 2 programmed for its full cycle.
inline std::vector<DriverCall> timerStart(double board = 0, double address = board0Address) {
    return {{"GetActiveBoard", {}, board},
            {"GetBoardAddress", {board}, 0},
            {"WriteTimerControl", {address, 2, 182, 0}, 0}};
}
// A latched read of counter 2.
inline DriverCall timerRead(double reading, double address = board0Address) {
    return {"ReadTimerCounter", {address, 2, 128}, reading};
}

inline std::vector<DriverCall> operator+(std::vector<DriverCall> a,
                                         const std::vector<DriverCall>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The operation names of the log, for tests about order alone.
inline std::vector<std::string> boardOps() {
    std::vector<std::string> ops;
    for (const DriverCall& c : boardLog()) ops.push_back(c.op);
    return ops;
}

inline std::vector<mexhost::Array> numbers(const std::vector<double>& values) {
    std::vector<mexhost::Array> v;
    for (double x : values) v.push_back(mexhost::scalar(x));
    return v;
}

// A call that a driver failure ended: its message and no result.
inline void expectFailed(const mexhost::Outcome& o, const std::string& message) {
    EXPECT_TRUE(o.raised);
    EXPECT_EQ(o.message, message);
    for (const mexhost::Array& r : o.results) EXPECT_FALSE(r);
}

// A refused call: its message, no result, nothing printed and not one
// driver call.
inline void expectRefused(const mexhost::Outcome& o, const std::string& message) {
    expectFailed(o, message);
    EXPECT_TRUE(o.prints.empty());
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{});
}

struct CountCase {
    int nlhs;
    int nrhs;
    std::string message;
};

// The count tests of a function: each call has nlhs results and nrhs
// arguments, all the scalar fill, and is refused with its message.
inline void expectCountTests(const std::string& function, const std::vector<CountCase>& cases,
                             double fill = 0) {
    for (const CountCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.nlhs) + " results, " + std::to_string(c.nrhs) + " arguments");
        expectRefused(mexhost::call(function, c.nlhs, numbers(std::vector<double>(c.nrhs, fill))),
                      c.message);
    }
}

// While it lives, the plug-ins take the machine to have bytes of physical
// memory: the rows a machine cannot hold, tried on any machine.
class PhysicalMemory {
public:
    explicit PhysicalMemory(unsigned long long bytes) { kxhost_set_physical_memory(bytes); }
    ~PhysicalMemory() { kxhost_set_physical_memory(0); }
    PhysicalMemory(const PhysicalMemory&) = delete;
    PhysicalMemory& operator=(const PhysicalMemory&) = delete;
};

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override { kxsim_reset(); }

    // A session as KX4410_InitDriverAndBoard leaves it, with a clean log.
    void openSession() {
        uint16_t boards = 0;
        ASSERT_EQ(OpenDriver(&boards), 0);
        ASSERT_EQ(ActivateBoard(0), 0);
        kxsim_clear_log();
    }

    static mexhost::Outcome call(const std::string& function, int nlhs,
                                 const std::vector<mexhost::Array>& args = {}) {
        return mexhost::call(function, nlhs, args);
    }
};

// A session open from the start of each test.
class SessionTest : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        openSession();
    }
};

#endif
