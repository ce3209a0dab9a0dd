// The frame every plug-in is built from, through a real host call of a small
// test plug-in (kxframe) and, for the pure conversions, directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

#if defined(__linux__)
#include <sys/sysinfo.h>
#endif

#include "board.h"
#include "gateway.h"
#include "memory.h"
#include "mexhost.h"

using namespace mexhost;

namespace {

const char* const notNumeric = "KX4410 argument is empty or not numeric!";
const double inf = std::numeric_limits<double>::infinity();

Outcome frame(double op, std::vector<Array> rest) {
    rest.insert(rest.begin(), scalar(op));
    return call("kxframe", 1, rest);
}

// A size_t in an unsigned integer array of its width.
Array sizeArg(std::size_t n) {
    Array a(mxCreateNumericMatrix(1, 1, sizeof n == 8 ? mxUINT64_CLASS : mxUINT32_CLASS, mxREAL));
    std::memcpy(mxGetData(a.get()), &n, sizeof n);
    return a;
}

}  // namespace

TEST(Frame, AScalarIsTheFirstRealElementOfAnyNumericKind) {
    struct Case {
        const char* name;
        Array arg;
        double value;
    };
    Case cases[] = {
        {"double", scalar(3.5), 3.5},
        {"row", row({7, 8}), 7},
        {"complex", complexScalar(2, 5), 2},
        {"logical", logical(true), 1},
        {"uint16", numeric(mxUINT16_CLASS, 4095), 4095},
        {"int8", numeric(mxINT8_CLASS, -3), -3},
        {"single", numeric(mxSINGLE_CLASS, 1.5), 1.5},
        {"int64", numeric(mxINT64_CLASS, -7), -7},
    };
    for (Case& c : cases) {
        Outcome o = frame(1, args(std::move(c.arg)));
        ASSERT_FALSE(o.raised) << c.name << ": " << o.message;
        EXPECT_EQ(o.values(0), std::vector<double>{c.value}) << c.name;
    }
}

TEST(Frame, EmptyAndNonNumericArgumentsAreRefusedWhereTheyAreRead) {
    struct Case {
        const char* name;
        Array arg;
    };
    Case cases[] = {{"empty", row({})}, {"0 x 0", matrix(0, 0)}, {"char", text("1")},
                    {"cell", cell()},   {"struct", structure()}};
    for (Case& c : cases) {
        Outcome o = frame(1, args(std::move(c.arg)));
        EXPECT_TRUE(o.raised) << c.name;
        EXPECT_EQ(o.message, notNumeric) << c.name;
        EXPECT_EQ(o.identifier, "KX4410:notNumeric") << c.name;
    }
}

TEST(Frame, VectorRuleCountsRowsAndColumnsAlike) {
    struct Case {
        const char* name;
        Array arg;
        std::vector<double> result;  // count, then the elements
    };
    Case cases[] = {
        {"row", row({1, 2, 3}), {3, 1, 2, 3}},
        {"column", column({1, 2, 3}), {3, 1, 2, 3}},
        {"1 x 1", scalar(9), {1, 9}},
        {"1 x 0", row({}), {0}},
        {"0 x 1", matrix(0, 1), {0}},
        {"logical row", logical(false), {1, 0}},
    };
    for (Case& c : cases) {
        Outcome o = frame(2, args(std::move(c.arg)));
        ASSERT_FALSE(o.raised) << c.name << ": " << o.message;
        EXPECT_EQ(o.values(0), c.result) << c.name;
    }
}

TEST(Frame, VectorRuleRefusesMatrices) {
    for (auto size : {std::pair<std::size_t, std::size_t>{0, 0}, {3, 2}, {2, 2}, {65537, 2}}) {
        Outcome o = frame(2, args(matrix(size.first, size.second)));
        EXPECT_TRUE(o.raised) << size.first << " x " << size.second;
        EXPECT_EQ(o.message, "vector!");
        EXPECT_EQ(o.identifier, "kxframe:vector");
    }
}

TEST(Frame, VectorCountsAreNotCutTo16Bits) {
    for (std::size_t n : {65535u, 65536u, 65537u, 70000u}) {
        std::vector<double> v(n);
        for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<double>(i % 4096);
        Outcome o = frame(2, args(row(v)));
        ASSERT_FALSE(o.raised) << o.message;
        const std::vector<double> r = o.values(0);
        ASSERT_EQ(r.size(), n + 1);
        EXPECT_EQ(r[0], static_cast<double>(n));
        EXPECT_EQ(r[n], v[n - 1]);
    }
}

// The value tests: each case refused with its test's message and
// identifier, or let through.
TEST(Frame, ValueTestsRefuseWithTheirMessageOrLetThrough) {
    const double range = 3, zeroOrOne = 4, config = 5;
    const std::map<double, std::string> identifiers = {
        {range, "kxframe:range"}, {zeroOrOne, "kxframe:zeroOrOne"}, {config, "kxframe:config"}};
    struct Case {
        double op;
        std::vector<double> args;  // for range: x, lo, hi
        bool refused;
        const char* message;
    };
    const Case cases[] = {
        // Inclusive, and NaN passes.
        {range, {0, 0, 15}, false, ""},
        {range, {15, 0, 15}, false, ""},
        {range, {14.7, 0, 15}, false, ""},
        {range, {15.5, 0, 15}, true, "range!"},
        {range, {-1e-300, 0, 15}, true, "range!"},
        {range, {NAN, 0, 15}, false, ""},
        {range, {inf, 0, 8191}, true, "range!"},
        {range, {-inf, 0, 8191}, true, "range!"},
        {range, {-0.0, 0, 1}, false, ""},
        // Only 0 and 1 themselves.
        {zeroOrOne, {0}, false, ""},
        {zeroOrOne, {1}, false, ""},
        {zeroOrOne, {-0.0}, false, ""},
        {zeroOrOne, {0.5}, true, "zero or one!"},
        {zeroOrOne, {NAN}, true, "zero or one!"},
        {zeroOrOne, {2}, true, "zero or one!"},
        {zeroOrOne, {-1}, true, "zero or one!"},
        {zeroOrOne, {1 + 1e-15}, true, "zero or one!"},
        // The two intervals of configuration codes, and NaN passes.
        {config, {0}, false, ""},
        {config, {3.5}, false, ""},
        {config, {11}, false, ""},
        {config, {11.5}, true, "config!"},
        {config, {12}, true, "config!"},
        {config, {15}, true, "config!"},
        {config, {15.9}, true, "config!"},
        {config, {16}, false, ""},
        {config, {27}, false, ""},
        {config, {27.5}, true, "config!"},
        {config, {28}, true, "config!"},
        {config, {-0.1}, true, "config!"},
        {config, {NAN}, false, ""},
    };
    for (const Case& c : cases) {
        std::vector<Array> given;
        for (double x : c.args) given.push_back(scalar(x));
        Outcome o = frame(c.op, std::move(given));
        EXPECT_EQ(o.raised, c.refused) << "test " << c.op << " of " << c.args[0];
        if (c.refused) {
            EXPECT_EQ(o.message, c.message) << "test " << c.op << " of " << c.args[0];
            EXPECT_EQ(o.identifier, identifiers.at(c.op)) << "test " << c.op;
        }
    }
}

TEST(Frame, ConversionsToInt32TruncateAndMapTheUnrepresentableToIntMin) {
    struct Case {
        double x;
        int32_t value;
    };
    for (const Case c : {Case{14.7, 14}, Case{-14.7, -14}, Case{-0.5, 0}, Case{-0.0, 0},
                         Case{2147483647.9, INT32_MAX}, Case{-2147483648.9, INT32_MIN},
                         Case{2147483648.0, INT32_MIN}, Case{-2147483649.0, INT32_MIN},
                         Case{1e300, INT32_MIN}, Case{inf, INT32_MIN}, Case{-inf, INT32_MIN},
                         Case{NAN, INT32_MIN}}) {
        EXPECT_EQ(kx::toInt32(c.x), c.value) << c.x;
    }
}

TEST(Frame, Low16KeepsTheLowBitsOfTheTruncatedValue) {
    struct Case {
        double x;
        uint16_t value;
    };
    for (const Case c : {Case{8191.9, 8191}, Case{65535, 65535}, Case{65536, 0}, Case{65537, 1},
                         Case{-1, 65535}, Case{NAN, 0}, Case{0.5, 0}}) {
        EXPECT_EQ(kx::low16(c.x), c.value) << c.x;
    }
}

TEST(Frame, ConversionsToInt64MapHugeValuesToTheSignBit) {
    struct Case {
        double x;
        int64_t value;
    };
    const double two63 = 9223372036854775808.0;
    for (const Case c : {Case{7.9, 7}, Case{-0.5, 0}, Case{4294967298.0, 4294967298LL},
                         Case{two63, INT64_MIN}, Case{-two63, INT64_MIN},
                         Case{9223372036854774784.0, 9223372036854774784LL}, Case{1e300, INT64_MIN},
                         Case{inf, INT64_MIN}, Case{NAN, INT64_MIN}}) {
        EXPECT_EQ(kx::toInt64(c.x), c.value) << c.x;
    }
}

TEST(Frame, TheLongestRowLeavesTheHostsSizeTypeRoomToSpare) {
    const std::size_t max = kx::maxRowLength;
    // Its bytes twice over still fit the signed size type.
    EXPECT_LE(max, static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(double) / 2 + 1);
    EXPECT_LE(2 * (max * sizeof(double)) - 1, static_cast<std::size_t>(PTRDIFF_MAX));
    EXPECT_GE(max, std::size_t{1} << 27);

    struct Case {
        std::size_t count, perElement;
        bool refused;
    };
    const Case cases[] = {
        {0, 2, false},           {3, 2, false},          {max, 1, false},
        {max + 1, 1, true},      {max / 2, 2, false},    {max / 2 + 1, 2, true},
        {SIZE_MAX, 1, true},     {SIZE_MAX / 2 + 1, 2, true}, {max / 4 + 1, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " x " + std::to_string(c.perElement));
        Outcome o = frame(6, args(sizeArg(c.count), scalar(static_cast<double>(c.perElement))));
        EXPECT_EQ(o.raised, c.refused) << o.message;
        if (c.refused) EXPECT_EQ(o.message, "row!");
        else EXPECT_EQ(o.values(0), std::vector<double>{static_cast<double>(c.count * c.perElement)});
    }

    for (std::size_t n : {max + 1, SIZE_MAX / sizeof(double), SIZE_MAX}) {
        SCOPED_TRACE(n);
        Outcome o = frame(7, args(sizeArg(n)));
        EXPECT_TRUE(o.raised);
        EXPECT_EQ(o.message, "too long!");
    }
    Outcome o = frame(7, args(sizeArg(3)));
    ASSERT_FALSE(o.raised) << o.message;
    EXPECT_EQ(o.cols(0), 3u);
}

TEST(Frame, ACountBeyondTheLongestRowIsToldFromItsDouble) {
    const PhysicalMemory machine(64ull << 20);
    const double max = 4194304;  // 32 MiB of doubles
    for (const double n : {max, max + 0.5, std::nextafter(max + 1, 0.0), 0.0, -1e300, double(NAN)})
        EXPECT_FALSE(kx::beyondRow(n)) << n;
    for (const double n : {max + 1, 2 * max, 1e300, inf})
        EXPECT_TRUE(kx::beyondRow(n)) << n;
}

TEST(Frame, RowsMayTakeHalfThePhysicalMemoryAndAQuarterOfTheAddressSpace) {
    // Every process has 1 GiB of address space at least (a 32-bit Windows
    // one 2 GiB, less the system's 64 KiB at each end), and no more than its
    // pointers span.
    const uint64_t space = kx::addressSpace();
    EXPECT_GE(space, uint64_t{1} << 30);
    EXPECT_LE(space, uint64_t{1} << (sizeof(void*) >= 8 ? 47 : 32));
    const std::size_t quarterSpace = static_cast<std::size_t>(space / 4 / sizeof(double));

    const std::pair<unsigned long long, std::size_t> machines[] = {
        {64ull << 20, 4194304}, {(64ull << 20) + 15, 4194304}, {16, 1}, {15, 0}};
    for (const auto& [bytes, rows] : machines) {
        SCOPED_TRACE(bytes);
        const PhysicalMemory machine(bytes);
        EXPECT_EQ(kx::physicalMemory(), bytes);
        EXPECT_EQ(kx::rowBudget(), rows);
    }
    // A machine of 1 TiB: half of it on a 64-bit host, whose address space is
    // larger; a 32-bit host's address space bounds it instead.
    const PhysicalMemory large(1ull << 40);
    EXPECT_EQ(kx::rowBudget(),
              std::min({std::size_t{1} << (sizeof(void*) >= 8 ? 36 : 27), quarterSpace,
                        kx::maxRowLength}));
    if (sizeof(void*) < 8) {
        EXPECT_EQ(kx::rowBudget(), quarterSpace);
    }
}

TEST(Frame, ThePhysicalMemoryIsTheSystemsUnlessTheHostWasTold) {
    const uint64_t system = kx::physicalMemory();
    EXPECT_GT(system, 0u);
#if defined(__linux__)
    // As the kernel's sysinfo counts it (which qemu's 32-bit user mode
    // truncates to 32 bits: it is the system's answer all the same).
    struct sysinfo info;
    ASSERT_EQ(sysinfo(&info), 0);
    EXPECT_EQ(system, uint64_t{info.totalram} * info.mem_unit);
#endif
    {
        const PhysicalMemory machine(12345);
        EXPECT_EQ(kx::physicalMemory(), 12345u);
    }
    EXPECT_EQ(kx::physicalMemory(), system);
}
