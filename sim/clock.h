// The simulated board's time, in nanoseconds (sim/README.md, "Clock"):
// virtual, moved only by the board's operations, or real, the monotonic
// clock, on which costs and waits take real time.
#ifndef KX4410_SIM_CLOCK_H
#define KX4410_SIM_CLOCK_H

#include <chrono>
#include <cstdint>

namespace kxsim {

class BoardClock {
public:
    bool real() const { return real_; }

    // Board time since the clock was chosen, or since the board was reset.
    int64_t now() const {
        if (!real_) return virtualNs_;
        return std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - epoch_)
            .count();
    }

    // Board time moved on by ns: at once on the virtual clock (saturating
    // at the largest count), by spinning on the real one.
    void advance(int64_t ns);

    // DelayMicros's wait of ns from board time start: the virtual clock
    // moves on by ns; on the real one it returns at start + ns, never
    // before.
    void wait(int64_t start, int64_t ns);

    // Board time restarted at 0, on the real clock or the virtual one.
    void choose(bool real);

private:
    using Steady = std::chrono::steady_clock;

    void spinUntil(int64_t t) const;
#if !defined(_WIN32)
    // Until board time t or a little later.
    void sleepUntil(int64_t t) const;
#endif

    bool real_ = false;
    int64_t virtualNs_ = 0;
    Steady::time_point epoch_ = Steady::now();
};

}  // namespace kxsim

#endif
