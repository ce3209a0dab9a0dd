// The start of the timed plug-ins' time base, with the calling plug-in's
// messages raised for the step that failed: the look-up of the active
// board's address, then the start of counter 2.
#ifndef KX4410_GATEWAY_TIMER_H
#define KX4410_GATEWAY_TIMER_H

#include "gateway.h"
#include "timebase.h"

namespace kx {

inline TimeBase startTimer(const char* noAddressId, const char* noAddress,
                           const char* notStartedId, const char* notStarted) {
    const TimeBase timer = TimeBase::start();
    if (timer.status == TimerStart::noBoardAddress) raise(noAddressId, noAddress);
    if (timer.status == TimerStart::timerNotStarted) raise(notStartedId, notStarted);
    return timer;
}

}  // namespace kx

#endif
