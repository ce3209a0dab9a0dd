// The time base of the timed plug-ins: counter 2 of the board's 8254-type
// interval timer, fed by 8 MHz and run in mode 3 (square wave), which counts
// down by 2 every 125 ns and wraps every 65536 counts (4.096 ms).
//
// It only reports: the calling plug-in raises its own messages. A plain
// value, no destructor: it lives across the plug-ins' raises.
#ifndef KX4410_DRIVER_TIMEBASE_H
#define KX4410_DRIVER_TIMEBASE_H

#include <cstdint>

#include "kxdrv.h"

namespace kx {

// How the start went: the driver's status words say which step failed.
enum class TimerStart {
    started,
    noBoardAddress,   // GetBoardAddress failed; the timer was not touched
    timerNotStarted,  // WriteTimerControl failed
};

struct TimeBase {
    uint16_t address;  // the active board's address word
    TimerStart status;

    // Looks up the active board's address and, when that succeeds, starts
    // counter 2 at its full cycle.
    static TimeBase start();

    // Latches (command 0x80) and reads counter 2: its current count, the
    // low 16 bits of what the driver returns (the counter has no more), as
    // a double. Bits above the counter's 16 would make a reading above the
    // full cycle, and with it a time that runs backwards. Inline: it runs
    // once a step in the timed loops.
    double read() const {
        return static_cast<double>(ReadTimerCounter(address, 2, 0x80) & 0xFFFFu);
    }
};

// Seconds since the counter was started, from a reading, the reading before
// it and the time it gave; first marks the first reading after the start.
// A reading above the previous one means the counter wrapped once between
// them: a gap of a whole cycle or more is counted modulo the cycle.
double elapsed(double reading, double previousReading, double previousTime, bool first);

}  // namespace kx

#endif
