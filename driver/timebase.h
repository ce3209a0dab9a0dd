// The time base of the timed plug-ins: counter 2 of the board's 8254-type
// interval timer, fed by 8 MHz and run in mode 3 (square wave), which counts
// down by 2 every 125 ns and wraps every 65536 counts (4.096 ms).
//
// A plain value, no destructor: it lives across the plug-ins' raises.
#ifndef KX4410_DRIVER_TIMEBASE_H
#define KX4410_DRIVER_TIMEBASE_H

#include <cstdint>

#include "kxdrv.h"

namespace kx {

struct TimeBase {
    std::uint16_t address;  // the active board's address word

    // Looks up the active board's address and starts counter 2 at its full
    // cycle. A failed address look-up raises failure (the calling plug-in's
    // message).
    static TimeBase start(const char* failure);

    // Latches (command 0x80) and reads counter 2: its current count, as a
    // double. Inline, as elapsed is: both run once a step in the timed loops.
    double read() const { return static_cast<double>(ReadTimerCounter(address, 2, 0x80)); }
};

// One count is half a period of the 8 MHz clock. Formed as a product of its
// own, never fused with the sum that follows.
inline double timerSeconds(double counts) {
    const double halfTicks = counts * 1.25e-7;
    return halfTicks * 0.5;
}

// Seconds since the counter was started, from a reading, the reading before
// it and the time it gave; first marks the first reading after the start.
// A reading above the previous one means the counter wrapped once between
// them: a gap of a whole cycle or more is counted modulo the cycle.
inline double elapsed(double reading, double previousReading, double previousTime, bool first) {
    const double cycle = 65536.0;
    if (first) return timerSeconds(cycle - reading);
    if (reading <= previousReading) {
        const double gap = timerSeconds(previousReading - reading);
        return gap + previousTime;
    }
    const double gap = timerSeconds((cycle - reading) + previousReading);
    return gap + previousTime;
}

}  // namespace kx

#endif
