// Per-step cost of KX4410_PID's loop on a simulated board whose operations
// take no time and log nothing, against loops of the bare driver calls:
// the same control loop written by hand, and the step's calls alone. Run from the
// build's output folder (or with KX4410_PLUGIN_DIR set).
//
//   PidRun/n        the plug-in alone; items are steps
//   PairedPid/n     plug-in and the same loop written by hand against the
//                   driver, in turn (paired.h): the ratio scripts/bench
//                   holds to its goal
//   PairedPidCalls/n  plug-in and the step's driver calls alone
//   PairedPidPlant/n  the plug-in on an 8th-order plant and on the board's
//                   first-order plant: what a placed plant costs a step
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "direct_call.h"
#include "kxsim.h"
#include "mexhost.h"
#include "paired.h"
#include "zero_cost_board.h"

namespace {

DirectCall pid(int64_t n, int ad = 0, int da = 0) {
    const std::vector<double> reference(static_cast<std::size_t>(n), 2.0);
    return DirectCall("KX4410_PID", 4,
                      mexhost::args(mexhost::scalar(ad), mexhost::scalar(0), mexhost::scalar(0),
                                    mexhost::scalar(da), mexhost::row(reference),
                                    mexhost::scalar(0), mexhost::scalar(20),
                                    mexhost::scalar(0.2), mexhost::scalar(0.001)));
}

void PidRun(benchmark::State& state) {
    zeroCostBoard();
    DirectCall call = pid(state.range(0));
    for (auto _ : state) {
        if (!call()) {
            state.SkipWithError(call.message().c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(PidRun)->Arg(1)->Arg(1000)->Arg(10000)->Arg(100000);

// The same control loop written straight against the driver, as one would
// by hand: one timer read, one AD read, the PID arithmetic on plain doubles,
// one DA write and the four stores of a step.
struct HandWritten {
    std::vector<double> reference, time, output, error, control;
    double kp = 20, ki = 0.2, kd = 0.001;
    bool failed = false;
    void operator()() {
        double sum = 0, previousE = 0, previousT = 0, previousD = 0, previousCount = 0;
        for (std::size_t i = 0; i < reference.size(); ++i) {
            const double count = ReadTimerCounter(0xE000, 2, 0x80);
            double t = 0;
            if (i == 0)
                t = (65536.0 - count) * 6.25e-8;
            else if (count <= previousCount)
                t = previousT + (previousCount - count) * 6.25e-8;
            else
                t = previousT + (65536.0 - count + previousCount) * 6.25e-8;
            float volts = 0.0f;
            if (ReadAnalogIn(&volts) != 0) failed = true;
            const double y = volts;
            const double e = reference[i] - y;
            sum += e;
            double d = 0;
            if (i > 0) d = t == previousT ? previousD : (e - previousE) * kd / (t - previousT);
            const double u = d + sum * ki + e * kp;
            int v = 0;
            if (u >= 10) v = 10;
            else if (u <= -10) v = -10;
            else if (u == u) v = static_cast<int>(u);
            if (WriteAnalogOut(0, static_cast<int>((v + 10) * 204.75)) != 0) failed = true;
            previousE = e;
            previousT = t;
            previousD = d;
            previousCount = count;
            time[i] = t;
            output[i] = y;
            error[i] = e;
            control[i] = u;
        }
        benchmark::DoNotOptimize(time.data());
        benchmark::DoNotOptimize(control.data());
        benchmark::ClobberMemory();
    }
};

// The three driver calls of a step alone, tested, and the two readings
// stored: what no PID loop can go below.
struct DriverCalls {
    std::vector<double> counts, volts;
    bool failed = false;
    void operator()() {
        for (std::size_t i = 0; i < counts.size(); ++i) {
            counts[i] = ReadTimerCounter(0xE000, 2, 0x80);
            float v = 0.0f;
            if (ReadAnalogIn(&v) != 0) failed = true;
            volts[i] = v;
            if (WriteAnalogOut(0, 2047) != 0) failed = true;
        }
        benchmark::DoNotOptimize(counts.data());
        benchmark::DoNotOptimize(volts.data());
        benchmark::ClobberMemory();
    }
};

template <class Bare>
void paired(benchmark::State& state, Bare& bare) {
    zeroCostBoard();
    DirectCall call = pid(state.range(0));
    // The channel and the timer as the plug-in sets them up.
    ConfigureAnalogIn(0, 0);
    WriteTimerControl(0xE000, 2, 0xB6, 0);
    bool raised = false;
    paired::run(state, [&] { raised |= !call(); }, [&] { bare(); },
                static_cast<double>(state.range(0)));
    if (raised) state.SkipWithError(call.message().c_str());
    if (bare.failed) state.SkipWithError("a bare driver call failed");
}

void PairedPid(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    HandWritten bare{std::vector<double>(n, 2.0), std::vector<double>(n), std::vector<double>(n),
                     std::vector<double>(n), std::vector<double>(n)};
    paired(state, bare);
}
BENCHMARK(PairedPid)->Arg(1000);

void PairedPidCalls(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    DriverCalls bare{std::vector<double>(n), std::vector<double>(n)};
    paired(state, bare);
}
BENCHMARK(PairedPidCalls)->Arg(1000);

// The plug-in closing its loop through an 8th-order plant placed from DA 1
// to AD 2, against the same loop through AD 0's first-order plant from
// DA 0, which no placed plant shares. The board keeps its operations'
// costs, which on the virtual clock take no real time but move board
// time, so that both plants are solved at every read and write (on a
// board that takes no time neither would move).
void PairedPidPlant(benchmark::State& state) {
    kxsim_reset();
    kxsim_set_logging(0);
    uint16_t boards = 0;
    OpenDriver(&boards);
    ActivateBoard(0);
    // Poles at 20, 40, ... 160 rad/s: 8! 20^8 / ((s + 20)(s + 40)...(s + 160)).
    std::vector<double> den{1};
    for (int k = 1; k <= 8; ++k) {
        std::vector<double> next(den.size() + 1, 0.0);
        for (std::size_t i = 0; i < den.size(); ++i) {
            next[i] += den[i];
            next[i + 1] += den[i] * 20.0 * k;
        }
        den = next;
    }
    const double num = den.back();
    const char* why = nullptr;
    if (kxsim_set_tf(1, 2, &num, 1, den.data(), den.size(), 0, &why) != 0) {
        state.SkipWithError(why ? why : "the plant was refused");
        return;
    }
    DirectCall eighth = pid(state.range(0), 2, 1), first = pid(state.range(0), 0, 0);
    bool raised = false;
    paired::run(state, [&] { raised |= !eighth(); }, [&] { raised |= !first(); },
                static_cast<double>(state.range(0)));
    if (raised) state.SkipWithError((eighth.message() + first.message()).c_str());
}
BENCHMARK(PairedPidPlant)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
