// The simulated board's call log as comparable values, for every test that
// reads it: the unit tests and the fuzzer.
#ifndef KX4410_TESTS_CALLLOG_H
#define KX4410_TESTS_CALLLOG_H

#include <ostream>
#include <string>
#include <vector>

#include "kxsim.h"

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

// The simulated board's log since the last reset or clear. An entry the log
// will not give shows as "(unreadable)", which no expected call matches.
inline std::vector<DriverCall> boardLog() {
    std::vector<DriverCall> log;
    for (std::size_t i = 0; i < kxsim_log_size(); ++i) {
        const char* op = nullptr;
        double args[4] = {0, 0, 0, 0};
        int count = 0;
        DriverCall c;
        if (kxsim_log_entry(i, &op, args, &count, &c.result) != 0 || op == nullptr || count < 0 ||
            count > 4) {
            log.push_back({"(unreadable)", {}, -1});
            continue;
        }
        c.op = op;
        c.args.assign(args, args + count);
        log.push_back(c);
    }
    return log;
}

#endif
