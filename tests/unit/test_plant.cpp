// The simulated board's virtual lab, through the driver operations and the
// control port alone: plants placed between a DA output and an AD input
// against their closed-form responses, periodic sources, seeded noise, the
// lab plants, and every refusal with its text.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <limits>
#include <string>
#include <vector>

#include "kxsim.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.14159265358979323846;

// DA code to volts, as the datasheet gives it.
double volts(int code) { return code / 204.75 - 10.0; }

double seconds(int64_t ns) { return static_cast<double>(ns) * 1e-9; }

// An input that takes value u from board time t on (seconds).
struct Change {
    double t, u;
};

using Step = std::function<double(double)>;

// A linear plant's response from rest to a piecewise-constant input: its
// unit step response s superposed at every change.
double superposed(const Step& s, const std::vector<Change>& input, double t) {
    double y = 0, before = 0;
    for (const Change& c : input) {
        if (c.t > t) break;
        y += (c.u - before) * s(t - c.t);
        before = c.u;
    }
    return y;
}

// Unit step responses.
Step firstOrder(double gain, double tau) {
    return [=](double t) { return gain * -std::expm1(-t / tau); };
}
// gain p1 p2 / ((s + p1)(s + p2)), p1 != p2.
Step twoRealPoles(double gain, double p1, double p2) {
    return [=](double t) {
        return gain * (1 - (p2 * std::exp(-p1 * t) - p1 * std::exp(-p2 * t)) / (p2 - p1));
    };
}
// gain wn^2 / (s^2 + 2 zeta wn s + wn^2), zeta < 1.
Step underdamped(double gain, double wn, double zeta) {
    const double wd = wn * std::sqrt(1 - zeta * zeta);
    return [=](double t) {
        return gain * (1 - std::exp(-zeta * wn * t) *
                               (std::cos(wd * t) + zeta / std::sqrt(1 - zeta * zeta) *
                                                       std::sin(wd * t)));
    };
}

// The coefficients of prod (s + r) over the roots' negatives r.
std::vector<double> polynomial(const std::vector<double>& r) {
    std::vector<double> p{1};
    for (double root : r) {
        std::vector<double> q(p.size() + 1, 0.0);
        for (std::size_t i = 0; i < p.size(); ++i) {
            q[i] += p[i];
            q[i + 1] += p[i] * root;
        }
        p = q;
    }
    return p;
}

int placeTf(int da, int ad, const std::vector<double>& num, const std::vector<double>& den,
            double delay, const char** why = nullptr) {
    return kxsim_set_tf(da, ad, num.data(), num.size(), den.data(), den.size(), delay, why);
}

// A board with an active session whose operations take no time: board time
// moves by the waits alone, in whole microseconds.
class Lab : public ::testing::Test {
protected:
    void SetUp() override {
        kxsim_reset();
        kxsim_zero_costs();
        uint16_t boards = 0;
        ASSERT_EQ(OpenDriver(&boards), 0);
        ASSERT_EQ(ActivateBoard(0), 0);
    }
    void TearDown() override { kxsim_reset(); }

    static void wait(int micros) {
        while (micros > 0) {
            const int w = micros < 8000 ? micros : 8000;
            ASSERT_EQ(DelayMicros(w), 0);
            micros -= w;
        }
    }
    static double now() { return seconds(kxsim_now_ns()); }
    // A DA write, and the change it makes on a plant input a delay later.
    static Change write(int da, int code, double delay = 0) {
        EXPECT_EQ(WriteAnalogOut(da, code), 0);
        return Change{now() + delay, volts(code)};
    }
};

// Irregular waits (us) between DA writes and the codes written.
const int kWaits[] = {137, 2203, 5011, 333, 8000, 1234, 1701, 4999, 61, 3000};
const int kCodes[] = {3071, 1024, 4095, 2047, 0, 2600, 3500, 1500, 2900, 2100};

// ---------------------------------------------------------------- plants

struct PlantCase {
    const char* name;
    std::vector<double> num, den;
    Step step;
};

std::string caseName(const PlantCase& c) { return c.name; }
void PrintTo(const PlantCase& c, std::ostream* os) { *os << c.name; }

std::vector<PlantCase> plantCases() {
    std::vector<double> roots;
    for (int k = 1; k <= 8; ++k) roots.push_back(64.0 * k);
    const std::vector<double> den8 = polynomial(roots);
    return {
        {"FirstOrder", {2}, {0.01, 1}, firstOrder(2, 0.01)},
        {"NumeratorWithLeadingZeros", {0, 0, 2}, {0.01, 1}, firstOrder(2, 0.01)},
        {"SecondOrderRealPoles", {2e4}, {2, 500, 2e4}, twoRealPoles(1, 50, 200)},
        {"SecondOrderUnderdamped", {1e4}, {1, 40, 1e4}, underdamped(1, 100, 0.2)},
        {"Unstable", {1}, {1, -20}, [](double t) { return std::expm1(20 * t) / 20; }},
        {"Integrator", {5}, {1, 0}, [](double t) { return 5 * t; }},
        // (s + 30) / (s + 120) = 1 - 90 / (s + 120): a direct term of 1.
        {"DirectTerm", {1, 30}, {1, 120}, [](double t) { return 0.25 + 0.75 * std::exp(-120 * t); }},
        {"StaticGain", {3}, {1.5}, [](double) { return 2.0; }},
        // 8! w^8 / ((s + w)(s + 2w)...(s + 8w)) steps as (1 - e^(-w t))^8.
        {"OrderEight", {40320.0 * std::pow(64.0, 8)}, den8,
         [](double t) { return std::pow(-std::expm1(-64 * t), 8); }},
    };
}

class PlantTable : public Lab, public ::testing::WithParamInterface<PlantCase> {};

TEST_P(PlantTable, FollowsItsClosedFormThroughIrregularWrites) {
    const PlantCase& c = GetParam();
    ASSERT_EQ(placeTf(0, 6, c.num, c.den, 0), 0);
    std::vector<Change> input{{now(), volts(2047)}};
    for (std::size_t k = 0; k < std::size(kWaits); ++k) {
        // Samples within the interval, then the write at its end.
        for (int part : {kWaits[k] / 3, kWaits[k] - kWaits[k] / 3}) {
            wait(part);
            const double expected = superposed(c.step, input, now());
            const double y = kxsim_analog(6);
            EXPECT_NEAR(y, expected, 1e-12 * (1 + std::fabs(expected))) << "at " << now();
        }
        input.push_back(write(0, kCodes[k]));
        // A write acts at once: the direct term shows it at the same time.
        const double expected = superposed(c.step, input, now());
        EXPECT_NEAR(kxsim_analog(6), expected, 1e-12 * (1 + std::fabs(expected)));
    }
}

INSTANTIATE_TEST_SUITE_P(Lab, PlantTable, ::testing::ValuesIn(plantCases()),
                         [](const auto& info) { return caseName(info.param); });

TEST_F(Lab, DeadTimeDelaysEveryWriteAndTheDelayLineStartsFull) {
    const double delay = 0.0031;
    ASSERT_EQ(placeTf(0, 3, {1e4}, {1, 40, 1e4}, delay), 0);
    ASSERT_EQ(placeTf(0, 4, {1e4}, {1, 40, 1e4}, 0), 0);
    const Step s = underdamped(1, 100, 0.2);
    // Before any write arrives the plant sees what DA 0 put out when it was
    // placed, from then on.
    std::vector<Change> late{{now(), volts(2047)}}, direct{{now(), volts(2047)}};
    for (std::size_t k = 0; k < std::size(kWaits); ++k) {
        wait(kWaits[k]);
        EXPECT_NEAR(kxsim_analog(3), superposed(s, late, now()), 1e-12) << now();
        EXPECT_NEAR(kxsim_analog(4), superposed(s, direct, now()), 1e-12) << now();
        late.push_back(write(0, kCodes[k], delay));
        direct.push_back(Change{late.back().t - delay, late.back().u});
    }
    for (int k = 0; k < 10; ++k) {
        wait(700);
        EXPECT_NEAR(kxsim_analog(3), superposed(s, late, now()), 1e-12) << now();
    }
}

TEST_F(Lab, AWriteOfTheValueAlreadyOnItsWayChangesNothing) {
    ASSERT_EQ(placeTf(0, 3, {1}, {0.002, 1}, 0.001), 0);
    ASSERT_EQ(placeTf(0, 4, {1}, {0.002, 1}, 0.001), 0);
    std::vector<Change> input{{now(), volts(2047)}};
    input.push_back(write(0, 3000, 0.001));
    wait(300);
    ASSERT_EQ(WriteAnalogOut(0, 3000), 0);
    wait(2000);
    EXPECT_NEAR(kxsim_analog(3), superposed(firstOrder(1, 0.002), input, now()), 1e-12);
    EXPECT_EQ(kxsim_analog(3), kxsim_analog(4));
}

TEST_F(Lab, SeveralPlantsOnOneDaEachFollowTheirOwn) {
    // AD 2, 3 and 5 from DA 0; AD 4 from DA 1, which DA 0's writes leave alone.
    ASSERT_EQ(placeTf(0, 2, {2}, {0.01, 1}, 0), 0);
    ASSERT_EQ(placeTf(0, 3, {2e4}, {2, 500, 2e4}, 0), 0);
    ASSERT_EQ(placeTf(1, 4, {1, 30}, {1, 120}, 0), 0);
    ASSERT_EQ(placeTf(0, 5, {1e4}, {1, 40, 1e4}, 0.0025), 0);
    const double t0 = now();
    std::vector<Change> da0{{t0, volts(2047)}}, da0late{{t0, volts(2047)}}, da1{{t0, volts(2047)}};
    for (std::size_t k = 0; k < std::size(kWaits); ++k) {
        wait(kWaits[k]);
        const double t = now();
        EXPECT_NEAR(kxsim_analog(2), superposed(firstOrder(2, 0.01), da0, t), 1e-11);
        EXPECT_NEAR(kxsim_analog(3), superposed(twoRealPoles(1, 50, 200), da0, t), 1e-11);
        EXPECT_NEAR(kxsim_analog(4),
                    superposed([](double s) { return 0.25 + 0.75 * std::exp(-120 * s); }, da1, t),
                    1e-11);
        EXPECT_NEAR(kxsim_analog(5), superposed(underdamped(1, 100, 0.2), da0late, t), 1e-11);
        if (k % 3 == 2) {
            da1.push_back(write(1, kCodes[k]));
        } else {
            da0.push_back(write(0, kCodes[k]));
            da0late.push_back(Change{da0.back().t + 0.0025, da0.back().u});
        }
    }
    // DA 1's own wire to AD 1 is still there.
    EXPECT_EQ(kxsim_analog(1), volts(kxsim_da(1)));
}

TEST_F(Lab, AReadingIsThePlantsValueNowQuantised) {
    // The operations' default costs: a reading converts at the end of its
    // conversion, and that is the board time after it.
    kxsim_reset();
    uint16_t boards = 0;
    ASSERT_EQ(OpenDriver(&boards), 0);
    ASSERT_EQ(ActivateBoard(0), 0);
    ASSERT_EQ(placeTf(0, 7, {1e4}, {1, 40, 1e4}, 0.0005), 0);
    ASSERT_EQ(WriteAnalogOut(0, 3900), 0);
    for (int config : {0, 1, 2, 6, 7, 17}) {
        const double lo[] = {-10, -5, -2.5, -1.25, -1, -0.5, 0, 0, 0, 0, 0, 0};
        const double hi[] = {10, 5, 2.5, 1.25, 1, 0.5, 10, 5, 2.5, 1.25, 1, 0.5};
        const double l = lo[config % 16], h = hi[config % 16];
        ASSERT_EQ(ConfigureAnalogIn(7, config), 0);
        for (int k = 0; k < 40; ++k) {
            ASSERT_EQ(DelayMicros(97 + 13 * k), 0);
            float reading = 0;
            ASSERT_EQ(ReadAnalogIn(&reading), 0);
            double v = kxsim_analog(7);
            if (v < l) v = l;
            if (v > h) v = h;
            const double code = std::round((v - l) / (h - l) * 4095.0);
            EXPECT_EQ(reading, static_cast<float>(l + code * (h - l) / 4095.0)) << config << " " << k;
        }
    }
}

TEST_F(Lab, APlantOnAdZeroStandsInForTheFirstOrderPlantWhichRunsOnBeneath) {
    ASSERT_EQ(WriteAnalogOut(0, 4095), 0);
    wait(1000);
    ASSERT_EQ(placeTf(0, 0, {3}, {0.002, 1}, 0), 0);
    std::vector<Change> input{{now(), volts(4095)}};
    wait(5000);
    input.push_back(write(0, 1000));
    wait(3000);
    EXPECT_NEAR(kxsim_analog(0), superposed(firstOrder(3, 0.002), input, now()), 1e-12);
    // The first-order plant: u = 10 V for 6 ms, then volts(1000) for 3 ms.
    const double y6 = 10 * -std::expm1(-0.006 / 0.05);
    const double y9 = y6 + (volts(1000) - y6) * -std::expm1(-0.003 / 0.05);
    EXPECT_NEAR(kxsim_plant_output(), y9, 1e-12);
    ASSERT_EQ(kxsim_remove_plant(0, nullptr), 0);
    EXPECT_EQ(kxsim_analog(0), kxsim_plant_output());
}

TEST_F(Lab, UnplantBringsBackEachChannelsWiring) {
    ASSERT_EQ(kxsim_set_level(5, 1.5), 0);
    ASSERT_EQ(WriteAnalogOut(1, 3000), 0);
    for (int ad : {1, 5}) ASSERT_EQ(placeTf(0, ad, {1}, {1, 1}, 0), 0);
    wait(2000);
    EXPECT_NE(kxsim_analog(1), volts(3000));
    EXPECT_NE(kxsim_analog(5), 1.5);
    for (int ad : {1, 5}) ASSERT_EQ(kxsim_remove_plant(ad, nullptr), 0);
    EXPECT_EQ(kxsim_analog(1), volts(3000));
    EXPECT_EQ(kxsim_analog(5), 1.5);
    // Nothing to remove is no refusal; the channel is free for another plant.
    EXPECT_EQ(kxsim_remove_plant(5, nullptr), 0);
    EXPECT_EQ(placeTf(1, 5, {2}, {1}, 0), 0);
    EXPECT_EQ(kxsim_analog(5), 2 * volts(3000));
}

TEST_F(Lab, LimitsHoldTheOutputNotTheState) {
    ASSERT_EQ(placeTf(0, 2, {2}, {0.01, 1}, 0), 0);
    ASSERT_EQ(placeTf(0, 3, {2}, {0.01, 1}, 0), 0);
    ASSERT_EQ(kxsim_set_limits(2, -1, 4.5, nullptr), 0);
    const double t0 = now();
    std::vector<Change> input{{t0, volts(2047)}};
    input.push_back(write(0, 4095));
    bool above = false, below = false;
    for (int k = 0; k < 60; ++k) {
        if (k == 30) input.push_back(write(0, 0));
        wait(1000);
        const double y = superposed(firstOrder(2, 0.01), input, now());
        EXPECT_NEAR(kxsim_analog(3), y, 1e-11);
        EXPECT_NEAR(kxsim_analog(2), std::min(std::max(y, -1.0), 4.5), 1e-11);
        above = above || y > 4.5;
        below = below || y < -1;
    }
    EXPECT_TRUE(above);
    EXPECT_TRUE(below);
    // No limits again: the plant's state was never held.
    ASSERT_EQ(kxsim_set_limits(2, -kInf, kInf, nullptr), 0);
    EXPECT_EQ(kxsim_analog(2), kxsim_analog(3));
}

// ---------------------------------------------------------------- lab plants

struct LabCase {
    const char* name;
    Step step;     // per volt in, from the datasheet's physics
    double delay;  // its dead time, s
};

std::string caseName(const LabCase& c) { return c.name; }
void PrintTo(const LabCase& c, std::ostream* os) { *os << c.name; }

std::vector<LabCase> labCases() {
    // DC motor: K / ((J s + b)(L s + R) + K^2), times the tachogenerator.
    const double R = 1, L = 1e-3, J = 1e-4, b = 1e-5, K = 0.05, kt = 0.05;
    const double a1 = (J * R + b * L) / (J * L), a0 = (b * R + K * K) / (J * L);
    const double disc = std::sqrt(a1 * a1 / 4 - a0);
    const double motorGain = kt * K / (b * R + K * K);
    // Coupled tanks, linearised: R2 / (A1 A2 R1 R2 s^2 + (A1 R1 + A1 R2 + A2 R2) s + 1).
    const double A1 = 0.01, A2 = 0.01, R1 = 500, R2 = 500, kq = 1e-4, ks = 20;
    const double t2 = A1 * A2 * R1 * R2, t1 = A1 * R1 + A1 * R2 + A2 * R2;
    const double tdisc = std::sqrt(t1 * t1 / (4 * t2 * t2) - 1 / t2);
    // Mass, spring, damper: 1 / (m s^2 + c s + k), force and position sensors.
    const double m = 0.5, c = 2, k = 200, kf = 2, kx = 100;
    return {
        {"dcmotor", twoRealPoles(motorGain, a1 / 2 - disc, a1 / 2 + disc), 0},
        // Amplifier 5 W/V, 4 K/W to the surroundings, 0.5 J/K, sensor 0.05 V/K.
        {"heater", firstOrder(0.05 * 5 * 4, 4 * 0.5), 0.25},
        {"tanks", twoRealPoles(ks * kq * R2, t1 / (2 * t2) - tdisc, t1 / (2 * t2) + tdisc), 0},
        {"massspring", underdamped(kx * kf / k, std::sqrt(k / m), c / (2 * std::sqrt(k * m))), 0},
    };
}

class LabTable : public Lab, public ::testing::WithParamInterface<LabCase> {};

TEST_P(LabTable, StepsAsItsPhysicsSay) {
    const LabCase& c = GetParam();
    ASSERT_EQ(WriteAnalogOut(1, 2047), 0);
    const char* why = nullptr;
    ASSERT_EQ(kxsim_set_lab(c.name, 1, 9, &why), 0) << why;
    const double t0 = now();
    std::vector<Change> input{{t0, volts(2047)}};
    wait(20000);
    input.push_back(write(1, 2047 + 409, c.delay));
    // Ten samples over some seconds, at first within the dead time.
    for (int k = 0; k < 10; ++k) {
        wait(k == 0 ? 1000 : 50000 + 31 * k);
        const double expected = superposed(c.step, input, now());
        EXPECT_NEAR(kxsim_analog(9), expected, 1e-11) << now();
    }
    for (int k = 0; k < 10; ++k) {
        wait(400000);
        const double expected = superposed(c.step, input, now());
        EXPECT_NEAR(kxsim_analog(9), expected, 1e-11) << now();
    }
}

INSTANTIATE_TEST_SUITE_P(Lab, LabTable, ::testing::ValuesIn(labCases()),
                         [](const auto& info) { return caseName(info.param); });

TEST_F(Lab, MassSpringDamperOvershootsByItsDampingRatio) {
    ASSERT_EQ(kxsim_set_lab("massspring", 0, 2, nullptr), 0);
    // At rest on DA 0's -2.44 mV first: its own small ring has died away.
    wait(3000000);
    const double start = kxsim_analog(2);
    ASSERT_EQ(WriteAnalogOut(0, 2047 + 204), 0);  // about 1 V up
    double peak = -kInf;
    for (int k = 0; k < 2000; ++k) {
        wait(100);
        peak = std::max(peak, kxsim_analog(2));
    }
    // e^(-zeta wn t) = e^(-20): settled.
    wait(10000000);
    const double rise = kxsim_analog(2) - start;
    // zeta 0.1: exp(-pi zeta / sqrt(1 - zeta^2)) = 72.9 %.
    EXPECT_NEAR((peak - start - rise) / rise, std::exp(-kPi * 0.1 / std::sqrt(0.99)), 1e-4);
}

// ---------------------------------------------------------------- sources

// x as an angle in (-pi, pi].
double angle(double x) { return std::atan2(std::sin(x), std::cos(x)); }

struct SourceCase {
    const char* name;
    const char* kind;
    double amplitude, frequency, phase, offset;
    // The wave of x = 2 pi f t + phase, written apart from the board's.
    double (*wave)(double x);
};

std::string caseName(const SourceCase& c) { return c.name; }
void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.name; }

const SourceCase sourceCases[] = {
    {"Sine", "sine", 2.5, 50, 0.3, 1, [](double x) { return std::sin(x); }},
    {"Square", "square", 1.5, 333, -1.1, -0.5, [](double x) { return std::sin(x) >= 0 ? 1.0 : -1.0; }},
    {"Triangle", "triangle", 3, 120, 2, 0.25, [](double x) { return 2 * std::fabs(angle(x)) / kPi - 1; }},
    {"Sawtooth", "sawtooth", 0.75, 77, 0, 2,
     [](double x) { return angle(x) >= 0 ? angle(x) / kPi - 1 : angle(x) / kPi + 1; }},
    {"SlowSine", "sine", 4, 0.5, -2, 0, [](double x) { return std::sin(x); }},
    {"Constant", "sine", 4, 0, kPi / 2, 1, [](double x) { return std::sin(x); }},
};

class SourceTable : public Lab, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(SourceTable, FollowsItsClosedForm) {
    const SourceCase& c = GetParam();
    wait(777);  // the phase holds at the time of the call, not at 0
    const double t0 = now();
    const char* why = nullptr;
    ASSERT_EQ(kxsim_set_signal(4, c.kind, c.amplitude, c.frequency, c.phase, c.offset, &why), 0)
        << why;
    ASSERT_EQ(kxsim_set_level(4, 0.125), 0);
    for (int k = 0; k < 200; ++k) {
        wait(37 + (k * 7919) % 1009);
        const double x = 2 * kPi * c.frequency * (now() - t0) + c.phase;
        EXPECT_NEAR(kxsim_analog(4), 0.125 + c.offset + c.amplitude * c.wave(x), 1e-9) << now();
    }
    ASSERT_EQ(kxsim_set_signal(4, "none", 0, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(kxsim_analog(4), 0.125);
}

INSTANTIATE_TEST_SUITE_P(Lab, SourceTable, ::testing::ValuesIn(sourceCases),
                         [](const auto& info) { return caseName(info.param); });

TEST_F(Lab, ASourceAndNoiseAddToAPlantsOutput) {
    ASSERT_EQ(placeTf(0, 2, {1e4}, {1, 40, 1e4}, 0), 0);
    ASSERT_EQ(placeTf(0, 3, {1e4}, {1, 40, 1e4}, 0), 0);
    ASSERT_EQ(kxsim_set_noise(12, 0.02, 99, nullptr), 0);
    ASSERT_EQ(kxsim_set_signal(2, "sine", 0.1, 1000, 0, 0, nullptr), 0);
    ASSERT_EQ(kxsim_set_noise(2, 0.02, 99, nullptr), 0);
    const double t0 = now();
    ASSERT_EQ(WriteAnalogOut(0, 3000), 0);
    for (int k = 0; k < 50; ++k) {
        wait(53 + k);
        const double sine = 0.1 * std::sin(2 * kPi * 1000 * (now() - t0));
        EXPECT_NEAR(kxsim_analog(2), kxsim_analog(3) + sine + kxsim_analog(12), 1e-12);
    }
}

// ---------------------------------------------------------------- noise

TEST_F(Lab, NoiseIsTheSameNumbersOnEveryMachine) {
    ASSERT_EQ(kxsim_set_noise(8, 1.0, 20260101, nullptr), 0);
    // sigma 1 on a level of 0 V: the generator's own numbers, at 0, 1, 2, 3
    // and 1000 us after the noise was set, bit for bit.
    const double expected[] = {0x1.995ca9fee8b7bp+0, -0x1.06cf27c4b8b9fp+0, -0x1.34fabd121307fp-1,
                               -0x1.abb7185dcdb96p-1, 0x1.06c5d439de809p+0};
    const int at[] = {0, 1, 2, 3, 1000};
    int last = 0;
    for (std::size_t k = 0; k < std::size(at); ++k) {
        wait(at[k] - last);
        last = at[k];
        EXPECT_EQ(kxsim_analog(8), expected[k]) << k;
    }
}

TEST_F(Lab, NoiseRepeatsForItsSeedFromTheTimeItIsSet) {
    ASSERT_EQ(kxsim_set_noise(8, 0.5, 7, nullptr), 0);
    std::vector<double> first;
    for (int k = 0; k < 100; ++k) {
        first.push_back(kxsim_analog(8));
        wait(1 + k % 5);
    }
    ASSERT_EQ(kxsim_set_level(9, 1.0), 0);
    ASSERT_EQ(kxsim_set_noise(9, 0.5, 7, nullptr), 0);
    ASSERT_EQ(kxsim_set_noise(10, 0.5, 8, nullptr), 0);
    int differ = 0;
    for (int k = 0; k < 100; ++k) {
        EXPECT_EQ(kxsim_analog(9), 1.0 + first[k]) << k;
        differ += kxsim_analog(10) != first[k];
        // Reading does not draw: the same board time reads the same.
        EXPECT_EQ(kxsim_analog(9), 1.0 + first[k]) << k;
        wait(1 + k % 5);
    }
    EXPECT_EQ(differ, 100);
    ASSERT_EQ(kxsim_set_noise(9, 0, 7, nullptr), 0);
    EXPECT_EQ(kxsim_analog(9), 1.0);
}

// ---------------------------------------------------------------- clock, reset

TEST_F(Lab, ChoosingTheClockLetsPlantsSourcesAndNoiseRunOn) {
    ASSERT_EQ(placeTf(0, 2, {1e4}, {1, 40, 1e4}, 0.002), 0);
    ASSERT_EQ(kxsim_set_signal(3, "triangle", 1, 100, 0, 0, nullptr), 0);
    ASSERT_EQ(kxsim_set_noise(4, 1, 5, nullptr), 0);
    std::vector<Change> input{{now(), volts(2047)}};
    wait(500);
    input.push_back(write(0, 4000, 0.002));
    wait(1000);
    const double before[] = {kxsim_analog(2), kxsim_analog(3), kxsim_analog(4)};
    const double elapsed = now();
    kxsim_set_clock(0);
    EXPECT_EQ(kxsim_now_ns(), 0);
    EXPECT_EQ(kxsim_analog(2), before[0]);
    EXPECT_EQ(kxsim_analog(3), before[1]);
    EXPECT_EQ(kxsim_analog(4), before[2]);
    // The write still on its way arrives 2 ms after it was made.
    wait(3000);
    EXPECT_NEAR(kxsim_analog(2), superposed(underdamped(1, 100, 0.2), input, elapsed + now()),
                1e-12);
}

TEST_F(Lab, OnTheRealClockAChannelIsSampledWhenItIsRead) {
    kxsim_set_clock(1);
    // A rising ramp (a slow sawtooth's first half period) and a plant's
    // rising step: each value lies between the closed form's at the board
    // times around it, each setting's time too known between two readings
    // of the clock.
    const double set0 = now();
    ASSERT_EQ(kxsim_set_signal(4, "sawtooth", 1, 0.01, 0, 0, nullptr), 0);
    const double set1 = now();
    ASSERT_EQ(placeTf(0, 5, {1}, {0.02, 1}, 0), 0);
    const double placed = now();
    ASSERT_EQ(WriteAnalogOut(0, 4095), 0);
    const double written = now();
    // u0 < 0 from the placing on, u1 > u0 from the write on: a later
    // placing raises y, a later write lowers it.
    const double u0 = volts(2047), u1 = volts(4095);
    const Step s = firstOrder(1, 0.02);
    const auto y = [&](double t, double place, double write) {
        return superposed(s, {{place, u0}, {write, u1}}, t);
    };
    for (int k = 0; k < 200; ++k) {
        const double before = now();
        const double r = kxsim_analog(4), v = kxsim_analog(5);
        const double after = now();
        EXPECT_LE(2 * 0.01 * (before - set1) - 1 - 1e-12, r);
        EXPECT_LE(r, 2 * 0.01 * (after - set0) - 1 + 1e-12);
        EXPECT_LE(y(before, set1, written) - 1e-12, v);
        EXPECT_LE(v, y(after, placed, placed) + 1e-12);
    }
}

TEST_F(Lab, ResetBringsBackThePowerOnWiring) {
    ASSERT_EQ(kxsim_set_level(5, 2.5), 0);
    ASSERT_EQ(placeTf(1, 1, {1}, {1, 1}, 0.5), 0);
    ASSERT_EQ(placeTf(1, 0, {1}, {1, 1}, 0), 0);
    ASSERT_EQ(kxsim_set_lab("tanks", 0, 6, nullptr), 0);
    ASSERT_EQ(kxsim_set_signal(5, "square", 1, 10, 0, 0, nullptr), 0);
    ASSERT_EQ(kxsim_set_noise(7, 3, 1, nullptr), 0);
    wait(1000);
    kxsim_reset();
    for (int ch = 0; ch < 16; ++ch) EXPECT_EQ(kxsim_analog(ch), ch == 1 ? volts(2047) : 0.0) << ch;
    // Every AD channel is free for a plant again.
    EXPECT_EQ(kxsim_set_lab("tanks", 0, 6, nullptr), 0);
    EXPECT_TRUE(std::isnan(kxsim_analog(16)));
    EXPECT_TRUE(std::isnan(kxsim_analog(-1)));
}

// ---------------------------------------------------------------- refusals

// Every AD channel's value now and 1.234 ms later, with a write between.
std::vector<double> trajectory() {
    std::vector<double> v;
    for (int ch = 0; ch < 16; ++ch) v.push_back(kxsim_analog(ch));
    v.push_back(static_cast<double>(kxsim_now_ns()));
    EXPECT_EQ(WriteAnalogOut(0, 3333), 0);
    EXPECT_EQ(DelayMicros(1234), 0);
    for (int ch = 0; ch < 16; ++ch) v.push_back(kxsim_analog(ch));
    return v;
}

struct RefusalCase {
    const char* name;
    std::function<int(const char**)> call;
    const char* why;
};

std::string caseName(const RefusalCase& c) { return c.name; }
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

const std::vector<double> one{1}, firstOrderDen{0.01, 1};

int tf(int da, int ad, const std::vector<double>& num, const std::vector<double>& den, double delay,
       const char** why) {
    return placeTf(da, ad, num, den, delay, why);
}

const RefusalCase refusalCases[] = {
    {"TfDaBelow", [](const char** w) { return tf(-1, 6, one, firstOrderDen, 0, w); }, "da is 0 or 1"},
    {"TfDaAbove", [](const char** w) { return tf(2, 6, {}, {}, -1, w); }, "da is 0 or 1"},
    {"TfAdBelow", [](const char** w) { return tf(0, -1, one, firstOrderDen, 0, w); }, "ad is from 0 to 15"},
    {"TfAdAbove", [](const char** w) { return tf(0, 16, {}, firstOrderDen, 0, w); }, "ad is from 0 to 15"},
    {"TfEmptyNum", [](const char** w) { return tf(0, 6, {}, firstOrderDen, 0, w); },
     "num and den hold one coefficient or more"},
    {"TfEmptyDen", [](const char** w) { return tf(0, 6, one, {}, 0, w); },
     "num and den hold one coefficient or more"},
    {"TfNullNum",
     [](const char** w) { return kxsim_set_tf(0, 6, nullptr, 1, firstOrderDen.data(), 2, 0, w); },
     "num and den hold one coefficient or more"},
    {"TfNaNInNum", [](const char** w) { return tf(0, 6, {1, kNaN}, firstOrderDen, 0, w); },
     "the coefficients are finite numbers"},
    {"TfInfInDen", [](const char** w) { return tf(0, 6, one, {1, 2, -kInf}, 0, w); },
     "the coefficients are finite numbers"},
    {"TfLeadingZeroInDen", [](const char** w) { return tf(0, 6, one, {0, 1, 2}, 0, w); },
     "den's leading coefficient is not 0"},
    {"TfOrderNine", [](const char** w) { return tf(0, 6, one, std::vector<double>(10, 1.0), 0, w); },
     "den's degree, the plant's order, is at most 8"},
    {"TfImproper", [](const char** w) { return tf(0, 6, {1, 2, 3}, {1, 1}, 0, w); },
     "num's degree is at most den's: the transfer function is proper"},
    {"TfImproperStatic", [](const char** w) { return tf(0, 6, {1, 0}, {2}, 0, w); },
     "num's degree is at most den's: the transfer function is proper"},
    {"TfNegativeDelay", [](const char** w) { return tf(0, 6, one, firstOrderDen, -1e-9, w); },
     "delay is a finite number of seconds from 0 to 1e6"},
    {"TfNaNDelay", [](const char** w) { return tf(0, 6, one, firstOrderDen, kNaN, w); },
     "delay is a finite number of seconds from 0 to 1e6"},
    {"TfInfDelay", [](const char** w) { return tf(0, 6, one, firstOrderDen, kInf, w); },
     "delay is a finite number of seconds from 0 to 1e6"},
    {"TfDelayAbove", [](const char** w) { return tf(0, 6, one, firstOrderDen, 1e6 + 1e-3, w); },
     "delay is a finite number of seconds from 0 to 1e6"},
    {"TfAdTaken", [](const char** w) { return tf(1, 2, one, firstOrderDen, 0, w); },
     "ad already reads a plant: remove that one first"},
    {"LabUnknown", [](const char** w) { return kxsim_set_lab("pendulum", 0, 6, w); },
     "name is dcmotor, heater, tanks or massspring"},
    {"LabNull", [](const char** w) { return kxsim_set_lab(nullptr, 0, 6, w); },
     "name is dcmotor, heater, tanks or massspring"},
    {"LabDaAbove", [](const char** w) { return kxsim_set_lab("heater", 2, 6, w); }, "da is 0 or 1"},
    {"LabAdTaken", [](const char** w) { return kxsim_set_lab("heater", 0, 2, w); },
     "ad already reads a plant: remove that one first"},
    {"UnplantAdAbove", [](const char** w) { return kxsim_remove_plant(16, w); }, "ad is from 0 to 15"},
    {"LimitsAdBelow", [](const char** w) { return kxsim_set_limits(-1, 0, 1, w); }, "ad is from 0 to 15"},
    {"LimitsReversed", [](const char** w) { return kxsim_set_limits(2, 1, 0.5, w); },
     "lo and hi are numbers, lo at most hi"},
    {"LimitsNaN", [](const char** w) { return kxsim_set_limits(2, kNaN, 1, w); },
     "lo and hi are numbers, lo at most hi"},
    {"LimitsNoPlant", [](const char** w) { return kxsim_set_limits(7, 0, 1, w); }, "ad reads no plant"},
    {"SignalChannelAbove", [](const char** w) { return kxsim_set_signal(16, "sine", 1, 1, 0, 0, w); },
     "channel is from 0 to 15"},
    {"SignalUnknownKind", [](const char** w) { return kxsim_set_signal(4, "saw", 1, 1, 0, 0, w); },
     "kind is sine, square, triangle, sawtooth or none"},
    {"SignalKindCapitalised", [](const char** w) { return kxsim_set_signal(4, "Sine", 1, 1, 0, 0, w); },
     "kind is sine, square, triangle, sawtooth or none"},
    {"SignalNullKind", [](const char** w) { return kxsim_set_signal(4, nullptr, 1, 1, 0, 0, w); },
     "kind is sine, square, triangle, sawtooth or none"},
    {"SignalNaNAmplitude", [](const char** w) { return kxsim_set_signal(4, "sine", kNaN, 1, 0, 0, w); },
     "amplitude, phase and offset are finite numbers"},
    {"SignalInfPhase", [](const char** w) { return kxsim_set_signal(4, "none", 1, 1, kInf, 0, w); },
     "amplitude, phase and offset are finite numbers"},
    {"SignalInfOffset", [](const char** w) { return kxsim_set_signal(4, "square", 1, 1, 0, -kInf, w); },
     "amplitude, phase and offset are finite numbers"},
    {"SignalNegativeFrequency", [](const char** w) { return kxsim_set_signal(4, "sine", 1, -1, 0, 0, w); },
     "frequency is a finite number of hertz, 0 or more"},
    {"SignalInfFrequency", [](const char** w) { return kxsim_set_signal(4, "sine", 1, kInf, 0, 0, w); },
     "frequency is a finite number of hertz, 0 or more"},
    {"NoiseChannelBelow", [](const char** w) { return kxsim_set_noise(-1, 1, 1, w); },
     "channel is from 0 to 15"},
    {"NoiseNegativeSigma", [](const char** w) { return kxsim_set_noise(5, -0.1, 1, w); },
     "sigma is a finite number of volts, 0 or more"},
    {"NoiseNaNSigma", [](const char** w) { return kxsim_set_noise(5, kNaN, 1, w); },
     "sigma is a finite number of volts, 0 or more"},
    {"NoiseInfSigma", [](const char** w) { return kxsim_set_noise(5, kInf, 1, w); },
     "sigma is a finite number of volts, 0 or more"},
};

class RefusalTable : public Lab, public ::testing::WithParamInterface<RefusalCase> {
protected:
    // A board with something on every kind of input: a plant with its
    // limits, a delayed plant with a write on its way, a source, noise.
    static void populate() {
        ASSERT_EQ(placeTf(0, 2, {1e4}, {1, 40, 1e4}, 0), 0);
        ASSERT_EQ(kxsim_set_limits(2, -3, 3, nullptr), 0);
        ASSERT_EQ(placeTf(1, 3, {1}, {0.001, 1}, 0.002), 0);
        ASSERT_EQ(kxsim_set_signal(4, "sawtooth", 1, 200, 0, 0, nullptr), 0);
        ASSERT_EQ(kxsim_set_noise(5, 0.1, 3, nullptr), 0);
        ASSERT_EQ(kxsim_set_level(5, 1), 0);
        ASSERT_EQ(WriteAnalogOut(1, 3000), 0);
        ASSERT_EQ(DelayMicros(500), 0);
    }
};

TEST_P(RefusalTable, SaysWhatItNeedsAndChangesNothing) {
    const RefusalCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(populate());
    const std::vector<double> untouched = trajectory();
    SetUp();
    ASSERT_NO_FATAL_FAILURE(populate());
    const char* why = nullptr;
    EXPECT_EQ(c.call(&why), -1);
    ASSERT_NE(why, nullptr);
    EXPECT_STREQ(why, c.why);
    // Without a place for the text the call is refused all the same.
    EXPECT_EQ(c.call(nullptr), -1);
    EXPECT_EQ(trajectory(), untouched);
}

INSTANTIATE_TEST_SUITE_P(Lab, RefusalTable, ::testing::ValuesIn(refusalCases),
                         [](const auto& info) { return caseName(info.param); });

TEST_F(Lab, TheEdgesOfWhatIsAcceptedAreAccepted) {
    const char* why = "untouched";
    std::vector<double> den9(9, 1.0);
    EXPECT_EQ(tf(0, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9}, den9, 0, &why), 0);  // order 8, proper
    EXPECT_EQ(tf(1, 3, {7}, {2}, 1e6, &why), 0);                       // order 0, longest delay
    EXPECT_EQ(tf(0, 4, {0, 0, 0, 0}, {1, 1}, 0, &why), 0);             // a zero numerator
    EXPECT_EQ(kxsim_set_limits(4, -kInf, kInf, &why), 0);
    EXPECT_EQ(kxsim_set_limits(4, 2, 2, &why), 0);
    EXPECT_EQ(kxsim_set_signal(15, "sawtooth", -1, 0, -100, 0, &why), 0);
    EXPECT_EQ(kxsim_set_noise(0, 0, 18446744073709551615ULL, &why), 0);
    EXPECT_EQ(kxsim_remove_plant(15, &why), 0);
    int ad = 10;
    for (const char* name : {"dcmotor", "heater", "tanks", "massspring"})
        EXPECT_EQ(kxsim_set_lab(name, 1, ad++, &why), 0) << name;
    EXPECT_STREQ(why, "untouched");
    wait(100);
    EXPECT_EQ(kxsim_analog(3), 3.5 * volts(2047));
    EXPECT_EQ(kxsim_analog(4), 2.0);
    EXPECT_EQ(kxsim_analog(0), kxsim_plant_output());
}

}  // namespace
