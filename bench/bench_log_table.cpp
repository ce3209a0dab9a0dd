// The simulated board's call log, measured through its control port only:
//
//   cost per logged call    WriteAnalogOut calls with logging on, less the
//                           same calls with logging off, per call, into a
//                           full log of 2^14 entries
//   bytes per entry         the heap the log took for 10^6 entries
//   bytes kept by clearlog  the heap it still holds after kxsim_clear_log
//   worst single call       the slowest call while the log grows to 2^22
//                           entries, with the log on and (baseline) off
//
// Each measure first makes the log as large as the entries it is about to
// log (kxsim_set_log_capacity), so that it measures logging, not dropping.
//
// Prints rows of scripts/bench's table; the first argument is the number of
// rounds (default 7).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <time.h>

#include "kxsim.h"
#include "table.h"
#include "zero_cost_board.h"

namespace {

using Clock = std::chrono::steady_clock;

// A log ready to take entries calls, from empty.
void freshLog(bool on, std::size_t entries) {
    kxsim_clear_log();
    kxsim_set_log_capacity(entries);
    kxsim_set_logging(on ? 1 : 0);
}

double threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

void calls(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) WriteAnalogOut(1, static_cast<int32_t>(i & 4095));
}

// ns per logged call, less the same calls unlogged: blocks of 2^14 calls
// that alternate between on and off, 2^20 calls each way, into a log of
// 2^14 entries filled once beforehand, so that each logged call takes the
// place of the oldest entry (growing is the worst-call row's). Timed by the
// thread's CPU time, which leaves out the time the thread waited for the
// processor.
double costPerLoggedCall(int round) {
    const std::size_t n = std::size_t{1} << 20;
    const std::size_t block = std::size_t{1} << 14;
    zeroCostBoard();
    freshLog(true, block);
    calls(block);
    double on = 0, off = 0;
    for (std::size_t done = 0; done < n; done += block) {
        for (int k = 0; k < 2; ++k) {
            const bool logging = (k + round) % 2 == 0;
            kxsim_set_logging(logging ? 1 : 0);
            const double start = threadCpuNs();
            calls(block);
            (logging ? on : off) += threadCpuNs() - start;
        }
    }
    kxsim_set_logging(0);
    kxsim_clear_log();
    return (on - off) / static_cast<double>(n);
}

#if defined(__GLIBC__)
double heapBytes() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
}
#else
double heapBytes() { return 0.0; }
#endif

struct Heap {
    double perEntry;
    double keptAfterClear;
};

// From power-on, where the log holds nothing, to a million entries.
Heap heap() {
    const std::size_t n = 1000000;
    zeroCostBoard();
    const double before = heapBytes();
    freshLog(true, n);
    calls(n);
    const double full = heapBytes();
    kxsim_set_logging(0);
    kxsim_clear_log();
    const double cleared = heapBytes();
    return Heap{(full - before) / static_cast<double>(n), cleared - before};
}

// The slowest single call, in us, of 2^22. On a loaded machine a call can
// also be slow because the thread was not running: in blocks of 256 calls,
// the block's wall time less its CPU time is taken off its slowest call.
double worstCallUs(bool logging) {
    const std::size_t n = std::size_t{1} << 22;
    const std::size_t block = 256;
    zeroCostBoard();
    freshLog(logging, n);
    double worst = 0;
    for (std::size_t from = 0; from < n; from += block) {
        const double cpu = threadCpuNs();
        const Clock::time_point blockStart = Clock::now();
        Clock::time_point before = blockStart;
        double slowest = 0;
        for (std::size_t i = from; i < from + block; ++i) {
            WriteAnalogOut(1, static_cast<int32_t>(i & 4095));
            const Clock::time_point after = Clock::now();
            const double ns = std::chrono::duration<double, std::nano>(after - before).count();
            if (ns > slowest) slowest = ns;
            before = after;
        }
        const double wall = std::chrono::duration<double, std::nano>(before - blockStart).count();
        const double away = wall - (threadCpuNs() - cpu);
        const double stall = away > 0 ? slowest - away : slowest;
        if (stall > worst) worst = stall;
    }
    kxsim_set_logging(0);
    kxsim_clear_log();
    return worst / 1000;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    zeroCostBoard();
    std::vector<double> cost, perEntry, kept, worstOn, worstOff;
    for (int r = 0; r < rounds; ++r) {
        cost.push_back(costPerLoggedCall(r));
        const Heap h = heap();
        perEntry.push_back(h.perEntry);
        kept.push_back(h.keptAfterClear);
        if (r % 2 == 0) {
            worstOn.push_back(worstCallUs(true));
            worstOff.push_back(worstCallUs(false));
        } else {
            worstOff.push_back(worstCallUs(false));
            worstOn.push_back(worstCallUs(true));
        }
    }
    table::row("Log: ns per logged call (WriteAnalogOut, logging on less off, thread CPU time)",
               cost, "<= 3 ns");
#if defined(__GLIBC__)
    table::row("Log: heap bytes per entry (10^6 entries)", perEntry, "<= 32 B");
    table::row("Log: heap bytes kept after clearlog (10^6 entries)", kept, "0 (cleared means freed)",
               "%.0f");
#endif
    table::row("Log: worst single call (us) while it grows to 2^22 entries, logging on", worstOn,
               "<= 50 us", "%.1f");
    table::row("Log: worst single call (us) of 2^22, logging off (baseline)", worstOff,
               "reported", "%.1f");
    return 0;
}
