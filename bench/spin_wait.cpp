#include "spin_wait.h"

#include <chrono>

void kxbench_spin_wait(int32_t micros) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::microseconds(micros);
    while (Clock::now() < deadline) {
    }
}
