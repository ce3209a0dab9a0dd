// What the single-shot plug-in tests share: argument lists shown as text,
// and outputs that hold known codes before the plug-in call.
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

inline std::string show(const std::vector<double>& values) {
    std::ostringstream s;
    s << "(";
    for (std::size_t i = 0; i < values.size(); ++i) s << (i ? ", " : "") << values[i];
    return s.str() + ")";
}

inline std::size_t countOf(const std::vector<DriverCall>& log, const DriverCall& call) {
    std::size_t n = 0;
    for (const DriverCall& c : log) n += c == call;
    return n;
}

// Codes on the outputs that no plug-in call of these tests writes.
const int before0 = 1234;
const int before1 = 3210;

// A session whose DA outputs hold before0 and before1, with a clean log.
class PresetOutputsTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        presetOutputs();
    }
    static void presetOutputs() {
        ASSERT_EQ(WriteAnalogOut(0, before0), 0);
        ASSERT_EQ(WriteAnalogOut(1, before1), 0);
        kxsim_clear_log();
    }
    static void expectOutputsAsPreset() {
        EXPECT_EQ(kxsim_da(0), before0);
        EXPECT_EQ(kxsim_da(1), before1);
    }
};

}  // namespace io

#endif
