// What the single-shot plug-in tests share: argument lists written as
// numbers, and what every refused call must leave behind.
#ifndef KX4410_TESTS_SINGLESHOT_H
#define KX4410_TESTS_SINGLESHOT_H

#include <cstdint>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "board.h"

namespace io {

// What the frame makes of a value that has no 32-bit integer: the driver
// sees INT32_MIN.
const double noInt32 = INT32_MIN;

inline std::vector<mexhost::Array> numbers(const std::vector<double>& values) {
    std::vector<mexhost::Array> v;
    for (double x : values) v.push_back(mexhost::scalar(x));
    return v;
}

inline std::string show(const std::vector<double>& values) {
    std::ostringstream s;
    s << "(";
    for (std::size_t i = 0; i < values.size(); ++i) s << (i ? ", " : "") << values[i];
    return s.str() + ")";
}

// A refused call: its message, no result, and not one driver call.
inline void expectRefused(const mexhost::Outcome& o, const std::string& message) {
    EXPECT_TRUE(o.raised);
    EXPECT_EQ(o.message, message);
    for (const mexhost::Array& r : o.results) EXPECT_FALSE(r);
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{});
}

// A call that a driver failure ended: its message and no result.
inline void expectFailed(const mexhost::Outcome& o, const std::string& message) {
    EXPECT_TRUE(o.raised);
    EXPECT_EQ(o.message, message);
    for (const mexhost::Array& r : o.results) EXPECT_FALSE(r);
}

inline std::size_t countOf(const std::vector<DriverCall>& log, const DriverCall& call) {
    std::size_t n = 0;
    for (const DriverCall& c : log) n += c == call;
    return n;
}

}  // namespace io

#endif
