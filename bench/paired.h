// Two pieces of work timed in turn, one run of each per iteration, the
// order swapped every iteration: a plug-in call and the loop of bare driver
// calls it is measured against. Load that comes and goes on the machine
// falls on both alike, and the median of each side drops the runs it hit.
// Reports, per element, the plug-in's time, the bare loop's time and their
// ratio, as counters.
#ifndef KX4410_BENCH_PAIRED_H
#define KX4410_BENCH_PAIRED_H

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace paired {

template <class Work>
double seconds(Work& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    const std::size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    return v[mid];
}

// plugin and bare each do elements items of work per run.
template <class Plugin, class Bare>
void run(benchmark::State& state, Plugin plugin, Bare bare, double elements) {
    std::vector<double> p, b;
    bool pluginFirst = true;
    for (auto _ : state) {
        if (pluginFirst) {
            p.push_back(seconds(plugin));
            b.push_back(seconds(bare));
        } else {
            b.push_back(seconds(bare));
            p.push_back(seconds(plugin));
        }
        pluginFirst = !pluginFirst;
    }
    const double pluginNs = median(p) * 1e9 / elements;
    const double bareNs = median(b) * 1e9 / elements;
    state.counters["plugin_ns"] = pluginNs;
    state.counters["bare_ns"] = bareNs;
    state.counters["ratio"] = bareNs > 0 ? pluginNs / bareNs : 0.0;
}

}  // namespace paired

#endif
