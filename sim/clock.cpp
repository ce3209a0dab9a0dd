#include "clock.h"

#include <algorithm>

#if defined(_WIN32)
#include <thread>
#else
#include <cerrno>
#include <ctime>
#endif

namespace kxsim {

namespace {

constexpr double kFirstSpinMarginNs = 200e3;
constexpr double kLongestSpinMarginNs = 2 * 8191e3;
constexpr double kMarginMemoryNs = 16e9;
constexpr int64_t kLateWaitNs = 10000;
constexpr int64_t kColdAfterNs = 2000000;

// How long before a real-clock wait's deadline its sleep ends.
// Not board state: it describes how this machine's sleeps wake.
double spinMarginNs = kFirstSpinMarginNs;

}  // namespace

void BoardClock::advance(int64_t ns) {
    if (ns <= 0) return;
    if (real_) {
        const int64_t end = now() + ns;
        while (now() < end) {
        }
        return;
    }
    virtualNs_ = ns > INT64_MAX - virtualNs_ ? INT64_MAX : virtualNs_ + ns;
}

void BoardClock::wait(int64_t start, int64_t ns, const void* caller) {
    if (real_)
        waitUntil(start, start + ns, caller);
    else
        advance(ns);
}

void BoardClock::choose(bool real) {
    real_ = real;
    virtualNs_ = 0;
    epoch_ = Steady::now();
}

// Sleeps until board time t, or a little later: the wake-up's lateness is
// the caller's to measure.
void BoardClock::sleepUntil(int64_t t) const {
#if defined(_WIN32)
    std::this_thread::sleep_until(epoch_ + std::chrono::nanoseconds(t));
#else
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
#endif
}

// The margin is fitted to how late waits end, in two ways:
//   - a sleep that wakes L late raises it to 2 L at once: where sleeps wake
//     on time, a wait sleeps all but twice their lateness;
//   - a wait that slept and still ended more than 10 us late raises it to
//     twice the longest wait: on a virtual machine a thread that slept is
//     interrupted at its deadline more often than one that kept spinning
//     (twice as often here, by tens of us to milliseconds), and there only
//     spinning keeps time.
// Every wait lets wait / 16 s of it go, half in 11 s of waiting, so that
// sleeping is tried again now and then. A wait no longer than the margin
// only spins.
//
// On a virtual machine a caller comes back from a wait of milliseconds,
// spun or slept, to code gone cold: the host took its translations and cache
// lines meanwhile, and the way back cost 1-2 us after the wait had ended.
// The spin of a wait that long keeps the caller's next instructions warm by
// touching them. (Not of a shorter one: there the code stays warm, and
// touching it as data cost the way back some 10 ns.)
void BoardClock::waitUntil(int64_t start, int64_t deadline, const void* caller) const {
    spinMarginNs -= spinMarginNs * static_cast<double>(deadline - start) * (1 / kMarginMemoryNs);
    const int64_t wake = deadline - static_cast<int64_t>(spinMarginNs);
    int64_t t = now();
    const bool sleeps = wake > t;
    if (sleeps) {
        sleepUntil(wake);
        t = now();
        const double late = static_cast<double>(t - wake);
        spinMarginNs = std::max(spinMarginNs, std::min(2 * late, kLongestSpinMarginNs));
    }
#if defined(__GNUC__)
    if (deadline - start > kColdAfterNs) {
        while (t < deadline) {
            __builtin_prefetch(caller);
            t = now();
        }
    }
#else
    (void)caller;
#endif
    while (t < deadline) t = now();
    if (sleeps && t - deadline > kLateWaitNs) spinMarginNs = kLongestSpinMarginNs;
}

}  // namespace kxsim
