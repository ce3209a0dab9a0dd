// What the simulated board's control port holds besides the board's own
// registers, as one comparable value: the log, the pending injections, the
// queues, the levels and the DA codes. A refused kxsim_* call or kxsim form
// must leave it as it was.
#ifndef KX4410_TESTS_PORTSTATE_H
#define KX4410_TESTS_PORTSTATE_H

#include <cmath>
#include <cstddef>
#include <ostream>
#include <vector>

#include "calllog.h"
#include "kxsim.h"

struct PortState {
    std::vector<DriverCall> log;
    std::size_t injections = 0;
    std::vector<std::size_t> adQueued;  // channels 0-15
    std::size_t timerQueued = 0;
    std::vector<double> levels;  // channels 2-15
    int da0 = 0, da1 = 0;

    bool operator==(const PortState& o) const {
        return log == o.log && injections == o.injections && adQueued == o.adQueued &&
               timerQueued == o.timerQueued && levels == o.levels && da0 == o.da0 &&
               da1 == o.da1;
    }
};

inline std::ostream& operator<<(std::ostream& os, const PortState& s) {
    os << s.log.size() << " logged, " << s.injections << " injections, timer queue "
       << s.timerQueued << ", AD queues";
    for (std::size_t n : s.adQueued) os << " " << n;
    os << ", levels";
    for (double v : s.levels) os << " " << v;
    return os << ", DA " << s.da0 << " " << s.da1;
}

inline PortState portState() {
    PortState s;
    s.log = boardLog();
    s.injections = kxsim_injections_pending();
    for (int ch = 0; ch < 16; ++ch) s.adQueued.push_back(kxsim_ad_queued(ch));
    s.timerQueued = kxsim_timer_queued();
    for (int ch = 2; ch < 16; ++ch) s.levels.push_back(kxsim_level(ch));
    s.da0 = kxsim_da(0);
    s.da1 = kxsim_da(1);
    return s;
}

// Something in every part of the port, so that a refusal that clears or
// adds to any of them shows: a logged call, an injection, two AD readings
// on channel 3, two timer counts and 5 V on channel 2.
inline void fillPort() {
    kxsim_set_level(2, 5.0);
    const double volts[] = {1.5, -2.5};
    kxsim_queue_ad(3, volts, 2);
    const double counts[] = {100, 200};
    kxsim_queue_timer(counts, 2);
    kxsim_inject("CloseDriver", 3, 21);
    GetLibraryVersion();
}

#endif
