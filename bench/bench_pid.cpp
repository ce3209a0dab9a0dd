// Per-step overhead of KX4410_PID's loop, on a simulated board whose
// operations take no time and log nothing: what is left is the host call,
// the plug-in's arithmetic and the simulator's own bookkeeping. The bare
// driver calls of one step are measured alongside, so that the plug-in's
// share is the difference. Run from the build's output folder (or with
// KX4410_PLUGIN_DIR set), where the plug-ins are.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "kxsim.h"
#include "mexhost.h"
#include "zero_cost_board.h"

namespace {

// One run of n steps per iteration; items are steps.
void PidRun(benchmark::State& state) {
    zeroCostBoard();
    const std::vector<double> reference(static_cast<std::size_t>(state.range(0)), 2.0);
    for (auto _ : state) {
        mexhost::Outcome o =
            mexhost::call("KX4410_PID", 4,
                          mexhost::args(mexhost::scalar(0), mexhost::scalar(0),
                                        mexhost::scalar(0), mexhost::scalar(0),
                                        mexhost::row(reference), mexhost::scalar(0),
                                        mexhost::scalar(20), mexhost::scalar(0.2),
                                        mexhost::scalar(0.001)));
        if (o.raised) {
            state.SkipWithError(o.message.c_str());
            break;
        }
        benchmark::DoNotOptimize(o.results);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(PidRun)->Arg(1)->Arg(1000)->Arg(10000)->Arg(100000);

// The three driver calls of one step alone.
void DriverCallsOfAStep(benchmark::State& state) {
    zeroCostBoard();
    WriteTimerControl(0xE000, 2, 0xB6, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadTimerCounter(0xE000, 2, 0x80));
        float volts = 0.0f;
        benchmark::DoNotOptimize(ReadAnalogIn(&volts));
        benchmark::DoNotOptimize(WriteAnalogOut(0, 2047));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DriverCallsOfAStep);

}  // namespace

BENCHMARK_MAIN();
