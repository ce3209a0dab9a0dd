// The time base of the timed plug-ins: counter 2 of the board's 8254-type
// interval timer, fed by 8 MHz and run in mode 3 (square wave), which counts
// down by 2 every 125 ns and wraps every 65536 counts (4.096 ms).
//
// A plain value, no destructor: it lives across the plug-ins' raises.
#ifndef KX4410_DRIVER_TIMEBASE_H
#define KX4410_DRIVER_TIMEBASE_H

#include <cstdint>

namespace kx {

struct TimeBase {
    std::uint16_t address;  // the active board's address word

    // Looks up the active board's address and starts counter 2 at its full
    // cycle. A failed address look-up raises failure (the calling plug-in's
    // message, with its identifier id).
    static TimeBase start(const char* id, const char* failure);

    // Latches and reads counter 2: its current count, as a double.
    double read() const;
};

// Seconds since the counter was started, from a reading, the reading before
// it and the time it gave; first marks the first reading after the start.
// A reading above the previous one means the counter wrapped once between
// them: a gap of a whole cycle or more is counted modulo the cycle.
double elapsed(double reading, double previousReading, double previousTime, bool first);

}  // namespace kx

#endif
