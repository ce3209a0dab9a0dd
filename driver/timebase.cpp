#include "timebase.h"

#include "kxdrv.h"

namespace kx {

namespace {

const int32_t counter = 2;
// Counter 2, low byte then high byte, mode 3, binary.
const int32_t squareWave = 0xB6;
// An initial count of 0 is taken by the 8254 as its full 65536.
const int32_t fullCount = 0;
const double cycle = 65536.0;

// One count is half a period of the 8 MHz clock. Formed as a product
// of its own, never fused with the sum that follows.
double seconds(double counts) {
    const double halfTicks = counts * 1.25e-7;
    return halfTicks * 0.5;
}

}  // namespace

TimeBase TimeBase::start() {
    const int32_t board = GetActiveBoard();
    // Only the address is used. All four are given values first: a failing
    // driver need not write them.
    uint16_t address = 0, irq = 0, bus = 0, slot = 0;
    if (GetBoardAddress(board, &address, &irq, &bus, &slot) != 0)
        return TimeBase{address, TimerStart::noBoardAddress};
    if (WriteTimerControl(address, counter, squareWave, fullCount) != 0)
        return TimeBase{address, TimerStart::timerNotStarted};
    return TimeBase{address, TimerStart::started};
}

double elapsed(double reading, double previousReading, double previousTime, bool first) {
    if (first) return seconds(cycle - reading);
    if (reading <= previousReading) {
        const double gap = seconds(previousReading - reading);
        return gap + previousTime;
    }
    const double gap = seconds((cycle - reading) + previousReading);
    return gap + previousTime;
}

}  // namespace kx
