// The simulated board: its status words, session, clock, timer, signals,
// queues, injections and log, read through the driver operations and the
// control port alone.
#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "calllog.h"
#include "kxsim.h"
#include "portstate.h"

namespace {

constexpr uint16_t kAddr = 0xE000;  // board 0
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// A level far beyond every range, and still finite.
constexpr double kHuge = 1e300;

// What a refused or injected call must leave as it was.
struct Snapshot {
    int64_t now;
    int open, active, da0, da1, channel;
    std::vector<int> configs;
    bool operator==(const Snapshot& o) const {
        return now == o.now && open == o.open && active == o.active && da0 == o.da0 &&
               da1 == o.da1 && channel == o.channel && configs == o.configs;
    }
};

Snapshot snapshot() {
    Snapshot s{kxsim_now_ns(), kxsim_driver_open(), kxsim_active_board(),
               kxsim_da(0),    kxsim_da(1),         kxsim_ad_channel(), {}};
    for (int ch = 0; ch < 16; ++ch) s.configs.push_back(kxsim_ad_config(ch));
    return s;
}

enum class Session { Closed, Open, Active };

void enter(Session s) {
    uint16_t boards = 0;
    if (s != Session::Closed) {
        ASSERT_EQ(OpenDriver(&boards), 0);
    }
    if (s == Session::Active) {
        ASSERT_EQ(ActivateBoard(0), 0);
    }
    kxsim_clear_log();
}

// A parameterised test of the board from power-on.
template <class Case>
class SimTable : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { kxsim_reset(); }
};

// A case that carries its name.
template <class Case>
auto caseName(const Case& c) -> decltype(std::string(c.name)) {
    return c.name;
}

// Each table's cases are named by caseName, from their values alone, so that
// a name is the same under every compiler and word size (gtest would print
// a case it cannot name as its bytes, padding and pointers included).
const auto byCaseName = [](const auto& info) { return caseName(info.param); };

template <class Case>
auto operator<<(std::ostream& os, const Case& c) -> decltype(caseName(c), os) {
    return os << caseName(c);
}

class Sim : public ::testing::Test {
protected:
    void SetUp() override { kxsim_reset(); }
};

float readAd() {
    float v = -999.0f;
    EXPECT_EQ(ReadAnalogIn(&v), 0);
    return v;
}

// ---------------------------------------------------------------- status words

struct StatusCase {
    const char* name;
    Session session;
    double (*call)();
    double expected;
};

uint16_t out16 = 0;
float outF = 0;

const StatusCase statusCases[] = {
    {"Closed_CloseDriver", Session::Closed, [] { return double(CloseDriver()); }, 1},
    {"Closed_GetDriverVersion", Session::Closed, [] { return double(GetDriverVersion(&out16)); }, 1},
    {"Closed_GetBoardAddress", Session::Closed,
     [] { return double(GetBoardAddress(0, &out16, &out16, &out16, &out16)); }, 1},
    {"Closed_ActivateBoard", Session::Closed, [] { return double(ActivateBoard(0)); }, 1},
    {"Closed_WriteAnalogOut", Session::Closed, [] { return double(WriteAnalogOut(0, 2047)); }, 1},
    {"Closed_WriteAnalogOutBadArgs", Session::Closed, [] { return double(WriteAnalogOut(5, -1)); }, 1},
    {"Closed_ConfigureAnalogIn", Session::Closed, [] { return double(ConfigureAnalogIn(0, 0)); }, 1},
    {"Closed_ReadAnalogIn", Session::Closed, [] { return double(ReadAnalogIn(&outF)); }, 1},
    {"Closed_DelayMicros", Session::Closed, [] { return double(DelayMicros(10)); }, 1},
    {"Closed_DelayMicrosBad", Session::Closed, [] { return double(DelayMicros(-1)); }, 1},
    {"Closed_WriteTimerControl", Session::Closed,
     [] { return double(WriteTimerControl(kAddr, 2, 0xB6, 0)); }, 1},
    {"Closed_ReadTimerCounter", Session::Closed,
     [] { return double(ReadTimerCounter(kAddr, 2, 0x80)); }, 0xFFFF},

    {"NoBoard_WriteAnalogOut", Session::Open, [] { return double(WriteAnalogOut(0, 0)); }, 20},
    {"NoBoard_WriteAnalogOutBadArgs", Session::Open, [] { return double(WriteAnalogOut(9, 9999)); }, 20},
    {"NoBoard_ConfigureAnalogIn", Session::Open, [] { return double(ConfigureAnalogIn(0, 0)); }, 20},
    {"NoBoard_ReadAnalogIn", Session::Open, [] { return double(ReadAnalogIn(&outF)); }, 20},
    {"NoBoard_WriteTimerControl", Session::Open,
     [] { return double(WriteTimerControl(kAddr, 2, 0xB6, 0)); }, 20},
    {"NoBoard_ReadTimerCounter", Session::Open,
     [] { return double(ReadTimerCounter(kAddr, 2, 0x80)); }, 0xFFFF},
    {"NoBoard_DelayMicros", Session::Open, [] { return double(DelayMicros(10)); }, 0},
    {"NoBoard_DelayMicrosAbove", Session::Open, [] { return double(DelayMicros(8192)); }, 14},
    {"NoBoard_GetBoardAddress", Session::Open,
     [] { return double(GetBoardAddress(0, &out16, &out16, &out16, &out16)); }, 0},
    {"NoBoard_GetDriverVersion", Session::Open, [] { return double(GetDriverVersion(&out16)); }, 0},
    {"NoBoard_ActivateNegative", Session::Open, [] { return double(ActivateBoard(-1)); }, 19},
    {"NoBoard_ActivatePastCount", Session::Open, [] { return double(ActivateBoard(1)); }, 19},
    {"NoBoard_ActivateZero", Session::Open, [] { return double(ActivateBoard(0)); }, 0},

    {"AddressNegative", Session::Active,
     [] { return double(GetBoardAddress(-1, &out16, &out16, &out16, &out16)); }, 19},
    {"AddressPastCount", Session::Active,
     [] { return double(GetBoardAddress(1, &out16, &out16, &out16, &out16)); }, 19},
    {"AdChannelBelow", Session::Active, [] { return double(ConfigureAnalogIn(-1, 0)); }, 12},
    {"AdChannelAbove", Session::Active, [] { return double(ConfigureAnalogIn(16, 0)); }, 12},
    {"AdChannelBeforeConfig", Session::Active, [] { return double(ConfigureAnalogIn(16, 12)); }, 12},
    {"AdChannelLast", Session::Active, [] { return double(ConfigureAnalogIn(15, 27)); }, 0},
    {"ConfigBelow", Session::Active, [] { return double(ConfigureAnalogIn(0, -1)); }, 5},
    {"Config11", Session::Active, [] { return double(ConfigureAnalogIn(0, 11)); }, 0},
    {"Config12", Session::Active, [] { return double(ConfigureAnalogIn(0, 12)); }, 5},
    {"Config15", Session::Active, [] { return double(ConfigureAnalogIn(0, 15)); }, 5},
    {"Config16", Session::Active, [] { return double(ConfigureAnalogIn(0, 16)); }, 0},
    {"Config28", Session::Active, [] { return double(ConfigureAnalogIn(0, 28)); }, 5},
    {"DaChannelBelow", Session::Active, [] { return double(WriteAnalogOut(-1, 0)); }, 13},
    {"DaChannelAbove", Session::Active, [] { return double(WriteAnalogOut(2, 0)); }, 13},
    {"DaChannelBeforeCode", Session::Active, [] { return double(WriteAnalogOut(2, 4096)); }, 13},
    {"DaChannel1", Session::Active, [] { return double(WriteAnalogOut(1, 0)); }, 0},
    {"DaCodeBelow", Session::Active, [] { return double(WriteAnalogOut(0, -1)); }, 16},
    {"DaCodeAbove", Session::Active, [] { return double(WriteAnalogOut(0, 4096)); }, 16},
    {"DaCodeTop", Session::Active, [] { return double(WriteAnalogOut(0, 4095)); }, 0},
    {"DelayBelow", Session::Active, [] { return double(DelayMicros(-1)); }, 14},
    {"DelayAbove", Session::Active, [] { return double(DelayMicros(8192)); }, 14},
    {"DelayZero", Session::Active, [] { return double(DelayMicros(0)); }, 0},
    {"DelayTop", Session::Active, [] { return double(DelayMicros(8191)); }, 0},
    {"TimerWrongAddress", Session::Active,
     [] { return double(WriteTimerControl(kAddr + 1, 2, 0xB6, 0)); }, 2},
    {"TimerOtherBoardAddress", Session::Active,
     [] { return double(WriteTimerControl(0xE100, 2, 0xB6, 0)); }, 2},
    {"TimerCounterBelow", Session::Active,
     [] { return double(WriteTimerControl(kAddr, -1, 0xB6, 0)); }, 2},
    {"TimerCounterAbove", Session::Active,
     [] { return double(WriteTimerControl(kAddr, 3, 0xB6, 0)); }, 2},
    {"TimerCounter0", Session::Active,
     [] { return double(WriteTimerControl(kAddr, 0, 0xB6, 0)); }, 0},
    {"ReadWrongAddress", Session::Active,
     [] { return double(ReadTimerCounter(kAddr + 1, 2, 0x80)); }, 0xFFFF},
    {"ReadCounterBelow", Session::Active,
     [] { return double(ReadTimerCounter(kAddr, -1, 0x80)); }, 0xFFFF},
    {"ReadCounterAbove", Session::Active,
     [] { return double(ReadTimerCounter(kAddr, 3, 0x80)); }, 0xFFFF},
    {"ReadUnprogrammed", Session::Active,
     [] { return double(ReadTimerCounter(kAddr, 2, 0x80)); }, 0},
};

using Status = SimTable<StatusCase>;

TEST_P(Status, AnswersItsWordAndARefusalChangesNothing) {
    const StatusCase& c = GetParam();
    enter(c.session);
    const Snapshot before = snapshot();
    EXPECT_EQ(c.call(), c.expected);
    ASSERT_EQ(kxsim_log_size(), 1u);
    EXPECT_EQ(boardLog()[0].result, c.expected);
    if (c.expected != 0) {
        EXPECT_EQ(snapshot(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Sim, Status, ::testing::ValuesIn(statusCases), byCaseName);

// ---------------------------------------------------------------- session

TEST_F(Sim, OpenReportsTheCountAndASecondOpenKeepsTheActiveBoard) {
    kxsim_set_boards(3);
    uint16_t boards = 99;
    ASSERT_EQ(OpenDriver(&boards), 0);
    EXPECT_EQ(boards, 3);
    ASSERT_EQ(ActivateBoard(2), 0);
    boards = 99;
    EXPECT_EQ(OpenDriver(&boards), 0);
    EXPECT_EQ(boards, 3);
    EXPECT_EQ(GetActiveBoard(), 2);
    EXPECT_EQ(kxsim_active_board(), 2);
}

TEST_F(Sim, OpenWithoutBoardsFailsAndLeavesTheSessionAsItWas) {
    kxsim_set_boards(0);
    uint16_t boards = 99;
    EXPECT_EQ(OpenDriver(&boards), 11);
    EXPECT_EQ(boards, 0);
    EXPECT_EQ(kxsim_driver_open(), 0);

    kxsim_set_boards(1);
    enter(Session::Active);
    kxsim_set_boards(0);
    EXPECT_EQ(OpenDriver(&boards), 11);
    EXPECT_EQ(kxsim_driver_open(), 1);
    EXPECT_EQ(kxsim_active_board(), 0);
}

TEST_F(Sim, CloseDeactivatesAndASecondCloseFails) {
    EXPECT_EQ(GetActiveBoard(), -1);
    enter(Session::Active);
    EXPECT_EQ(GetActiveBoard(), 0);
    EXPECT_EQ(CloseDriver(), 0);
    EXPECT_EQ(kxsim_driver_open(), 0);
    EXPECT_EQ(GetActiveBoard(), -1);
    EXPECT_EQ(CloseDriver(), 1);
}

TEST_F(Sim, OutputsAndConfigurationsOutliveTheSession) {
    enter(Session::Active);
    ASSERT_EQ(WriteAnalogOut(0, 1000), 0);
    ASSERT_EQ(WriteAnalogOut(1, 3000), 0);
    ASSERT_EQ(ConfigureAnalogIn(5, 7), 0);
    ASSERT_EQ(CloseDriver(), 0);
    enter(Session::Active);
    EXPECT_EQ(kxsim_da(0), 1000);
    EXPECT_EQ(kxsim_da(1), 3000);
    EXPECT_EQ(kxsim_ad_config(5), 7);
    EXPECT_EQ(kxsim_ad_channel(), 5);
    EXPECT_EQ(kxsim_da(2), -1);
    EXPECT_EQ(kxsim_ad_config(16), -1);
}

TEST_F(Sim, VersionWords) {
    EXPECT_EQ(GetLibraryVersion(), 0x01A0);
    uint16_t version = 0x7777;
    EXPECT_EQ(GetDriverVersion(&version), 1);
    EXPECT_EQ(version, 0x7777);
    enter(Session::Open);
    EXPECT_EQ(GetDriverVersion(&version), 0);
    EXPECT_EQ(version, 0x0203);
    kxsim_set_versions(0x1234, 0xFEDC);
    EXPECT_EQ(GetLibraryVersion(), 0x1234);
    EXPECT_EQ(GetDriverVersion(&version), 0);
    EXPECT_EQ(version, 0xFEDC);
}

TEST_F(Sim, BoardAddressesNeedNoActiveBoard) {
    struct Row {
        int board;
        uint16_t address, irq, bus, slot;
    };
    const Row rows[] = {{0, 0xE000, 10, 0, 3}, {1, 0xE100, 11, 0, 4}, {2, 0xE200, 12, 0, 5}};
    kxsim_set_boards(3);
    enter(Session::Open);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.board);
        uint16_t a = 1, i = 1, b = 1, s = 1;
        ASSERT_EQ(GetBoardAddress(r.board, &a, &i, &b, &s), 0);
        EXPECT_EQ(a, r.address);
        EXPECT_EQ(i, r.irq);
        EXPECT_EQ(b, r.bus);
        EXPECT_EQ(s, r.slot);
    }
    uint16_t a = 1;
    EXPECT_EQ(GetBoardAddress(3, &a, &a, &a, &a), 19);
    EXPECT_EQ(a, 1);
    // The timer answers at the address of the board that is active.
    ASSERT_EQ(ActivateBoard(1), 0);
    EXPECT_EQ(WriteTimerControl(0xE000, 2, 0xB6, 0), 2);
    EXPECT_EQ(WriteTimerControl(0xE100, 2, 0xB6, 0), 0);
}

// ---------------------------------------------------------------- clock

struct CostCase {
    const char* name;
    double (*call)();
    int64_t ns;
};

const CostCase costCases[] = {
    {"ReadAnalogIn", [] { return double(ReadAnalogIn(&outF)); }, 10000},
    {"WriteAnalogOut", [] { return double(WriteAnalogOut(0, 1)); }, 2000},
    {"ConfigureAnalogIn", [] { return double(ConfigureAnalogIn(3, 1)); }, 2000},
    {"WriteTimerControl", [] { return double(WriteTimerControl(kAddr, 2, 0xB6, 0)); }, 1000},
    {"ReadTimerCounter", [] { return double(ReadTimerCounter(kAddr, 2, 0x80)); }, 1000},
    {"DelayMicros", [] { return double(DelayMicros(1234)); }, 1234000},
    {"DelayMicrosZero", [] { return double(DelayMicros(0)); }, 0},
    {"GetLibraryVersion", [] { return double(GetLibraryVersion()); }, 0},
    {"OpenDriver", [] { return double(OpenDriver(&out16)); }, 0},
    {"GetDriverVersion", [] { return double(GetDriverVersion(&out16)); }, 0},
    {"GetBoardAddress", [] { return double(GetBoardAddress(0, &out16, &out16, &out16, &out16)); }, 0},
    {"ActivateBoard", [] { return double(ActivateBoard(0)); }, 0},
    {"GetActiveBoard", [] { return double(GetActiveBoard()); }, 0},
    {"CloseDriver", [] { return double(CloseDriver()); }, 0},
};

using Cost = SimTable<CostCase>;

TEST_P(Cost, AdvancesTheVirtualClockByItsCost) {
    enter(Session::Active);
    ASSERT_EQ(kxsim_now_ns(), 0);
    GetParam().call();
    EXPECT_EQ(kxsim_now_ns(), GetParam().ns);
    EXPECT_DOUBLE_EQ(kxsim_now(), GetParam().ns * 1e-9);
    EXPECT_EQ(kxsim_clock_is_real(), 0);
}

TEST_P(Cost, TakesNoTimeOnAZeroCostBoardButWaitsStill) {
    enter(Session::Active);
    kxsim_zero_costs();
    GetParam().call();
    const std::string name = GetParam().name;
    EXPECT_EQ(kxsim_now_ns(), name.rfind("DelayMicros", 0) == 0 ? GetParam().ns : 0);
}

INSTANTIATE_TEST_SUITE_P(Sim, Cost, ::testing::ValuesIn(costCases), byCaseName);

TEST_F(Sim, CostsAreSettableByName) {
    enter(Session::Active);
    EXPECT_EQ(kxsim_set_cost("ReadAnalogIn", 777), 0);
    EXPECT_EQ(kxsim_set_cost("GetActiveBoard", 5), 0);
    EXPECT_EQ(kxsim_set_cost("ReadAnalogIn", -1), -1);
    EXPECT_EQ(kxsim_set_cost("DelayMicros", 5), -1);
    EXPECT_EQ(kxsim_set_cost("readAnalogIn", 5), -1);
    EXPECT_EQ(kxsim_set_cost(nullptr, 5), -1);
    readAd();
    GetActiveBoard();
    DelayMicros(1);
    EXPECT_EQ(kxsim_now_ns(), 777 + 5 + 1000);
}

// ---------------------------------------------------------------- timer

struct TimerCase {
    int32_t count;     // initial count written
    int32_t waitUs;    // DelayMicros between programming and reading
    int64_t readCost;  // ReadTimerCounter's cost in ns
    uint32_t expected;
};

std::string caseName(const TimerCase& c) {
    return "Count" + std::to_string(c.count) + "_Wait" + std::to_string(c.waitUs) + "us_Read" +
           std::to_string(c.readCost) + "ns";
}

using Timer = SimTable<TimerCase>;

TEST_P(Timer, CountsDownByTwoEvery125Nanoseconds) {
    const TimerCase& c = GetParam();
    enter(Session::Active);
    ASSERT_EQ(kxsim_set_cost("ReadTimerCounter", c.readCost), 0);
    ASSERT_EQ(WriteTimerControl(kAddr, 2, 0xB6, c.count), 0);
    ASSERT_EQ(DelayMicros(c.waitUs), 0);
    EXPECT_EQ(ReadTimerCounter(kAddr, 2, 0x80), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Sim, Timer,
                         ::testing::Values(TimerCase{0, 0, 1000, 65520},
                                           TimerCase{0, 1, 1000, 65504},
                                           TimerCase{0, 0, 0, 0},  // tick 0: 65536 on 16 bits
                                           TimerCase{0, 0, 124, 0},
                                           TimerCase{0, 0, 125, 65534},
                                           TimerCase{0, 0, 249, 65534},
                                           TimerCase{0, 4095, 875, 2},  // last count of a cycle
                                           TimerCase{0, 4095, 1000, 0},  // wrap at 4.096 ms
                                           TimerCase{0, 4095, 1125, 65534},
                                           TimerCase{0, 4096, 1000, 65520},
                                           TimerCase{0, 8191, 1000, 0},  // two cycles
                                           TimerCase{1000, 0, 1000, 984},
                                           TimerCase{1000, 62, 500, 1000},  // wrap after 500 ticks
                                           TimerCase{1001, 0, 1000, 984},   // odd counts as even
                                           TimerCase{0x10000 + 1000, 0, 1000, 984}),
                         byCaseName);

TEST_F(Sim, TimerRestartsWhenReprogrammedAndCountersAreSeparate) {
    enter(Session::Active);
    ASSERT_EQ(WriteTimerControl(kAddr, 2, 0xB6, 0), 0);
    ASSERT_EQ(DelayMicros(100), 0);
    EXPECT_EQ(ReadTimerCounter(kAddr, 0, 0x80), 0u);
    EXPECT_EQ(ReadTimerCounter(kAddr, 1, 0x80), 0u);
    ASSERT_EQ(WriteTimerControl(kAddr, 2, 0xB6, 0), 0);
    EXPECT_EQ(ReadTimerCounter(kAddr, 2, 0x80), 65520u);
    EXPECT_EQ(ReadTimerCounter(kAddr, 2, 0x80), 65504u);
    ASSERT_EQ(WriteTimerControl(kAddr, 0, 0xB6, 100), 0);
    EXPECT_EQ(ReadTimerCounter(kAddr, 0, 0x80), 84u);
}

TEST_F(Sim, ChoosingTheClockRestartsTimeButNotTheTimer) {
    enter(Session::Active);
    ASSERT_EQ(WriteTimerControl(kAddr, 2, 0xB6, 0), 0);
    ASSERT_EQ(DelayMicros(100), 0);
    kxsim_set_clock(0);
    EXPECT_EQ(kxsim_now_ns(), 0);
    // 100 us + 1 us read: 808 ticks since programming.
    EXPECT_EQ(ReadTimerCounter(kAddr, 2, 0x80), 65536u - 1616u);
}

TEST_F(Sim, ChoosingTheClockLetsThePlantRunOn) {
    kxsim_zero_costs();
    enter(Session::Active);
    ASSERT_EQ(WriteAnalogOut(0, 4095), 0);
    ASSERT_EQ(DelayMicros(5000), 0);
    kxsim_set_clock(0);
    ASSERT_EQ(DelayMicros(5000), 0);
    EXPECT_NEAR(kxsim_plant_output(), 10.0 * (1 - std::exp(-0.2)), 1e-9);
}

// ---------------------------------------------------------------- signals

struct RangeCase {
    int config;
    double lo, hi, level;
    int code;  // the 12-bit code the level quantises to
};

// Config0_Minus20000mV, Config16_MinusHuge: every level is whole millivolts.
std::string caseName(const RangeCase& c) {
    std::string level;
    if (std::fabs(c.level) == kHuge) {
        level = c.level > 0 ? "PlusHuge" : "MinusHuge";
    } else {
        const long long mv = std::llround(c.level * 1000);
        level = (mv < 0 ? "Minus" + std::to_string(-mv) : std::to_string(mv)) + "mV";
    }
    return "Config" + std::to_string(c.config) + "_" + level;
}

using Range = SimTable<RangeCase>;

TEST_P(Range, ClipsAndQuantisesToTwelveBits) {
    const RangeCase& c = GetParam();
    enter(Session::Active);
    ASSERT_EQ(kxsim_set_level(9, c.level), 0);
    ASSERT_EQ(ConfigureAnalogIn(9, c.config), 0);
    EXPECT_EQ(kxsim_ad_config(9), c.config);
    EXPECT_FLOAT_EQ(readAd(), static_cast<float>(c.lo + c.code * (c.hi - c.lo) / 4095));
}

INSTANTIATE_TEST_SUITE_P(
    Sim, Range,
    ::testing::Values(RangeCase{0, -10, 10, 0.0, 2048}, RangeCase{0, -10, 10, 20.0, 4095},
                      RangeCase{0, -10, 10, -20.0, 0}, RangeCase{0, -10, 10, kHuge, 4095},
                      RangeCase{16, -10, 10, -kHuge, 0}, RangeCase{1, -5, 5, 1.0, 2457},
                      RangeCase{17, -5, 5, 1.0, 2457}, RangeCase{2, -2.5, 2.5, -1.0, 1229},
                      RangeCase{3, -1.25, 1.25, 1.0, 3686}, RangeCase{4, -1, 1, 0.5, 3071},
                      RangeCase{20, -1, 1, 1.5, 4095}, RangeCase{5, -0.5, 0.5, -0.5, 0},
                      RangeCase{6, 0, 10, -1.0, 0}, RangeCase{6, 0, 10, 5.0, 2048},
                      RangeCase{22, 0, 10, 10.0, 4095}, RangeCase{7, 0, 5, 2.0, 1638},
                      RangeCase{8, 0, 2.5, 2.5, 4095}, RangeCase{9, 0, 1.25, 0.625, 2048},
                      RangeCase{25, 0, 1.25, 0.625, 2048}, RangeCase{10, 0, 1, 0.001, 4},
                      RangeCase{11, 0, 0.5, 0.25, 2048}, RangeCase{27, 0, 0.5, 3.0, 4095},
                      RangeCase{11, 0, 0.5, -3.0, 0}),
    byCaseName);

TEST_F(Sim, DaChannelOneIsWiredToAdChannelOne) {
    enter(Session::Active);
    for (int code : {0, 1, 2047, 3071, 4095}) {
        SCOPED_TRACE(code);
        ASSERT_EQ(WriteAnalogOut(1, code), 0);
        ASSERT_EQ(ConfigureAnalogIn(1, 0), 0);
        EXPECT_FLOAT_EQ(readAd(), static_cast<float>(-10 + code * 20.0 / 4095));
    }
    ASSERT_EQ(WriteAnalogOut(1, 0), 0);
    ASSERT_EQ(ConfigureAnalogIn(1, 6), 0);  // -10 V clipped to 0-10 V
    EXPECT_EQ(readAd(), 0.0f);
}

TEST_F(Sim, PlantFollowsTheFirstOrderStepResponse) {
    kxsim_zero_costs();
    enter(Session::Active);
    ASSERT_EQ(WriteAnalogOut(0, 4095), 0);  // u = 10 V from t = 0
    ASSERT_EQ(ConfigureAnalogIn(0, 0), 0);
    for (int step = 1; step <= 40; ++step) {
        ASSERT_EQ(DelayMicros(5000), 0);
        const double t = step * 0.005;
        const double y = 10.0 * (1 - std::exp(-t / 0.05));
        EXPECT_NEAR(kxsim_plant_output(), y, 1e-9) << t;
        EXPECT_NEAR(readAd(), y, 10.0 / 4095 + 1e-6) << t;
    }
    const double y0 = kxsim_plant_output();
    ASSERT_EQ(kxsim_set_plant(2.0, 0.01), 0);
    ASSERT_EQ(DelayMicros(8000), 0);
    EXPECT_NEAR(kxsim_plant_output(), y0 + (20.0 - y0) * (1 - std::exp(-0.8)), 1e-9);
    ASSERT_EQ(WriteAnalogOut(0, 2047), 0);  // back to -2.44 mV
    const double y1 = kxsim_plant_output();
    ASSERT_EQ(DelayMicros(5000), 0);
    const double u = 2 * (2047 / 204.75 - 10);
    EXPECT_NEAR(kxsim_plant_output(), y1 + (u - y1) * (1 - std::exp(-0.5)), 1e-9);
}

TEST_F(Sim, PlantAndLevelSettingsAreChecked) {
    EXPECT_EQ(kxsim_set_plant(1, 0), -1);
    EXPECT_EQ(kxsim_set_plant(1, -0.1), -1);
    EXPECT_EQ(kxsim_set_plant(kNaN, 0.1), -1);
    EXPECT_EQ(kxsim_set_plant(1, kInf), -1);
    EXPECT_EQ(kxsim_set_level(0, 1), -1);
    EXPECT_EQ(kxsim_set_level(1, 1), -1);
    EXPECT_EQ(kxsim_set_level(16, 1), -1);
    EXPECT_EQ(kxsim_set_level(2, kNaN), -1);
    EXPECT_EQ(kxsim_set_level(2, -1.0), 0);
    EXPECT_EQ(kxsim_set_level(15, 2.0), 0);
    enter(Session::Active);
    ASSERT_EQ(ConfigureAnalogIn(2, 1), 0);
    EXPECT_FLOAT_EQ(readAd(), static_cast<float>(-5 + 1638 * 10.0 / 4095));
    ASSERT_EQ(ConfigureAnalogIn(15, 1), 0);
    EXPECT_FLOAT_EQ(readAd(), static_cast<float>(-5 + 2867 * 10.0 / 4095));
    ASSERT_EQ(ConfigureAnalogIn(14, 1), 0);
    EXPECT_FLOAT_EQ(readAd(), static_cast<float>(-5 + 2048 * 10.0 / 4095));
}

// ---------------------------------------------------------------- queues

TEST_F(Sim, QueuedAdReadingsComeFirstAndAsTheyAre) {
    const double three[] = {1.5, 20.0, -0.1234567};
    const double four[] = {7.0};
    ASSERT_EQ(kxsim_queue_ad(3, three, 3), 0);
    ASSERT_EQ(kxsim_queue_ad(4, four, 1), 0);
    EXPECT_EQ(kxsim_queue_ad(-1, four, 1), -1);
    EXPECT_EQ(kxsim_queue_ad(16, four, 1), -1);
    EXPECT_EQ(kxsim_queue_ad(5, nullptr, 1), -1);
    EXPECT_EQ(kxsim_queue_ad(5, nullptr, 0), 0);
    ASSERT_EQ(kxsim_set_level(3, 0.5), 0);
    enter(Session::Open);
    float v = -1;
    ASSERT_EQ(ReadAnalogIn(&v), 20);  // a refused read takes nothing from the queue
    ASSERT_EQ(ActivateBoard(0), 0);
    ASSERT_EQ(ConfigureAnalogIn(3, 6), 0);
    EXPECT_EQ(readAd(), 1.5f);
    EXPECT_EQ(readAd(), 20.0f);
    EXPECT_EQ(readAd(), static_cast<float>(-0.1234567));
    EXPECT_FLOAT_EQ(readAd(), static_cast<float>(205 * 10.0 / 4095));
    EXPECT_EQ(kxsim_now_ns(), 2000 + 4 * 10000);
    ASSERT_EQ(ConfigureAnalogIn(4, 0), 0);
    EXPECT_EQ(readAd(), 7.0f);
    EXPECT_FLOAT_EQ(readAd(), static_cast<float>(-10 + 2048 * 20.0 / 4095));
}

TEST_F(Sim, QueuedTimerReadingsComeFirst) {
    const double counts[] = {100, 70000, 4294967295.0, 0};
    ASSERT_EQ(kxsim_queue_timer(counts, 4), 0);
    EXPECT_EQ(kxsim_queue_timer(nullptr, 3), -1);
    EXPECT_EQ(kxsim_queue_timer(nullptr, 0), 0);
    EXPECT_EQ(kxsim_timer_queued(), 4u);
    enter(Session::Active);
    ASSERT_EQ(WriteTimerControl(kAddr, 2, 0xB6, 0), 0);
    EXPECT_EQ(ReadTimerCounter(kAddr + 1, 2, 0x80), 0xFFFFu);
    EXPECT_EQ(ReadTimerCounter(kAddr, 2, 0x80), 100u);
    EXPECT_EQ(ReadTimerCounter(kAddr, 2, 0x80), 70000u);
    EXPECT_EQ(ReadTimerCounter(kAddr, 1, 0x80), 4294967295u);
    EXPECT_EQ(ReadTimerCounter(kAddr, 2, 0x80), 0u);
    EXPECT_EQ(ReadTimerCounter(kAddr, 2, 0x80), 65536u - 2 * 40);
}

// ---------------------------------------------------------------- injection

struct Outputs {
    uint16_t count = 0x5555, version = 0x5555, address = 0x5555, irq = 0x5555, bus = 0x5555,
             slot = 0x5555;
    float volts = -123.0f;
    bool operator==(const Outputs& o) const {
        return count == o.count && version == o.version && address == o.address &&
               irq == o.irq && bus == o.bus && slot == o.slot && volts == o.volts;
    }
};

struct InjectCase {
    const char* name;
    const char* op;
    double value;
    double (*call)(Outputs&);
    double expected;
};

const InjectCase injectCases[] = {
    {"OpenDriverStatus", "OpenDriver", 21, [](Outputs& o) { return double(OpenDriver(&o.count)); }, 21},
    {"OpenDriverLargest", "OpenDriver", 65535, [](Outputs& o) { return double(OpenDriver(&o.count)); }, 65535},
    {"CloseDriver", "CloseDriver", 2, [](Outputs&) { return double(CloseDriver()); }, 2},
    {"CloseDriverSucceeds", "CloseDriver", 0, [](Outputs&) { return double(CloseDriver()); }, 0},
    {"GetDriverVersion", "GetDriverVersion", 0,
     [](Outputs& o) { return double(GetDriverVersion(&o.version)); }, 0},
    {"GetBoardAddress", "GetBoardAddress", 0,
     [](Outputs& o) { return double(GetBoardAddress(0, &o.address, &o.irq, &o.bus, &o.slot)); }, 0},
    {"ActivateBoard", "ActivateBoard", 20, [](Outputs&) { return double(ActivateBoard(0)); }, 20},
    {"GetActiveBoardMinusOne", "GetActiveBoard", -1, [](Outputs&) { return double(GetActiveBoard()); }, -1},
    {"GetActiveBoardLowest", "GetActiveBoard", -2147483648.0,
     [](Outputs&) { return double(GetActiveBoard()); }, -2147483648.0},
    {"GetActiveBoardHighest", "GetActiveBoard", 2147483647.0,
     [](Outputs&) { return double(GetActiveBoard()); }, 2147483647.0},
    {"GetLibraryVersion", "GetLibraryVersion", 0x0301, [](Outputs&) { return double(GetLibraryVersion()); }, 0x0301},
    {"GetLibraryVersionLargest", "GetLibraryVersion", 65535,
     [](Outputs&) { return double(GetLibraryVersion()); }, 65535},
    {"WriteAnalogOut", "WriteAnalogOut", 0, [](Outputs&) { return double(WriteAnalogOut(0, 100)); }, 0},
    {"WriteAnalogOutBadArgs", "WriteAnalogOut", 0, [](Outputs&) { return double(WriteAnalogOut(7, 9999)); }, 0},
    {"ConfigureAnalogIn", "ConfigureAnalogIn", 0, [](Outputs&) { return double(ConfigureAnalogIn(5, 3)); }, 0},
    {"ReadAnalogInFails", "ReadAnalogIn", 9, [](Outputs& o) { return double(ReadAnalogIn(&o.volts)); }, 9},
    {"ReadAnalogInSucceeds", "ReadAnalogIn", 0, [](Outputs& o) { return double(ReadAnalogIn(&o.volts)); }, 0},
    {"DelayMicros", "DelayMicros", 0, [](Outputs&) { return double(DelayMicros(1000)); }, 0},
    {"WriteTimerControl", "WriteTimerControl", 0,
     [](Outputs&) { return double(WriteTimerControl(kAddr, 2, 0xB6, 0)); }, 0},
    {"ReadTimerCounter", "ReadTimerCounter", 1234,
     [](Outputs&) { return double(ReadTimerCounter(kAddr, 2, 0x80)); }, 1234},
    {"ReadTimerCounterLargest", "ReadTimerCounter", 4294967295.0,
     [](Outputs&) { return double(ReadTimerCounter(kAddr, 2, 0x80)); }, 4294967295.0},
};

using Inject = SimTable<InjectCase>;

TEST_P(Inject, AnswersTheValueAndDoesNothingElse) {
    const InjectCase& c = GetParam();
    enter(Session::Active);
    const double queued[] = {4.0};
    ASSERT_EQ(kxsim_queue_ad(0, queued, 1), 0);
    ASSERT_EQ(kxsim_inject(c.op, 1, c.value), 0);
    const Snapshot before = snapshot();
    Outputs out;
    EXPECT_EQ(c.call(out), c.expected);
    EXPECT_EQ(out, Outputs());
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(boardLog(), std::vector<DriverCall>({{c.op, boardLog().at(0).args, c.expected}}));
    // The timer is still unprogrammed and the queued reading still there.
    EXPECT_EQ(ReadTimerCounter(kAddr, 2, 0x80), 0u);
    EXPECT_EQ(readAd(), 4.0f);
}

INSTANTIATE_TEST_SUITE_P(Sim, Inject, ::testing::ValuesIn(injectCases), byCaseName);

TEST_F(Sim, InjectionsCountDownEachOnItsOwn) {
    ASSERT_EQ(kxsim_inject("ActivateBoard", 2, 20), 0);
    ASSERT_EQ(kxsim_inject("ActivateBoard", 4, 3), 0);
    ASSERT_EQ(kxsim_inject("OpenDriver", 1, 11), 0);
    uint16_t boards = 0;
    EXPECT_EQ(OpenDriver(&boards), 11);
    EXPECT_EQ(kxsim_driver_open(), 0);
    EXPECT_EQ(OpenDriver(&boards), 0);
    EXPECT_EQ(ActivateBoard(5), 19);  // a refused call counts too
    EXPECT_EQ(GetDriverVersion(&boards), 0);
    EXPECT_EQ(ActivateBoard(5), 20);
    EXPECT_EQ(ActivateBoard(0), 0);
    EXPECT_EQ(ActivateBoard(0), 3);
    EXPECT_EQ(ActivateBoard(0), 0);
}

TEST_F(Sim, TheLaterOfTwoInjectionsForOneCallAnswers) {
    ASSERT_EQ(kxsim_inject("GetLibraryVersion", 1, 5), 0);
    ASSERT_EQ(kxsim_inject("GetLibraryVersion", 1, 6), 0);
    EXPECT_EQ(GetLibraryVersion(), 6);
    EXPECT_EQ(GetLibraryVersion(), 0x01A0);
}

TEST_F(Sim, InjectionRefusesUnknownOperationsAndCounts) {
    EXPECT_EQ(kxsim_inject("Nope", 1, 0), -1);
    EXPECT_EQ(kxsim_inject("opendriver", 1, 0), -1);
    EXPECT_EQ(kxsim_inject(nullptr, 1, 0), -1);
    EXPECT_EQ(kxsim_inject("OpenDriver", 0, 7), -1);
    EXPECT_EQ(kxsim_inject("OpenDriver", -1, 7), -1);
    uint16_t boards = 0;
    EXPECT_EQ(OpenDriver(&boards), 0);
    EXPECT_EQ(OpenDriver(&boards), 0);
}

// ---------------------------------------------------------------- refusals

// A control-port call that the board refuses with -1, changing nothing.
struct RefusedCase {
    const char* name;
    int (*call)();
};

const double kTwoTo32 = 4294967296.0;

const RefusedCase refusedCases[] = {
    // Injected values that the operation's result type cannot hold.
    {"InjectStatusNaN", [] { return kxsim_inject("ReadAnalogIn", 1, kNaN); }},
    {"InjectStatusInf", [] { return kxsim_inject("ReadAnalogIn", 1, kInf); }},
    {"InjectStatusMinusInf", [] { return kxsim_inject("ReadAnalogIn", 1, -kInf); }},
    {"InjectStatusHalf", [] { return kxsim_inject("ReadAnalogIn", 1, 0.5); }},
    {"InjectStatus65536", [] { return kxsim_inject("ReadAnalogIn", 1, 65536); }},
    {"InjectStatus1e30", [] { return kxsim_inject("ReadAnalogIn", 1, 1e30); }},
    {"InjectStatusMinusOne", [] { return kxsim_inject("OpenDriver", 1, -1); }},
    {"InjectVersion65536", [] { return kxsim_inject("GetLibraryVersion", 1, 65536); }},
    {"InjectVersionMinusOne", [] { return kxsim_inject("GetLibraryVersion", 1, -1); }},
    {"InjectBoardTopBit", [] { return kxsim_inject("GetActiveBoard", 1, 2147483648.0); }},
    {"InjectBoardBelowLowest", [] { return kxsim_inject("GetActiveBoard", 1, -2147483649.0); }},
    {"InjectBoardFraction", [] { return kxsim_inject("GetActiveBoard", 1, -0.5); }},
    {"InjectBoardNaN", [] { return kxsim_inject("GetActiveBoard", 1, kNaN); }},
    {"InjectReading2To32", [] { return kxsim_inject("ReadTimerCounter", 1, kTwoTo32); }},
    {"InjectReadingMinusOne", [] { return kxsim_inject("ReadTimerCounter", 1, -1); }},
    {"InjectReadingFraction", [] { return kxsim_inject("ReadTimerCounter", 1, 1.5); }},
    {"InjectReadingInf", [] { return kxsim_inject("ReadTimerCounter", 1, kInf); }},
    {"InjectUnknownOperation", [] { return kxsim_inject("ReadAD", 1, 0); }},
    {"InjectNZero", [] { return kxsim_inject("ReadAnalogIn", 0, 9); }},
    // Timer readings beyond ReadTimerCounter's 32 bits, or not whole: the
    // whole call is refused, its good counts too.
    {"TimerMinusOne", [] { const double c[] = {5, -1}; return kxsim_queue_timer(c, 2); }},
    {"TimerNaN", [] { const double c[] = {kNaN, 5}; return kxsim_queue_timer(c, 2); }},
    {"Timer2To32", [] { const double c[] = {kTwoTo32}; return kxsim_queue_timer(c, 1); }},
    {"TimerFraction", [] { const double c[] = {0.5}; return kxsim_queue_timer(c, 1); }},
    {"TimerInf", [] { const double c[] = {kInf}; return kxsim_queue_timer(c, 1); }},
    {"TimerNull", [] { return kxsim_queue_timer(nullptr, 2); }},
    // AD readings beyond a float's range.
    {"AdBeyondFloat", [] { const double v[] = {1e39}; return kxsim_queue_ad(3, v, 1); }},
    {"AdBeyondFloatNegative", [] { const double v[] = {1, -1e300}; return kxsim_queue_ad(3, v, 2); }},
    {"AdChannel16", [] { const double v[] = {1}; return kxsim_queue_ad(16, v, 1); }},
    {"AdNull", [] { return kxsim_queue_ad(3, nullptr, 1); }},
    // Levels that are not finite, or of a channel without one.
    {"LevelInf", [] { return kxsim_set_level(2, kInf); }},
    {"LevelMinusInf", [] { return kxsim_set_level(2, -kInf); }},
    {"LevelNaN", [] { return kxsim_set_level(2, kNaN); }},
    {"LevelChannel1", [] { return kxsim_set_level(1, 1.0); }},
};

using Refused = SimTable<RefusedCase>;

TEST_P(Refused, ChangesNothing) {
    enter(Session::Active);
    fillPort();
    const PortState port = portState();
    const Snapshot board = snapshot();
    EXPECT_EQ(GetParam().call(), -1);
    EXPECT_EQ(portState(), port);
    EXPECT_EQ(snapshot(), board);
}

INSTANTIATE_TEST_SUITE_P(Sim, Refused, ::testing::ValuesIn(refusedCases), byCaseName);

// A queued AD reading is any 32-bit float, NaN and the infinities included.
TEST_F(Sim, QueuedAdReadingsMayBeAnyFloat) {
    const double volts[] = {kNaN, kInf, -kInf, FLT_MAX, -FLT_MAX};
    ASSERT_EQ(kxsim_queue_ad(0, volts, 5), 0);
    EXPECT_EQ(kxsim_ad_queued(0), 5u);
    enter(Session::Active);
    EXPECT_TRUE(std::isnan(readAd()));
    EXPECT_EQ(readAd(), HUGE_VALF);
    EXPECT_EQ(readAd(), -HUGE_VALF);
    EXPECT_EQ(readAd(), FLT_MAX);
    EXPECT_EQ(readAd(), -FLT_MAX);
    EXPECT_EQ(kxsim_ad_queued(0), 0u);
}

TEST_F(Sim, LevelsReadBack) {
    ASSERT_EQ(kxsim_set_level(15, -2.5), 0);
    EXPECT_EQ(kxsim_level(15), -2.5);
    EXPECT_EQ(kxsim_level(2), 0.0);
    EXPECT_TRUE(std::isnan(kxsim_level(1)));
    EXPECT_TRUE(std::isnan(kxsim_level(16)));
}

// ---------------------------------------------------------------- bounds

TEST_F(Sim, InjectionsPendingAreBounded) {
    for (int k = 1; k <= KXSIM_MAX_INJECTIONS; ++k)
        ASSERT_EQ(kxsim_inject("ReadAnalogIn", k, 9), 0) << k;
    EXPECT_EQ(kxsim_injections_pending(), 1000u);
    const PortState full = portState();
    EXPECT_EQ(kxsim_inject("OpenDriver", 1, 3), -1);
    EXPECT_EQ(portState(), full);
    // The first answered leaves room for one more.
    enter(Session::Active);
    float v = 0;
    EXPECT_EQ(ReadAnalogIn(&v), 9);
    EXPECT_EQ(kxsim_injections_pending(), 999u);
    EXPECT_EQ(kxsim_inject("OpenDriver", 1, 3), 0);
    EXPECT_EQ(kxsim_inject("OpenDriver", 1, 3), -1);
    EXPECT_EQ(kxsim_injections_pending(), 1000u);
}

struct QueueCase {
    const char* name;
    int (*queue)(const double* values, size_t count);
    size_t (*queued)();
};

const QueueCase queueCases[] = {
    {"Ad", [](const double* v, size_t n) { return kxsim_queue_ad(7, v, n); },
     [] { return kxsim_ad_queued(7); }},
    {"Timer", [](const double* v, size_t n) { return kxsim_queue_timer(v, n); },
     [] { return kxsim_timer_queued(); }},
};

using Queue = SimTable<QueueCase>;

TEST_P(Queue, HoldsAtMostItsBound) {
    const QueueCase& c = GetParam();
    const std::vector<double> readings(KXSIM_MAX_QUEUED + 1, 1.0);
    EXPECT_EQ(c.queue(readings.data(), readings.size()), -1);
    EXPECT_EQ(c.queued(), 0u);
    ASSERT_EQ(c.queue(readings.data(), 499998), 0);
    const PortState nearlyFull = portState();
    EXPECT_EQ(c.queue(readings.data(), 3), -1);
    EXPECT_EQ(portState(), nearlyFull);
    EXPECT_EQ(c.queue(readings.data(), 2), 0);
    EXPECT_EQ(c.queued(), 500000u);
    EXPECT_EQ(c.queue(readings.data(), 1), -1);
    EXPECT_EQ(c.queue(readings.data(), 0), 0);
    EXPECT_EQ(c.queued(), 500000u);
}

INSTANTIATE_TEST_SUITE_P(Sim, Queue, ::testing::ValuesIn(queueCases), byCaseName);

TEST_F(Sim, EveryAdChannelHasAQueueOfItsOwn) {
    const std::vector<double> readings(KXSIM_MAX_QUEUED, 0.25);
    ASSERT_EQ(kxsim_queue_ad(4, readings.data(), readings.size()), 0);
    EXPECT_EQ(kxsim_queue_ad(5, readings.data(), readings.size()), 0);
    EXPECT_EQ(kxsim_ad_queued(4), 500000u);
    EXPECT_EQ(kxsim_ad_queued(5), 500000u);
    EXPECT_EQ(kxsim_ad_queued(6), 0u);
    EXPECT_EQ(kxsim_ad_queued(-1), 0u);
    EXPECT_EQ(kxsim_ad_queued(16), 0u);
}

// ---------------------------------------------------------------- log

TEST_F(Sim, LogsEveryCallWithItsInputsAndResult) {
    uint16_t w = 0;
    float v = 0;
    OpenDriver(&w);
    GetLibraryVersion();
    GetDriverVersion(&w);
    GetBoardAddress(0, &w, &w, &w, &w);
    ActivateBoard(0);
    GetActiveBoard();
    WriteAnalogOut(1, 4095);
    ConfigureAnalogIn(1, 6);
    ReadAnalogIn(&v);
    DelayMicros(7);
    WriteTimerControl(kAddr, 2, 0xB6, 0);
    ReadTimerCounter(kAddr, 2, 0x80);
    WriteAnalogOut(3, 0);
    kxsim_inject("GetActiveBoard", 1, 5);
    GetActiveBoard();
    CloseDriver();
    const std::vector<DriverCall> expected = {
        {"OpenDriver", {}, 0},
        {"GetLibraryVersion", {}, 0x01A0},
        {"GetDriverVersion", {}, 0},
        {"GetBoardAddress", {0}, 0},
        {"ActivateBoard", {0}, 0},
        {"GetActiveBoard", {}, 0},
        {"WriteAnalogOut", {1, 4095}, 0},
        {"ConfigureAnalogIn", {1, 6}, 0},
        {"ReadAnalogIn", {}, 0},
        {"DelayMicros", {7}, 0},
        {"WriteTimerControl", {0xE000, 2, 0xB6, 0}, 0},
        {"ReadTimerCounter", {0xE000, 2, 0x80}, 65520},
        {"WriteAnalogOut", {3, 0}, 13},
        {"GetActiveBoard", {}, 5},
        {"CloseDriver", {}, 0},
    };
    EXPECT_EQ(boardLog(), expected);
    EXPECT_EQ(v, 10.0f);

    const char* op = nullptr;
    double args[4];
    int n = 0;
    double result = 0;
    EXPECT_EQ(kxsim_log_entry(expected.size(), &op, args, &n, &result), -1);
    ASSERT_EQ(kxsim_log_entry(0, &op, args, &n, &result), 0);
    kxsim_clear_log();
    EXPECT_EQ(kxsim_log_size(), 0u);
    EXPECT_STREQ(op, "OpenDriver");  // the name outlives its entry
}

TEST_F(Sim, LoggingOffRecordsNothingButTheBoardStillWorks) {
    kxsim_set_logging(0);
    enter(Session::Active);
    ASSERT_EQ(WriteAnalogOut(0, 100), 0);
    EXPECT_EQ(kxsim_log_size(), 0u);
    EXPECT_EQ(kxsim_da(0), 100);
    kxsim_set_logging(1);
    GetActiveBoard();
    EXPECT_EQ(boardLog(), std::vector<DriverCall>({{"GetActiveBoard", {}, 0}}));
}

TEST_F(Sim, TheLogKeepsTheLatestCallsUpToItsCapacityAndCountsTheRest) {
    EXPECT_EQ(kxsim_log_capacity(), 1000000u);
    const auto waits = [](int first, int last) {
        std::vector<DriverCall> calls;
        for (int us = first; us <= last; ++us) calls.push_back({"DelayMicros", {double(us)}, 1});
        return calls;
    };
    const auto wait = [](int from, int to) {
        for (int us = from; us <= to; ++us) DelayMicros(us);
    };
    // A capacity that no internal block size divides, filled twice over.
    kxsim_set_log_capacity(10007);
    wait(1, 30011);
    EXPECT_EQ(kxsim_log_size(), 10007u);
    EXPECT_EQ(kxsim_log_dropped(), 20004u);
    EXPECT_EQ(boardLog(), waits(20005, 30011));

    struct Step {
        std::size_t capacity;
        int calls;  // further waits, numbered on
        std::vector<DriverCall> kept;
        uint64_t dropped;
    };
    const Step steps[] = {
        {2, 0, waits(30010, 30011), 20004 + 10005},  // shrinking drops the oldest
        {5, 2, waits(30010, 30013), 30009},          // growing drops nothing
        {5, 3, waits(30012, 30016), 30011},
        {0, 2, {}, 30011 + 5 + 2},                   // 0 keeps none
    };
    int next = 30012;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.capacity);
        kxsim_set_log_capacity(step.capacity);
        wait(next, next + step.calls - 1);
        next += step.calls;
        EXPECT_EQ(kxsim_log_capacity(), step.capacity);
        EXPECT_EQ(boardLog(), step.kept);
        EXPECT_EQ(kxsim_log_dropped(), step.dropped);
    }
    EXPECT_EQ(kxsim_log_entry(0, nullptr, nullptr, nullptr, nullptr), -1);

    kxsim_set_log_capacity(3);
    wait(1, 4);
    kxsim_set_logging(0);
    wait(5, 9);  // neither kept nor dropped
    kxsim_set_logging(1);
    EXPECT_EQ(boardLog(), waits(2, 4));
    EXPECT_EQ(kxsim_log_dropped(), 30011 + 5 + 2 + 1);
    kxsim_clear_log();
    EXPECT_EQ(kxsim_log_size(), 0u);
    EXPECT_EQ(kxsim_log_dropped(), 0u);
    EXPECT_EQ(kxsim_log_capacity(), 3u);
    kxsim_reset();
    EXPECT_EQ(kxsim_log_capacity(), 1000000u);
}

TEST_F(Sim, LogEntriesHoldEveryArgumentAndResultAtFullWidth) {
    enter(Session::Active);
    WriteTimerControl(0xFFFF, INT32_MIN, INT32_MAX, -1);
    kxsim_inject("GetActiveBoard", 1, -1);
    GetActiveBoard();
    kxsim_inject("ReadTimerCounter", 1, 4294967295.0);
    ReadTimerCounter(0, 0, 0);
    kxsim_inject("CloseDriver", 1, 65535);
    CloseDriver();
    EXPECT_EQ(boardLog(), (std::vector<DriverCall>{
                            {"WriteTimerControl", {65535, INT32_MIN, INT32_MAX, -1}, 2},
                            {"GetActiveBoard", {}, -1},
                            {"ReadTimerCounter", {0, 0, 0}, 4294967295.0},
                            {"CloseDriver", {}, 65535},
                        }));
}

// The log in blocks: the same entries as one by one, the operation by its
// index, absent arguments NaN.
TEST_F(Sim, TheLogReadsInBlocks) {
    enter(Session::Active);
    const size_t total = KXSIM_LOG_BLOCK + 5;
    for (size_t k = 0; k < total; ++k) {
        if (k % 3 == 0) WriteTimerControl(kAddr, 2, 0xB6, static_cast<int32_t>(k));
        if (k % 3 == 1) GetActiveBoard();
        if (k % 3 == 2) DelayMicros(9999);
    }
    ASSERT_EQ(kxsim_log_size(), total);
    const std::vector<DriverCall> expected = boardLog();
    std::vector<uint8_t> ops(KXSIM_LOG_BLOCK), counts(KXSIM_LOG_BLOCK);
    std::vector<double> args(4 * KXSIM_LOG_BLOCK), results(KXSIM_LOG_BLOCK);
    std::vector<DriverCall> read;
    std::vector<size_t> blocks;
    for (size_t first = 0;;) {
        const size_t n = kxsim_log_entries(first, ops.data(), counts.data(), args.data(), results.data());
        if (n == 0) break;
        blocks.push_back(n);
        for (size_t k = 0; k < n; ++k) {
            const char* name = nullptr;
            ASSERT_EQ(kxsim_op_name(ops[k], &name), 0);
            ASSERT_LE(counts[k], 4);
            DriverCall c{name, std::vector<double>(&args[4 * k], &args[4 * k] + counts[k]), results[k]};
            for (size_t i = counts[k]; i < 4; ++i) EXPECT_TRUE(std::isnan(args[4 * k + i])) << first + k;
            read.push_back(c);
        }
        first += n;
    }
    EXPECT_EQ(blocks, (std::vector<size_t>{KXSIM_LOG_BLOCK, 5}));
    EXPECT_EQ(read, expected);
    EXPECT_EQ(read.at(1), (DriverCall{"GetActiveBoard", {}, 0}));
    EXPECT_EQ(read.at(2), (DriverCall{"DelayMicros", {9999}, 14}));
}

TEST_F(Sim, ALogBlockWritesOnlyTheArraysGivenAndOnlyTheEntriesKept) {
    WriteAnalogOut(1, 7);  // driver closed: status 1
    GetActiveBoard();
    std::vector<uint8_t> ops(KXSIM_LOG_BLOCK, 99), counts(KXSIM_LOG_BLOCK, 99);
    std::vector<double> args(4 * KXSIM_LOG_BLOCK, 99), results(KXSIM_LOG_BLOCK, 99);
    EXPECT_EQ(kxsim_log_entries(1, nullptr, counts.data(), nullptr, results.data()), 1u);
    EXPECT_EQ(counts[0], 0);
    EXPECT_EQ(results[0], -1);
    EXPECT_EQ(counts[1], 99);
    EXPECT_EQ(results[1], 99);
    EXPECT_EQ(kxsim_log_entries(0, ops.data(), nullptr, args.data(), nullptr), 2u);
    EXPECT_EQ(std::vector<uint8_t>(ops.begin(), ops.begin() + 3), (std::vector<uint8_t>{7, 6, 99}));
    EXPECT_EQ(args[0], 1);
    EXPECT_EQ(args[1], 7);
    EXPECT_TRUE(std::isnan(args[2]) && std::isnan(args[3]) && std::isnan(args[4]));
    EXPECT_EQ(args[8], 99);
    EXPECT_EQ(kxsim_log_entries(2, ops.data(), counts.data(), args.data(), results.data()), 0u);
    EXPECT_EQ(kxsim_log_entries(size_t(-1), ops.data(), counts.data(), args.data(), results.data()), 0u);
    EXPECT_EQ(results[2], 99);
}

TEST_F(Sim, OperationsAreNamedByTheirIndexInKxdrvOrder) {
    const std::vector<std::string> expected = {
        "GetLibraryVersion", "OpenDriver",        "CloseDriver",  "GetDriverVersion",
        "GetBoardAddress",   "ActivateBoard",     "GetActiveBoard", "WriteAnalogOut",
        "ConfigureAnalogIn", "ReadAnalogIn",      "DelayMicros",  "WriteTimerControl",
        "ReadTimerCounter"};
    std::vector<std::string> names;
    for (int i = 0; i < 13; ++i) {
        const char* name = nullptr;
        ASSERT_EQ(kxsim_op_name(i, &name), 0);
        names.push_back(name);
    }
    EXPECT_EQ(names, expected);
    const char* untouched = "untouched";
    EXPECT_EQ(kxsim_op_name(13, &untouched), -1);
    EXPECT_EQ(kxsim_op_name(-1, &untouched), -1);
    EXPECT_STREQ(untouched, "untouched");
    EXPECT_EQ(kxsim_op_name(0, nullptr), 0);
}

// ---------------------------------------------------------------- reset, real clock

TEST_F(Sim, ResetReturnsToPowerOn) {
    kxsim_set_boards(4);
    kxsim_set_versions(1, 2);
    kxsim_set_cost("ReadAnalogIn", 1);
    kxsim_set_plant(3, 0.001);
    kxsim_set_level(2, 5);
    const double q[] = {1, 2};
    kxsim_queue_ad(2, q, 2);
    kxsim_queue_timer(q, 2);
    kxsim_inject("OpenDriver", 2, 9);
    enter(Session::Active);
    ActivateBoard(3);
    WriteAnalogOut(0, 4095);
    WriteAnalogOut(1, 0);
    ConfigureAnalogIn(2, 7);
    WriteTimerControl(0xE300, 2, 0xB6, 0);
    DelayMicros(5000);
    kxsim_set_logging(0);
    kxsim_set_clock(1);

    kxsim_reset();
    EXPECT_EQ(kxsim_clock_is_real(), 0);
    EXPECT_EQ(kxsim_now_ns(), 0);
    EXPECT_EQ(kxsim_driver_open(), 0);
    EXPECT_EQ(kxsim_active_board(), -1);
    EXPECT_EQ(kxsim_da(0), 2047);
    EXPECT_EQ(kxsim_da(1), 2047);
    EXPECT_EQ(kxsim_ad_config(2), 0);
    EXPECT_EQ(kxsim_ad_channel(), 0);
    EXPECT_EQ(kxsim_plant_output(), 0.0);
    EXPECT_EQ(kxsim_log_size(), 0u);
    EXPECT_EQ(kxsim_injections_pending(), 0u);
    EXPECT_EQ(kxsim_ad_queued(2), 0u);
    EXPECT_EQ(kxsim_timer_queued(), 0u);
    EXPECT_EQ(kxsim_level(2), 0.0);
    EXPECT_EQ(GetLibraryVersion(), 0x01A0);
    uint16_t boards = 0;
    EXPECT_EQ(OpenDriver(&boards), 0);
    EXPECT_EQ(OpenDriver(&boards), 0);  // injection gone
    EXPECT_EQ(boards, 1);
    EXPECT_EQ(ActivateBoard(0), 0);
    EXPECT_EQ(ReadTimerCounter(kAddr, 2, 0x80), 0u);
    ASSERT_EQ(ConfigureAnalogIn(2, 0), 0);
    EXPECT_FLOAT_EQ(readAd(), static_cast<float>(-10 + 2048 * 20.0 / 4095));
    EXPECT_EQ(kxsim_now_ns(), 1000 + 2000 + 10000);
    EXPECT_EQ(kxsim_log_size(), 7u);
}

TEST_F(Sim, RealClockWaitsInRealTime) {
    kxsim_set_clock(1);
    EXPECT_EQ(kxsim_clock_is_real(), 1);
    enter(Session::Active);
    // Waits that only spin (up to 1 ms) and waits that sleep first: never
    // one that ends early.
    const int32_t waits[] = {0, 1, 150, 2000, 8191, 10};
    std::vector<DriverCall> expected;
    for (int32_t micros : waits) {
        const auto start = std::chrono::steady_clock::now();
        const int64_t boardStart = kxsim_now_ns();
        ASSERT_EQ(DelayMicros(micros), 0) << micros;
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(micros))
            << micros;
        EXPECT_GE(kxsim_now_ns() - boardStart, micros * int64_t{1000}) << micros;
        expected.push_back({"DelayMicros", {static_cast<double>(micros)}, 0});
    }
    EXPECT_EQ(boardLog(), expected);
    kxsim_set_clock(0);
    EXPECT_EQ(kxsim_clock_is_real(), 0);
    EXPECT_EQ(kxsim_now_ns(), 0);
}

}  // namespace
