// The driver bridge's round trip: each driver call through the client and
// the server against the same call made in-process on the simulated board,
// each call timed on its own, as percentiles and their ratio.
//
//   bench_bridge [client library] [in-process kxdrv] [samples]
//
// By default the client beside this program (build/bridge) and the
// simulated kxdrv of build/out, of this program's word size. Both run on
// the virtual clock with every cost 0, but for the DelayMicros rows, which
// run on the real clock and show how long the caller waited. On Linux the
// first rows are made again with this program and the server pinned to two
// processors: the round trip between two processors, whatever else runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <type_traits>

#if !defined(_WIN32)
#include <sched.h>
#endif

#include "kxdrv_ordinals.h"
#include "kxsim.h"
#include "library.h"

namespace {

using Clock = std::chrono::steady_clock;

// One kxdrv, loaded on its own: the calls this benchmark makes.
struct Board {
    decltype(&::OpenDriver) open = nullptr;
    decltype(&::ActivateBoard) activate = nullptr;
    decltype(&::GetActiveBoard) activeBoard = nullptr;
    decltype(&::ConfigureAnalogIn) configure = nullptr;
    decltype(&::ReadAnalogIn) read = nullptr;
    decltype(&::DelayMicros) delay = nullptr;
    decltype(&::kxsim_reset) reset = nullptr;
    decltype(&::kxsim_zero_costs) zeroCosts = nullptr;
    decltype(&::kxsim_set_clock) setClock = nullptr;
    decltype(&::kxsim_set_logging) setLogging = nullptr;
    int64_t (*serverPid)(void) = nullptr;  // the client's kxbridge_server_pid
    kxbridge::Library library;

    // Bound as the driver server binds kxdrv: false, and why, if it fails.
    bool load(const std::string& path, std::string& problem) {
        if (!library.open(path, problem)) return false;
        auto op = [this](auto& field, int ordinal, const char* name) {
            field = reinterpret_cast<std::remove_reference_t<decltype(field)>>(
                library.operation(ordinal, name));
        };
        auto named = [this](auto& field, const char* name) {
            field = reinterpret_cast<std::remove_reference_t<decltype(field)>>(library.symbol(name));
        };
        op(open, KXBRIDGE_ORDINAL_OpenDriver, "OpenDriver");
        op(activate, KXBRIDGE_ORDINAL_ActivateBoard, "ActivateBoard");
        op(activeBoard, KXBRIDGE_ORDINAL_GetActiveBoard, "GetActiveBoard");
        op(configure, KXBRIDGE_ORDINAL_ConfigureAnalogIn, "ConfigureAnalogIn");
        op(read, KXBRIDGE_ORDINAL_ReadAnalogIn, "ReadAnalogIn");
        op(delay, KXBRIDGE_ORDINAL_DelayMicros, "DelayMicros");
        named(reset, "kxsim_reset");
        named(zeroCosts, "kxsim_zero_costs");
        named(setClock, "kxsim_set_clock");
        named(setLogging, "kxsim_set_logging");
        named(serverPid, "kxbridge_server_pid");
        if (open && activate && activeBoard && configure && read && delay && reset && zeroCosts &&
            setClock && setLogging)
            return true;
        problem = library.file() + " lacks a call this benchmark makes";
        return false;
    }

    // A session on a board that takes no time and keeps no log.
    void prepare() const {
        reset();
        zeroCosts();
        setLogging(0);
        uint16_t boards = 0;
        open(&boards);
        activate(0);
        configure(2, 0);
    }
};

struct Stats {
    double p50, p99, max, mean;
};

template <class F>
Stats timed(int samples, F call, std::chrono::microseconds pause = std::chrono::microseconds(0)) {
    std::vector<double> us(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        if (pause.count() > 0) std::this_thread::sleep_for(pause);
        const Clock::time_point t0 = Clock::now();
        call();
        us[static_cast<std::size_t>(i)] =
            std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
    }
    double sum = 0;
    for (double u : us) sum += u;
    std::sort(us.begin(), us.end());
    auto at = [&](double q) { return us[static_cast<std::size_t>(q * (us.size() - 1))]; };
    return {at(0.50), at(0.99), us.back(), sum / us.size()};
}

void row(const char* what, const Stats& local, const Stats& bridged) {
    std::printf("%-34s %8.3f %8.3f %8.3f %9.2f   %8.3f %8.3f %8.3f %9.2f   %7.1f %7.1f\n", what,
                local.p50, local.p99, local.mean, local.max, bridged.p50, bridged.p99, bridged.mean,
                bridged.max, bridged.p50 / local.p50, bridged.p99 / local.p99);
}

// Every row, the bridge's calls made after a few unreported ones.
void table(Board& local, Board& bridged, int samples, const std::string& tag) {
    auto active = [](const Board& b) { return [&b] { b.activeBoard(); }; };
    auto read = [](const Board& b) {
        return [&b] {
            float v = 0;
            b.read(&v);
        };
    };
    auto wait = [](const Board& b, int32_t micros) { return [&b, micros] { b.delay(micros); }; };
    local.setClock(0);
    bridged.setClock(0);
    timed(samples / 10, active(bridged));
    row(("GetActiveBoard" + tag).c_str(), timed(samples, active(local)),
        timed(samples, active(bridged)));
    row(("ReadAnalogIn" + tag).c_str(), timed(samples, read(local)), timed(samples, read(bridged)));
    row(("DelayMicros(8000) virtual" + tag).c_str(), timed(samples, wait(local, 8000)),
        timed(samples, wait(bridged, 8000)));
    // The server blocks after its spin: the first call after a pause wakes it.
    const std::chrono::microseconds idle(2000);
    row(("ReadAnalogIn after 2 ms" + tag).c_str(), timed(samples / 100, read(local), idle),
        timed(samples / 100, read(bridged), idle));

    local.setClock(1);
    bridged.setClock(1);
    for (int32_t micros : {10, 100, 1000}) {
        const std::string name = "DelayMicros(" + std::to_string(micros) + ") real" + tag;
        row(name.c_str(), timed(samples / 100, wait(local, micros)),
            timed(samples / 100, wait(bridged, micros)));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = kxbridge::programFolder();
    auto given = [&](int i) { return argc > i && argv[i][0] != '\0'; };
#if defined(_WIN32)
    const std::string clientPath = given(1) ? argv[1] : folder + "\\kxdrv.dll";
    const std::string localPath = given(2) ? argv[2] : folder + "\\..\\out\\kxdrv.dll";
#else
    const std::string clientPath = given(1) ? argv[1] : folder + "/libkxdrv.so";
    const std::string localPath = given(2) ? argv[2] : folder + "/../out/libkxdrv.so";
#endif
    const int samples = given(3) ? std::atoi(argv[3]) : 200000;

    Board local, bridged;
    std::string problem;
    if (!local.load(localPath, problem) || !bridged.load(clientPath, problem)) {
        std::fprintf(stderr, "bench_bridge: %s\n", problem.c_str());
        return 1;
    }
    local.prepare();
    bridged.prepare();

    std::printf("bench_bridge: microseconds per call, %d samples (%d for the slow rows)\n", samples,
                samples / 100);
    std::printf("%-34s %37s   %37s   %15s\n", "", "in-process: p50 p99 mean max",
                "bridge: p50 p99 mean max", "ratio: p50 p99");
    table(local, bridged, samples, "");
#if defined(__linux__)
    cpu_set_t one, other, all;
    CPU_ZERO(&one);
    CPU_ZERO(&other);
    CPU_ZERO(&all);
    CPU_SET(0, &one);
    CPU_SET(1, &other);
    for (unsigned i = 0; i < std::thread::hardware_concurrency(); ++i) CPU_SET(i, &all);
    const pid_t server = bridged.serverPid ? static_cast<pid_t>(bridged.serverPid()) : 0;
    if (server > 0 && std::thread::hardware_concurrency() >= 2 &&
        sched_setaffinity(0, sizeof one, &one) == 0 &&
        sched_setaffinity(server, sizeof other, &other) == 0) {
        table(local, bridged, samples, ", pinned");
        sched_setaffinity(0, sizeof all, &all);
        sched_setaffinity(server, sizeof all, &all);
    }
#endif
    return 0;
}
