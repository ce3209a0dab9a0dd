// The simulated board's call log, measured through its control port only:
//
//   cost per logged call    WriteAnalogOut calls with logging on, less the
//                           same calls with logging off, per call, into a
//                           full log of 2^14 entries
//   bytes per entry         the heap the log took for 10^6 entries
//   bytes kept by clearlog  the heap it still holds after kxsim_clear_log
//   worst single call       the slowest call while the log grows to 2^22
//                           entries, with the log on and (baseline) off,
//                           as the slowest of the calls' fastest rounds
//
// Each measure first makes the log as large as the entries it is about to
// log (kxsim_set_log_capacity), so that it measures logging, not dropping.
//
// Prints rows of scripts/bench's table; the first argument is the number of
// rounds (default 7).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

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

// The slowest call, in us, while the log grows to 2^22 entries.
//
// A stall of the log's own comes at the same call in every round (where it
// takes a chunk, say); the machine's interruptions, a millisecond of
// another process or of the host, land anywhere. So every call is timed in
// every round, each round in a process of its own forked from this one (a
// heap like the first round's every time), and the stall is the slowest of
// the calls' fastest rounds. Each round's own slowest call is kept too.
struct Worst {
    double stall;               // us: the slowest call's fastest round
    std::vector<double> rounds; // us: each round's slowest call
};

Worst worstCall(bool logging, int rounds) {
    const std::size_t n = std::size_t{1} << 22;
    // Shared with the rounds' processes: each call's fastest time (ns), and
    // each round's slowest.
    const std::size_t bytes = n * sizeof(uint32_t) + static_cast<std::size_t>(rounds) * sizeof(double);
    void* shared = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        std::perror("bench_log_table: mmap");
        std::exit(1);
    }
    auto* fastest = static_cast<uint32_t*>(shared);
    auto* slowest = reinterpret_cast<double*>(fastest + n);
    std::fill(fastest, fastest + n, UINT32_MAX);
    for (int r = 0; r < rounds; ++r) {
        const pid_t child = fork();
        if (child == 0) {
            zeroCostBoard();
            freshLog(logging, n);
            double worst = 0;
            Clock::time_point before = Clock::now();
            for (std::size_t i = 0; i < n; ++i) {
                WriteAnalogOut(1, static_cast<int32_t>(i & 4095));
                const Clock::time_point after = Clock::now();
                const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(after - before).count();
                fastest[i] = std::min(fastest[i], static_cast<uint32_t>(std::min<long long>(ns, UINT32_MAX)));
                worst = std::max(worst, static_cast<double>(ns));
                before = Clock::now();
            }
            slowest[r] = worst / 1000;
            _exit(0);
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "bench_log_table: a round's process failed\n");
            std::exit(1);
        }
    }
    Worst w{static_cast<double>(*std::max_element(fastest, fastest + n)) / 1000,
            std::vector<double>(slowest, slowest + rounds)};
    munmap(shared, bytes);
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    zeroCostBoard();
    std::vector<double> cost, perEntry, kept;
    for (int r = 0; r < rounds; ++r) {
        cost.push_back(costPerLoggedCall(r));
        const Heap h = heap();
        perEntry.push_back(h.perEntry);
        kept.push_back(h.keptAfterClear);
    }
    const Worst on = worstCall(true, rounds);
    const Worst off = worstCall(false, rounds);
    table::row("Log: ns per logged call (WriteAnalogOut, logging on less off, thread CPU time)",
               cost, "<= 3 ns");
#if defined(__GLIBC__)
    table::row("Log: heap bytes per entry (10^6 entries)", perEntry, "<= 32 B");
    table::row("Log: heap bytes kept after clearlog (10^6 entries)", kept, "0 (cleared means freed)",
               "%.0f");
#endif
    table::row("Log: worst single call (us) while it grows to 2^22 entries, logging on: "
               "the slowest call's fastest round",
               {on.stall}, "<= 50 us", "%.2f");
    table::row("Log: the same, logging off (baseline)", {off.stall}, "reported", "%.2f");
    table::row("Log: each round's slowest call (us), logging on (the machine's interruptions "
               "included)",
               on.rounds, "reported", "%.1f");
    table::row("Log: each round's slowest call (us), logging off", off.rounds, "reported", "%.1f");
    return 0;
}
