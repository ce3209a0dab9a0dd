// Ringing and awaiting a doorbell: the spin-then-block handshake that both
// ends share.
#include "channel.h"

#include <chrono>
#include <cstring>
#include <thread>

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#include <immintrin.h>
#define KXBRIDGE_PAUSE() _mm_pause()
#else
#define KXBRIDGE_PAUSE() ((void)0)
#endif

namespace kxbridge {

namespace {

using Clock = std::chrono::steady_clock;

int64_t since(Clock::time_point t0) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - t0).count();
}

bool moved(const Doorbell& bell, uint32_t seen) {
    return bell.count.load(std::memory_order_acquire) != seen;
}

// Spinning without giving up the processor, at first: an idle machine
// answers within this.
constexpr int64_t kBusyNs = 2000;

// Spins until the count moves on or endNs (since t0) passes. Past busyNs it
// yields between looks, so that on a loaded machine the other end (or
// anything else) gets the processor instead of a spinner.
bool spin(const Doorbell& bell, uint32_t seen, Clock::time_point t0, int64_t endNs,
          int64_t busyNs) {
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (moved(bell, seen)) return true;
            KXBRIDGE_PAUSE();
        }
        const int64_t t = since(t0);
        if (t >= endNs) return moved(bell, seen);
        if (t >= busyNs) std::this_thread::yield();
    }
}

enum class Slept { Moved, Timeout, Ended };

// Blocks until the count moves on, endNs (since t0; negative: never) passes
// or the other process ends. The sleeping mark and the count are both
// sequentially consistent, so either the ringer sees the mark or the
// sleeper sees the new count.
Slept sleep(Link& link, Doorbell& bell, uint32_t seen, Clock::time_point t0, int64_t endNs) {
    Slept result = Slept::Moved;
    bell.sleeping.store(1, std::memory_order_seq_cst);
    while (bell.count.load(std::memory_order_seq_cst) == seen) {
        int64_t timeout = -1;
        if (endNs >= 0) {
            timeout = endNs - since(t0);
            if (timeout <= 0) {
                result = Slept::Timeout;
                break;
            }
        }
        if (!link.block(bell, seen, timeout)) {
            result = moved(bell, seen) ? Slept::Moved : Slept::Ended;
            break;
        }
    }
    bell.sleeping.store(0, std::memory_order_seq_cst);
    return result;
}

}  // namespace

void ring(Link& link, Doorbell& bell) {
    bell.count.fetch_add(1, std::memory_order_seq_cst);
    if (bell.sleeping.load(std::memory_order_seq_cst) != 0) link.wake(bell);
}

bool await(Link& link, Doorbell& bell, const Doorbell& other, uint32_t seen, const Patience& p) {
    if (moved(bell, seen)) return true;
    const Clock::time_point t0 = Clock::now();
    // Where the other end last ran on this processor, it can only answer
    // once this side gives way: no busy spinning then.
    const uint32_t cpu = link.cpu();
    bell.cpu.store(cpu, std::memory_order_relaxed);
    const bool shared = cpu != 0 && other.cpu.load(std::memory_order_relaxed) == cpu;

    // Most answers come within the spin: a wait on the virtual clock, and a
    // short one on the real clock, spun busily to its end.
    const bool longWait = p.expectedNs > p.spinNs;
    const int64_t busy = shared ? 0 : kBusyNs + (longWait ? 0 : p.expectedNs);
    if (spin(bell, seen, t0, p.spinNs, busy)) return true;

    int64_t spinEnd = p.expectedNs + p.spinNs;
    int64_t busyEnd = 0;
    if (p.expectedNs > 2 * p.spinNs && link.preciseTimeouts()) {
        // A long wait in the driver: slept through but for its end, which
        // is spun so that the caller gets it back at once.
        switch (sleep(link, bell, seen, t0, p.expectedNs - p.spinNs)) {
            case Slept::Moved: return true;
            case Slept::Ended: return false;
            case Slept::Timeout: break;
        }
        spinEnd = since(t0) + 2 * p.spinNs;
        busyEnd = shared ? 0 : spinEnd;
    }
    if (spin(bell, seen, t0, spinEnd, busyEnd)) return true;
    return sleep(link, bell, seen, t0, p.limitNs) == Slept::Moved;
}

const char* option(int argc, char** argv, const char* name) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    return nullptr;
}

}  // namespace kxbridge
