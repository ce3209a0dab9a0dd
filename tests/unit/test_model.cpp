// The simulated board's analog model on its own: the matrix exponential
// against closed forms, the plant's dead time, and the noise generator's
// statistics.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "expm.h"
#include "inputs.h"
#include "plant.h"

namespace {

using kxsim::expm;
using kxsim::gaussian;
using kxsim::Plant;
using kxsim::zeroOrderHold;

// ---------------------------------------------------------------- expm

struct ExpmCase {
    const char* name;
    int n;
    std::vector<double> m, expected;  // row-major
    double tolerance;                 // relative to the largest element expected
};

std::vector<ExpmCase> expmCases() {
    const double e50 = std::exp(-50.0), e60 = std::exp(-60.0);
    const double e3 = std::exp(-3.0);
    const double c = std::cos(3.0), s = std::sin(3.0);
    std::vector<ExpmCase> cases = {
        {"Zero", 3, std::vector<double>(9, 0.0), {1, 0, 0, 0, 1, 0, 0, 0, 1}, 0},
        // -700 takes eight squarings, each of which costs e^2.5 about an ulp.
        {"Diagonal", 3, {-1, 0, 0, 0, 2.5, 0, 0, 0, -700},
         {std::exp(-1.0), 0, 0, 0, std::exp(2.5), 0, 0, 0, std::exp(-700.0)}, 1e-13},
        {"Rotation", 2, {0, -3, 3, 0}, {c, -s, s, c}, 2e-15},
        // A nilpotent shift: the series ends, I + N + N^2/2 + N^3/6.
        {"Nilpotent", 4, {0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0},
         {1, 1, 0.5, 1.0 / 6, 0, 1, 1, 0.5, 0, 0, 1, 1, 0, 0, 0, 1}, 1e-15},
        {"JordanBlock", 2, {-3, 1, 0, -3}, {e3, e3, 0, e3}, 1e-14},
        // Far beyond the Pade approximant's norm: scaled and squared.
        {"Squared", 2, {-50, 1, 0, -60}, {e50, (e50 - e60) / 10, 0, e60}, 1e-12},
        {"Growing", 2, {40, 0, 0, 0}, {std::exp(40.0), 0, 0, 1}, 1e-13},
    };
    // The largest size: nine decays side by side.
    ExpmCase nine{"NineDecays", 9, std::vector<double>(81, 0.0), std::vector<double>(81, 0.0), 1e-14};
    for (int i = 0; i < 9; ++i) {
        nine.m[i * 10] = -0.75 * i;
        nine.expected[i * 10] = std::exp(-0.75 * i);
    }
    cases.push_back(nine);
    return cases;
}

// A case shows as its name, the same under every compiler and word size.
void PrintTo(const ExpmCase& c, std::ostream* os) { *os << c.name; }

class Expm : public ::testing::TestWithParam<ExpmCase> {};

TEST_P(Expm, MatchesItsClosedForm) {
    const ExpmCase& c = GetParam();
    std::vector<double> e(c.m.size(), -1.0);
    expm(c.m.data(), c.n, e.data());
    double scale = 0;
    for (double x : c.expected) scale = std::max(scale, std::fabs(x));
    for (std::size_t i = 0; i < e.size(); ++i)
        EXPECT_NEAR(e[i], c.expected[i], c.tolerance * scale) << "element " << i;
}

INSTANTIATE_TEST_SUITE_P(Model, Expm, ::testing::ValuesIn(expmCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Model, AnInfiniteOrNaNMatrixGivesNaN) {
    const double inf = std::numeric_limits<double>::infinity();
    double m[4] = {inf, 0, 0, 1}, e[4] = {};
    expm(m, 2, e);
    for (double x : e) EXPECT_TRUE(std::isnan(x));
}

TEST(Model, ZeroOrderHoldOfAScalarPlant) {
    double phi = 0, gamma = 0;
    const double a = -4, b = 3, h = 0.37;
    zeroOrderHold(&a, &b, 1, h, &phi, &gamma);
    EXPECT_NEAR(phi, std::exp(a * h), 1e-15);
    EXPECT_NEAR(gamma, b * std::expm1(a * h) / a, 1e-15);
    // An integrator: its hold is exact.
    const double zero = 0;
    zeroOrderHold(&zero, &b, 1, h, &phi, &gamma);
    EXPECT_EQ(phi, 1.0);
    EXPECT_NEAR(gamma, b * h, 1e-16);
}

TEST(Model, ZeroOrderHoldOfAnOscillator) {
    // x1' = x2, x2' = -w^2 x1 + u: gamma = ((1 - cos wh) / w^2, sin(wh) / w).
    const double w = 7, h = 0.2;
    const double a[4] = {0, 1, -w * w, 0}, b[2] = {0, 1};
    double phi[4], gamma[2];
    zeroOrderHold(a, b, 2, h, phi, gamma);
    EXPECT_NEAR(phi[0], std::cos(w * h), 1e-15);
    EXPECT_NEAR(phi[1], std::sin(w * h) / w, 1e-15);
    EXPECT_NEAR(phi[2], -w * std::sin(w * h), 1e-14);
    EXPECT_NEAR(phi[3], std::cos(w * h), 1e-15);
    EXPECT_NEAR(gamma[0], (1 - std::cos(w * h)) / (w * w), 1e-16);
    EXPECT_NEAR(gamma[1], std::sin(w * h) / w, 1e-15);
}

// ---------------------------------------------------------------- plant

TEST(Model, ADeadTimeShiftsTheResponseExactly) {
    const double num[] = {3, 1e4}, den[] = {1, 40, 1e4, 2e4};
    const double delay = 0.0123;
    const int64_t d = 12300000;
    Plant direct(num, 2, den, 4, 0, 1000, 0.5);
    // At rest a dead time later, its delay line full of the same input.
    Plant late(num, 2, den, 4, delay, 1000 + d, 0.5);
    const int64_t writes[] = {5000, 137000, 2200000, 2200001, 9000000, 15000000};
    const double inputs[] = {1, -2, 4, 4.5, 0, -1};
    std::vector<int64_t> reads;
    for (int64_t t = 1000; t < 40000000; t += 333333) reads.push_back(t);
    // Each plant sees its events at the same distances: bit for bit alike.
    std::vector<double> y, yLate;
    std::size_t w = 0;
    for (int64_t t : reads) {
        while (w < std::size(writes) && writes[w] <= t) {
            direct.input(writes[w], inputs[w]);
            ++w;
        }
        y.push_back(direct.output(t));
    }
    w = 0;
    for (int64_t t : reads) {
        while (w < std::size(writes) && writes[w] <= t) {
            late.input(writes[w], inputs[w]);
            ++w;
        }
        yLate.push_back(late.output(t + d));
    }
    EXPECT_EQ(yLate, y);
    EXPECT_NE(y.front(), y.back());
}

TEST(Model, ThePlantsLimitsHoldItsOutputAlone) {
    const double num[] = {1}, den[] = {1, 1};
    Plant p(num, 1, den, 2, 0, 0, 2);
    p.limit(-0.5, 0.5);
    EXPECT_EQ(p.output(0), 0.0);
    EXPECT_EQ(p.output(3000000000), 0.5);
    p.limit(-HUGE_VAL, HUGE_VAL);
    EXPECT_NEAR(p.output(3000000000), 2 * -std::expm1(-3.0), 1e-15);
}

TEST(Model, RefusalsOfATransferFunction) {
    const double one[] = {1}, den[] = {2, 1};
    EXPECT_EQ(kxsim::plantRefusal(one, 1, den, 2, 0), nullptr);
    EXPECT_STREQ(kxsim::plantRefusal(one, 0, den, 2, 0), "num and den hold one coefficient or more");
    EXPECT_STREQ(kxsim::plantRefusal(one, 1, den, 2, -1), "delay is a finite number of seconds from 0 to 1e6");
}

// ---------------------------------------------------------------- noise

TEST(Model, NoiseIsStandardNormalOverAMillionSamples) {
    const int n = 1000000;
    double sum = 0, squares = 0, fourth = 0, lag = 0, previous = 0;
    int beyond2 = 0, negative = 0;
    for (int i = 0; i < n; ++i) {
        const double x = gaussian(20260101, static_cast<uint64_t>(i) * 1000);
        sum += x;
        squares += x * x;
        fourth += x * x * x * x;
        lag += x * previous;
        previous = x;
        beyond2 += std::fabs(x) > 2;
        negative += x < 0;
    }
    // Each bound five standard errors: a fixed seed, so no run can be
    // unlucky, and a fault of the generator shows far beyond them.
    const double mean = sum / n;
    EXPECT_NEAR(mean, 0, 5 / std::sqrt(n));
    EXPECT_NEAR(squares / n - mean * mean, 1, 5 * std::sqrt(2.0 / n));
    EXPECT_NEAR(fourth / n, 3, 5 * std::sqrt(96.0 / n));
    EXPECT_NEAR(lag / n, 0, 5 / std::sqrt(n));
    const double p2 = 0.04550026389635842;  // P(|x| > 2)
    EXPECT_NEAR(beyond2 / double(n), p2, 5 * std::sqrt(p2 * (1 - p2) / n));
    EXPECT_NEAR(negative / double(n), 0.5, 5 * std::sqrt(0.25 / n));
}

TEST(Model, NoiseHangsOnItsSeedAndIndexAlone) {
    EXPECT_EQ(gaussian(1, 5), gaussian(1, 5));
    EXPECT_NE(gaussian(1, 5), gaussian(2, 5));
    EXPECT_NE(gaussian(1, 5), gaussian(1, 6));
    // Neighbouring indices share nothing of their streams.
    for (uint64_t i = 0; i < 1000; ++i) EXPECT_NE(gaussian(9, i), gaussian(9, i + 1)) << i;
}

}  // namespace
