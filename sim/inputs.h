// What the simulated board's AD channels read beyond its fixed wiring:
// plants placed between a DA output and an AD input, periodic sources and
// Gaussian noise (sim/README.md, "Signals").
#ifndef KX4410_SIM_INPUTS_H
#define KX4410_SIM_INPUTS_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "plant.h"

namespace kxsim {

// One standard normal number for a seed and an index: the same on every
// IEEE machine, bit for bit.
double gaussian(uint64_t seed, uint64_t index);

// A periodic wave of board time.
struct Source {
    enum Kind { kNone, kSine, kSquare, kTriangle, kSawtooth };
    Kind kind = kNone;
    double amplitude = 0, frequency = 0, phase = 0, offset = 0;
    int64_t start = 0;  // the board time it was set at, where its phase holds

    double at(int64_t t) const;
};

// Gaussian noise of board time: sigma times gaussian(seed, nanoseconds
// since it was set).
struct Noise {
    double sigma = 0;
    uint64_t seed = 0;
    int64_t start = 0;

    double at(int64_t t) const { return sigma * gaussian(seed, static_cast<uint64_t>(t - start)); }
};

class Inputs {
public:
    static constexpr int kDaChannels = 2;
    static constexpr int kAdChannels = 16;

    // Whether anything of this class is on AD channel ad; if not, the
    // channel reads its wiring alone.
    bool used(int ad) const { return used_[ad]; }
    // Whether a plant of this class drives AD channel ad.
    bool placed(int ad) const { return channels_[ad].plant != nullptr; }
    // What AD channel ad reads at board time t before the conversion: its
    // plant's output, or else wire (what the board wires to it), plus its
    // source and its noise.
    double read(int ad, int64_t t, double wire);
    // DA channel da put out volts at board time t.
    void written(int da, int64_t t, double volts);
    // Board time restarted: every time held moves back by ns.
    void shift(int64_t ns);

    // The changes; each returns why it is refused (and changes nothing),
    // or null. t is the board time now, volts what DA da puts out now.
    const char* place(int da, int ad, const double* num, std::size_t numCount, const double* den,
                      std::size_t denCount, double delay, int64_t t, double volts);
    const char* placeLab(const char* name, int da, int ad, int64_t t, double volts);
    const char* remove(int ad);
    const char* limit(int ad, double lo, double hi);
    const char* source(int ad, const char* kind, double amplitude, double frequency, double phase,
                       double offset, int64_t t);
    const char* noise(int ad, double sigma, uint64_t seed, int64_t t);

private:
    struct Channel {
        std::unique_ptr<Plant> plant;
        int da = 0;
        Source source;
        Noise noise;
    };
    void update(int ad);

    Channel channels_[kAdChannels];
    bool used_[kAdChannels] = {};
};

}  // namespace kxsim

#endif
