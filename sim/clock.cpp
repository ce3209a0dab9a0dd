#include "clock.h"

#if !defined(_WIN32)
#include <cerrno>
#include <ctime>
#endif

namespace kxsim {

namespace {

// A sleep wakes late, by the kernel's timer slack and the scheduler's
// delay: some 50-150 us on a quiet Linux machine, now and then milliseconds
// on a virtual or a loaded one. A wait sleeps only until this long before
// its deadline and spins the rest; a wait no longer than this only spins.
constexpr int64_t kSpinMarginNs = 1000000;

}  // namespace

void BoardClock::advance(int64_t ns) {
    if (ns <= 0) return;
    if (real_)
        spinUntil(now() + ns);
    else
        virtualNs_ = ns > INT64_MAX - virtualNs_ ? INT64_MAX : virtualNs_ + ns;
}

void BoardClock::wait(int64_t start, int64_t ns) {
    if (!real_) {
        advance(ns);
        return;
    }
    const int64_t deadline = start + ns;
#if !defined(_WIN32)
    // Windows wakes a sleeper on the system timer's tick, up to 15.6 ms
    // late: there every wait spins.
    if (deadline - now() > kSpinMarginNs) sleepUntil(deadline - kSpinMarginNs);
#endif
    spinUntil(deadline);
}

void BoardClock::choose(bool real) {
    real_ = real;
    virtualNs_ = 0;
    epoch_ = Steady::now();
}

void BoardClock::spinUntil(int64_t t) const {
    while (now() < t) {
    }
}

#if !defined(_WIN32)
void BoardClock::sleepUntil(int64_t t) const {
    // To the same instant on the monotonic clock, as an absolute time: a
    // sleep that starts late still ends on time.
    timespec wake{};
    clock_gettime(CLOCK_MONOTONIC, &wake);
    const int64_t ns = static_cast<int64_t>(wake.tv_nsec) + (t - now());
    wake.tv_sec += static_cast<time_t>(ns / 1000000000);
    wake.tv_nsec = static_cast<long>(ns % 1000000000);
    if (wake.tv_nsec < 0) {
        wake.tv_nsec += 1000000000;
        wake.tv_sec -= 1;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
}
#endif

}  // namespace kxsim
