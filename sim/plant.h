// A plant between a DA output and an AD input of the simulated board: a
// transfer function num(s)/den(s) with an input dead time, solved exactly
// for its piecewise-constant input (sim/README.md, "Plants").
#ifndef KX4410_SIM_PLANT_H
#define KX4410_SIM_PLANT_H

#include <cstddef>
#include <cstdint>
#include <deque>

#include "expm.h"

namespace kxsim {

// Why num(s)/den(s) with a dead time of delay seconds cannot be simulated,
// or null. Coefficients highest power first.
const char* plantRefusal(const double* num, std::size_t numCount, const double* den,
                         std::size_t denCount, double delay);

// The longest dead time, in seconds.
constexpr double kMaxDelay = 1e6;

class Plant {
public:
    // From a transfer function that plantRefusal passes, at rest at board
    // time t, with the input u held since ever.
    Plant(const double* num, std::size_t numCount, const double* den, std::size_t denCount,
          double delay, int64_t t, double u);

    // The output at board time t, no earlier than the plant's last event,
    // within its limits.
    double output(int64_t t);
    // The input becomes u at board time t, and reaches the plant a dead
    // time later.
    void input(int64_t t, double u);
    // Limits on the output; -inf and +inf for none.
    void limit(double lo, double hi) {
        lo_ = lo;
        hi_ = hi;
    }
    // Board time restarted: every time the plant holds moves back by ns.
    void shift(int64_t ns);

    int order() const { return n_; }

private:
    // A zero-order hold over one interval length, in nanoseconds.
    struct Hold {
        int64_t ns;
        double phi[kMaxOrder * kMaxOrder];
        double gamma[kMaxOrder];
    };
    // An input on its way through the dead time.
    struct Arrival {
        int64_t at;
        double u;
    };
    static constexpr int kHolds = 8;

    void advance(int64_t t);
    void step(int64_t ns);
    const Hold& hold(int64_t ns);

    int n_ = 0;
    // Controllable canonical form, scaled by powers of two.
    double a_[kMaxOrder * kMaxOrder] = {};
    double b_[kMaxOrder] = {};
    double c_[kMaxOrder] = {};
    double d_ = 0;
    double x_[kMaxOrder] = {};
    double u_ = 0;     // the input reaching the plant now
    int64_t at_ = 0;   // the board time x_ and u_ belong to
    int64_t delay_ = 0;
    double lo_, hi_;
    std::deque<Arrival> pending_;
    Hold holds_[kHolds];
    int held_ = 0;
    int nextHold_ = 0;
};

// A ready-made plant of the lab (sim/README.md, "Lab plants").
struct LabPlant {
    const char* name;
    double num[3];
    std::size_t numCount;
    double den[3];
    std::size_t denCount;
    double delay;
};

// The lab plant of that name, or null.
const LabPlant* labPlant(const char* name);

}  // namespace kxsim

#endif
