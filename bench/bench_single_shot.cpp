// Per-element cost of the single-shot loops (KX4410_ReadAD's readings,
// KX4410_SendDA's codes) on a simulated board whose operations take no time
// and log nothing, against the bare driver calls alone: the plug-in's share
// of the time between two conversions is the difference. Run from the
// build's output folder (or with KX4410_PLUGIN_DIR set).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "kxsim.h"
#include "mexhost.h"
#include "zero_cost_board.h"

namespace {

void run(benchmark::State& state, const char* function, const std::vector<mexhost::Array>& args) {
    for (auto _ : state) {
        mexhost::Outcome o = mexhost::call(function, 1, args);
        if (o.raised) {
            state.SkipWithError(o.message.c_str());
            break;
        }
        benchmark::DoNotOptimize(o.results);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// N readings per call; items are readings.
void ReadAD(benchmark::State& state) {
    zeroCostBoard();
    run(state, "KX4410_ReadAD",
        mexhost::scalars({2, 0, 0, static_cast<double>(state.range(0))}));
}
BENCHMARK(ReadAD)->Arg(1)->Arg(1000)->Arg(100000);

void BareReads(benchmark::State& state) {
    zeroCostBoard();
    ConfigureAnalogIn(2, 0);
    for (auto _ : state) {
        float volts = 0.0f;
        benchmark::DoNotOptimize(ReadAnalogIn(&volts));
        benchmark::DoNotOptimize(volts);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BareReads);

// A vector of N codes per call; items are codes.
void SendDA(benchmark::State& state) {
    zeroCostBoard();
    std::vector<double> codes(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = static_cast<double>(i % 4096);
    run(state, "KX4410_SendDA",
        mexhost::args(mexhost::scalar(1), mexhost::scalar(0), mexhost::row(codes)));
}
BENCHMARK(SendDA)->Arg(1)->Arg(1000)->Arg(100000);

void BareWrites(benchmark::State& state) {
    zeroCostBoard();
    std::int32_t code = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteAnalogOut(1, code));
        code = (code + 1) & 4095;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BareWrites);

}  // namespace

BENCHMARK_MAIN();
