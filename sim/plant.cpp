#include "plant.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace kxsim {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// num without its leading zeros, keeping one coefficient at least.
std::size_t leadingZeros(const double* num, std::size_t count) {
    std::size_t k = 0;
    while (k + 1 < count && num[k] == 0) ++k;
    return k;
}

int64_t saturatingAdd(int64_t t, int64_t ns) {
    return t > std::numeric_limits<int64_t>::max() - ns ? std::numeric_limits<int64_t>::max()
                                                         : t + ns;
}

// Parlett and Reinsch's balancing in radix 2: a = D^-1 a D with D diagonal,
// powers of two in scale, so that the rows and columns are of like size and
// the matrix exponential loses less; exact.
void balance(double* a, int n, double* scale) {
    for (int i = 0; i < n; ++i) scale[i] = 1;
    for (int sweep = 0; sweep < 64; ++sweep) {
        bool done = true;
        for (int i = 0; i < n; ++i) {
            double c = 0, r = 0;
            for (int j = 0; j < n; ++j) {
                if (j == i) continue;
                c += std::fabs(a[j * n + i]);
                r += std::fabs(a[i * n + j]);
            }
            if (c == 0 || r == 0) continue;
            const double s = c + r;
            double f = 1;
            while (c < r / 2) {
                f *= 2;
                c *= 4;
            }
            while (c >= r * 2) {
                f /= 2;
                c /= 4;
            }
            if ((c + r) / f >= 0.95 * s) continue;
            done = false;
            scale[i] *= f;
            for (int j = 0; j < n; ++j) {
                a[i * n + j] /= f;
                a[j * n + i] *= f;
            }
        }
        if (done) break;
    }
}

}  // namespace

const char* plantRefusal(const double* num, std::size_t numCount, const double* den,
                         std::size_t denCount, double delay) {
    if (num == nullptr || den == nullptr || numCount == 0 || denCount == 0)
        return "num and den hold one coefficient or more";
    for (std::size_t i = 0; i < numCount; ++i)
        if (!std::isfinite(num[i])) return "the coefficients are finite numbers";
    for (std::size_t i = 0; i < denCount; ++i)
        if (!std::isfinite(den[i])) return "the coefficients are finite numbers";
    if (den[0] == 0) return "den's leading coefficient is not 0";
    if (denCount - 1 > static_cast<std::size_t>(kMaxOrder))
        return "den's degree, the plant's order, is at most 8";
    if (numCount - leadingZeros(num, numCount) > denCount)
        return "num's degree is at most den's: the transfer function is proper";
    if (!(delay >= 0 && delay <= kMaxDelay))
        return "delay is a finite number of seconds from 0 to 1e6";
    return nullptr;
}

Plant::Plant(const double* num, std::size_t numCount, const double* den, std::size_t denCount,
             double delay, int64_t t, double u)
    : n_(static_cast<int>(denCount) - 1), u_(u), at_(t), lo_(-kInf), hi_(kInf) {
    const int n = n_;
    // num / den[0], aligned with den: numerator[i] goes with s^(n - i).
    double numerator[kMaxOrder + 1] = {};
    const std::size_t skip = leadingZeros(num, numCount);
    const std::size_t kept = numCount - skip;
    for (std::size_t i = 0; i < kept; ++i)
        numerator[static_cast<std::size_t>(n + 1) - kept + i] = num[skip + i] / den[0];
    d_ = numerator[0];
    // x1' = -a1 x1 - ... - an xn + u, x(i+1)' = xi; y = sum ci xi + d u.
    for (int j = 0; j < n; ++j) {
        const double aj = den[j + 1] / den[0];
        a_[j] = -aj;
        c_[j] = numerator[j + 1] - d_ * aj;
    }
    for (int i = 1; i < n; ++i) a_[i * n + i - 1] = 1;
    b_[0] = 1;
    double scale[kMaxOrder];
    balance(a_, n, scale);
    for (int i = 0; i < n; ++i) {
        b_[i] /= scale[i];
        c_[i] *= scale[i];
    }
    delay_ = static_cast<int64_t>(std::llround(delay * 1e9));
}

double Plant::output(int64_t t) {
    advance(t);
    double y = d_ * u_;
    for (int i = 0; i < n_; ++i) y += c_[i] * x_[i];
    if (y < lo_) y = lo_;
    if (y > hi_) y = hi_;
    return y;
}

void Plant::input(int64_t t, double u) {
    if (delay_ == 0) {
        advance(t);
        u_ = u;
        return;
    }
    // An input equal to the one before it changes nothing on arrival.
    const double last = pending_.empty() ? u_ : pending_.back().u;
    if (u == last) return;
    pending_.push_back(Arrival{saturatingAdd(t, delay_), u});
}

void Plant::shift(int64_t ns) {
    at_ -= ns;
    for (Arrival& a : pending_) a.at -= ns;
}

void Plant::advance(int64_t t) {
    while (!pending_.empty() && pending_.front().at <= t) {
        step(pending_.front().at - at_);
        at_ = pending_.front().at;
        u_ = pending_.front().u;
        pending_.pop_front();
    }
    step(t - at_);
    if (t > at_) at_ = t;
}

void Plant::step(int64_t ns) {
    if (ns <= 0 || n_ == 0) return;
    const Hold& h = hold(ns);
    const int n = n_;
    double next[kMaxOrder];
    for (int i = 0; i < n; ++i) {
        double s = h.gamma[i] * u_;
        for (int j = 0; j < n; ++j) s += h.phi[i * n + j] * x_[j];
        next[i] = s;
    }
    std::memcpy(x_, next, sizeof(double) * static_cast<unsigned>(n));
}

const Plant::Hold& Plant::hold(int64_t ns) {
    for (int i = 0; i < held_; ++i)
        if (holds_[i].ns == ns) return holds_[i];
    Hold& h = holds_[nextHold_];
    nextHold_ = (nextHold_ + 1) % kHolds;
    if (held_ < kHolds) ++held_;
    h.ns = ns;
    zeroOrderHold(a_, b_, n_, static_cast<double>(ns) * 1e-9, h.phi, h.gamma);
    return h;
}

namespace {

// The lab's plants from their physics, in SI units; each gives about 1 V
// out per volt in at rest (sim/README.md, "Lab plants").
LabPlant dcMotor() {
    const double R = 1.0;     // armature resistance, ohm
    const double L = 1e-3;    // armature inductance, H
    const double J = 1e-4;    // rotor and load inertia, kg m^2
    const double b = 1e-5;    // viscous friction, N m s/rad
    const double K = 0.05;    // torque and back-emf constant, N m/A = V s/rad
    const double kt = 0.05;   // tachogenerator, V s/rad
    return LabPlant{"dcmotor", {kt * K}, 1, {J * L, J * R + b * L, b * R + K * K}, 3, 0.0};
}

LabPlant heater() {
    const double kp = 5.0;    // power amplifier, W/V
    const double Rth = 4.0;   // thermal resistance to the surroundings, K/W
    const double Cth = 0.5;   // heat capacity, J/K
    const double ks = 0.05;   // temperature sensor, V/K
    const double dead = 0.25; // from the element to the sensor, s
    return LabPlant{"heater", {ks * kp * Rth}, 1, {Rth * Cth, 1.0}, 2, dead};
}

LabPlant tanks() {
    const double A1 = 0.01, A2 = 0.01;  // cross sections, m^2
    const double R1 = 500, R2 = 500;    // outlet resistances, linearised, s/m^2
    const double kq = 1e-4;             // pump, m^3/s per V
    const double ks = 20.0;             // level sensor of tank 2, V/m
    return LabPlant{"tanks",
                    {ks * kq * R2},
                    1,
                    {A1 * A2 * R1 * R2, A1 * R1 + A1 * R2 + A2 * R2, 1.0},
                    3,
                    0.0};
}

LabPlant massSpring() {
    const double m = 0.5;     // mass, kg
    const double c = 2.0;     // damping, N s/m
    const double k = 200.0;   // spring, N/m
    const double kf = 2.0;    // force actuator, N/V
    const double ks = 100.0;  // position sensor, V/m
    return LabPlant{"massspring", {ks * kf}, 1, {m, c, k}, 3, 0.0};
}

}  // namespace

const LabPlant* labPlant(const char* name) {
    static const LabPlant plants[] = {dcMotor(), heater(), tanks(), massSpring()};
    if (name == nullptr) return nullptr;
    for (const LabPlant& p : plants)
        if (std::strcmp(name, p.name) == 0) return &p;
    return nullptr;
}

}  // namespace kxsim
