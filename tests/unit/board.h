// What the plug-in tests share: a simulated board at power-on before every
// test, its call log as comparable values, and the plug-in call itself.
#ifndef KX4410_TESTS_BOARD_H
#define KX4410_TESTS_BOARD_H

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "kxsim.h"
#include "mexhost.h"

struct DriverCall {
    std::string op;
    std::vector<double> args;
    double result = 0;

    bool operator==(const DriverCall& o) const {
        return op == o.op && args == o.args && result == o.result;
    }
};

inline std::ostream& operator<<(std::ostream& os, const DriverCall& c) {
    os << c.op << "(";
    for (std::size_t i = 0; i < c.args.size(); ++i) os << (i ? ", " : "") << c.args[i];
    return os << ") -> " << c.result;
}

// The simulated board's log since the last reset or clear.
inline std::vector<DriverCall> boardLog() {
    std::vector<DriverCall> log;
    for (std::size_t i = 0; i < kxsim_log_size(); ++i) {
        const char* op = nullptr;
        double args[4] = {0, 0, 0, 0};
        int count = 0;
        DriverCall c;
        kxsim_log_entry(i, &op, args, &count, &c.result);
        c.op = op;
        c.args.assign(args, args + count);
        log.push_back(c);
    }
    return log;
}

// The operation names of the log, for tests about order alone.
inline std::vector<std::string> boardOps() {
    std::vector<std::string> ops;
    for (const DriverCall& c : boardLog()) ops.push_back(c.op);
    return ops;
}

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

#endif
