// A pure spin-wait behind a call into a shared library of its own, as the
// simulated board's DelayMicros is: the like-for-like baseline of a wait's
// lateness (scripts/bench's clock rows).
#ifndef KX4410_BENCH_SPIN_WAIT_H
#define KX4410_BENCH_SPIN_WAIT_H

#include <cstdint>

extern "C" {
// Returns micros us after it was called, spinning on the monotonic clock.
__attribute__((visibility("default"))) void kxbench_spin_wait(int32_t micros);
}

#endif
