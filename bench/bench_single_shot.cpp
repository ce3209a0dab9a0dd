// Per-element cost of the single-shot loops (KX4410_ReadAD's readings,
// KX4410_SendDA's codes) on a simulated board whose operations take no time
// and log nothing, against loops of the bare driver calls: the plug-in's
// share of the time between two conversions is the difference. Run from the
// build's output folder (or with KX4410_PLUGIN_DIR set).
//
//   ReadAD/n, SendDA/n        the plug-in alone; items are elements
//   PairedReadAD/n, ...       plug-in and bare loop in turn (paired.h):
//                             the ratio that scripts/bench reports
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "direct_call.h"
#include "kxsim.h"
#include "mexhost.h"
#include "paired.h"
#include "zero_cost_board.h"

namespace {

void run(benchmark::State& state, DirectCall& call) {
    for (auto _ : state) {
        if (!call()) {
            state.SkipWithError(call.message().c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

DirectCall readAD(int64_t n) {
    return DirectCall("KX4410_ReadAD", 1, mexhost::scalars({2, 0, 0, static_cast<double>(n)}));
}

std::vector<double> codes(int64_t n) {
    std::vector<double> c(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < c.size(); ++i) c[i] = static_cast<double>(i % 4096);
    return c;
}

DirectCall sendDA(int64_t n) {
    return DirectCall("KX4410_SendDA", 1,
                      mexhost::args(mexhost::scalar(1), mexhost::scalar(0), mexhost::row(codes(n))));
}

void ReadAD(benchmark::State& state) {
    zeroCostBoard();
    DirectCall call = readAD(state.range(0));
    run(state, call);
}
BENCHMARK(ReadAD)->Arg(1)->Arg(1000)->Arg(100000);

void SendDA(benchmark::State& state) {
    zeroCostBoard();
    DirectCall call = sendDA(state.range(0));
    run(state, call);
}
BENCHMARK(SendDA)->Arg(1)->Arg(1000)->Arg(100000);

// What a loop of reads has to do at the least: read, test, store.
struct BareReads {
    std::vector<double> readings;
    bool failed = false;
    void operator()() {
        for (double& r : readings) {
            float volts = 0.0f;
            if (ReadAnalogIn(&volts) != 0) failed = true;
            r = volts;
        }
        benchmark::DoNotOptimize(readings.data());
        benchmark::ClobberMemory();
    }
};

// The same double codes, each truncated as C truncates, written and tested.
struct BareWrites {
    std::vector<double> codes;
    bool failed = false;
    void operator()() {
        for (double c : codes)
            if (WriteAnalogOut(1, static_cast<int32_t>(c)) != 0) failed = true;
    }
};

template <class Bare>
void paired(benchmark::State& state, DirectCall& call, Bare& bare) {
    bool raised = false;
    paired::run(state, [&] { raised |= !call(); }, [&] { bare(); },
                static_cast<double>(state.range(0)));
    if (raised) state.SkipWithError(call.message().c_str());
    if (bare.failed) state.SkipWithError("a bare driver call failed");
}

void PairedReadAD(benchmark::State& state) {
    zeroCostBoard();
    DirectCall call = readAD(state.range(0));
    BareReads bare{std::vector<double>(static_cast<std::size_t>(state.range(0)))};
    // Both read the channel the plug-in configures.
    ConfigureAnalogIn(2, 0);
    paired(state, call, bare);
}
BENCHMARK(PairedReadAD)->Arg(1000);

void PairedSendDA(benchmark::State& state) {
    zeroCostBoard();
    DirectCall call = sendDA(state.range(0));
    BareWrites bare{codes(state.range(0))};
    paired(state, call, bare);
}
BENCHMARK(PairedSendDA)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
