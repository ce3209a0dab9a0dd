#include "inputs.h"

#include <cmath>
#include <cstring>

namespace kxsim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ULL;

// splitmix64's finaliser: every bit of z stirred into every bit out.
uint64_t mix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Uniform in (-1, 1), from the top 52 bits: exact.
double uniform(uint64_t z) {
    return (static_cast<double>(z >> 12) + 0.5) * 0x1p-51 - 1.0;
}

// ln x for x in (0, 1], from arithmetic alone: the C library's log may
// differ in its last bit from one machine to the next, and the noise may
// not. x = m 2^e with m in [1/sqrt 2, sqrt 2), ln m = 2 atanh z with
// z = (m - 1) / (m + 1), |z| < 0.172, whose series has converged to double
// precision by z^23.
double logarithm(double x) {
    int e = 0;
    double m = std::frexp(x, &e);
    if (m < 0.70710678118654752440) {
        m *= 2;
        --e;
    }
    const double z = (m - 1) / (m + 1);
    const double z2 = z * z;
    double series = 1.0 / 23;
    for (int k = 21; k >= 1; k -= 2) series = 1.0 / k + z2 * series;
    // ln 2 in two parts, the first with trailing zeros so that e times it
    // is exact.
    const double ln2Hi = 6.93147180369123816490e-01;
    const double ln2Lo = 1.90821492927058770002e-10;
    return e * ln2Hi + (e * ln2Lo + 2 * z * series);
}

bool named(const char* s, const char* name) { return std::strcmp(s, name) == 0; }

}  // namespace

// Marsaglia's polar method on a stream of splitmix64 from the seed and the
// index: square roots and the logarithm above, nothing else.
double gaussian(uint64_t seed, uint64_t index) {
    uint64_t state = mix(mix(seed) ^ index);
    for (;;) {
        state += kGolden;
        const double u = uniform(mix(state));
        state += kGolden;
        const double v = uniform(mix(state));
        const double s = u * u + v * v;
        if (s >= 1 || s == 0) continue;
        return u * std::sqrt(-2 * logarithm(s) / s);
    }
}

double Source::at(int64_t t) const {
    const double s = static_cast<double>(t - start) * 1e-9;
    if (kind == kSine) return offset + amplitude * std::sin(2 * kPi * frequency * s + phase);
    // The fraction of the period at s, 0 at the phase's start of a period.
    const double cycles = frequency * s + phase / (2 * kPi);
    const double p = cycles - std::floor(cycles);
    double wave = 0;
    switch (kind) {
        case kSquare: wave = p < 0.5 ? 1 : -1; break;
        case kTriangle: wave = p < 0.5 ? 4 * p - 1 : 3 - 4 * p; break;
        case kSawtooth: wave = 2 * p - 1; break;
        default: return 0;
    }
    return offset + amplitude * wave;
}

double Inputs::read(int ad, int64_t t, double wire) {
    Channel& c = channels_[ad];
    double v = c.plant ? c.plant->output(t) : wire;
    if (c.source.kind != Source::kNone) v += c.source.at(t);
    if (c.noise.sigma > 0) v += c.noise.at(t);
    return v;
}

void Inputs::written(int da, int64_t t, double volts) {
    for (Channel& c : channels_)
        if (c.plant && c.da == da) c.plant->input(t, volts);
}

void Inputs::shift(int64_t ns) {
    for (Channel& c : channels_) {
        if (c.plant) c.plant->shift(ns);
        c.source.start -= ns;
        c.noise.start -= ns;
    }
}

void Inputs::update(int ad) {
    const Channel& c = channels_[ad];
    used_[ad] = c.plant || c.source.kind != Source::kNone || c.noise.sigma > 0;
}

const char* Inputs::place(int da, int ad, const double* num, std::size_t numCount,
                          const double* den, std::size_t denCount, double delay, int64_t t,
                          double volts) {
    if (da < 0 || da >= kDaChannels) return "da is 0 or 1";
    if (ad < 0 || ad >= kAdChannels) return "ad is from 0 to 15";
    if (const char* why = plantRefusal(num, numCount, den, denCount, delay)) return why;
    Channel& c = channels_[ad];
    if (c.plant) return "ad already reads a plant: remove that one first";
    c.plant = std::make_unique<Plant>(num, numCount, den, denCount, delay, t, volts);
    c.da = da;
    update(ad);
    return nullptr;
}

const char* Inputs::placeLab(const char* name, int da, int ad, int64_t t, double volts) {
    const LabPlant* p = labPlant(name);
    if (p == nullptr) return "name is dcmotor, heater, tanks or massspring";
    return place(da, ad, p->num, p->numCount, p->den, p->denCount, p->delay, t, volts);
}

const char* Inputs::remove(int ad) {
    if (ad < 0 || ad >= kAdChannels) return "ad is from 0 to 15";
    channels_[ad].plant.reset();
    update(ad);
    return nullptr;
}

const char* Inputs::limit(int ad, double lo, double hi) {
    if (ad < 0 || ad >= kAdChannels) return "ad is from 0 to 15";
    if (!(lo <= hi)) return "lo and hi are numbers, lo at most hi";
    Channel& c = channels_[ad];
    if (!c.plant) return "ad reads no plant";
    c.plant->limit(lo, hi);
    return nullptr;
}

const char* Inputs::source(int ad, const char* kind, double amplitude, double frequency,
                           double phase, double offset, int64_t t) {
    if (ad < 0 || ad >= kAdChannels) return "channel is from 0 to 15";
    Source s;
    if (kind != nullptr && named(kind, "sine"))
        s.kind = Source::kSine;
    else if (kind != nullptr && named(kind, "square"))
        s.kind = Source::kSquare;
    else if (kind != nullptr && named(kind, "triangle"))
        s.kind = Source::kTriangle;
    else if (kind != nullptr && named(kind, "sawtooth"))
        s.kind = Source::kSawtooth;
    else if (kind == nullptr || !named(kind, "none"))
        return "kind is sine, square, triangle, sawtooth or none";
    if (!std::isfinite(amplitude) || !std::isfinite(phase) || !std::isfinite(offset))
        return "amplitude, phase and offset are finite numbers";
    if (!(frequency >= 0 && std::isfinite(frequency)))
        return "frequency is a finite number of hertz, 0 or more";
    s.amplitude = amplitude;
    s.frequency = frequency;
    s.phase = phase;
    s.offset = offset;
    s.start = t;
    channels_[ad].source = s;
    update(ad);
    return nullptr;
}

const char* Inputs::noise(int ad, double sigma, uint64_t seed, int64_t t) {
    if (ad < 0 || ad >= kAdChannels) return "channel is from 0 to 15";
    if (!(sigma >= 0 && std::isfinite(sigma))) return "sigma is a finite number of volts, 0 or more";
    channels_[ad].noise = Noise{sigma, seed, t};
    update(ad);
    return nullptr;
}

}  // namespace kxsim
