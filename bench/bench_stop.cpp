// Ctrl-C's stop latency: how long after the request to stop it a long run on
// the real clock returns, for the three runs the Octave Ctrl-C tests stop
// (tests/octave/kx_interrupt_run.m), on a quiet machine and beside two CPU
// hogs ("yes > /dev/null", children of this program), in rounds that take
// turns. The request comes from another thread a random 5-25 ms into the
// run, through our host's interrupt check, which is where Octave's and
// MATLAB's answers come in.
//
// Prints rows of scripts/bench's table; the first argument is the number of
// rounds (default 7). Run from the build's output folder (or with
// KX4410_PLUGIN_DIR set), where the plug-ins are.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include "direct_call.h"
#include "kxhost.h"
#include "mexhost.h"
#include "real_board.h"
#include "table.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> stopRequested{false};
int stopProbe() { return stopRequested.load() ? 1 : 0; }

struct Run {
    const char* what;
    const char* function;
    int nlhs;
    std::vector<mexhost::Array> args;
    const char* goal;  // of the quiet p99
};

std::vector<Run> runs() {
    std::vector<mexhost::Array> pid = mexhost::scalars({0, 0, 0, 0, 0, 1000, 3, 0.1, 0.002});
    pid[4] = mexhost::row(std::vector<double>(20000, 2.0));
    std::vector<Run> r;
    r.push_back({"KX4410_SendPWM, 9 ms periods (waits of 8191 and 809 us)", "KX4410_SendPWM", 1,
                 mexhost::scalars({0, 3071, 9, 8191, 5000}), "<= 8.5 ms"});
    r.push_back({"KX4410_SendPWM, 100 ms periods (waits of 500 us, then 8000 us chunks)",
                 "KX4410_SendPWM", 1, mexhost::scalars({0, 3071, 100, 500, 200}), "<= 8.5 ms"});
    r.push_back({"KX4410_PID, 1 ms steps", "KX4410_PID", 4, std::move(pid), "<= 1.5 ms"});
    return r;
}

// One stop: the run, a request to stop it after delay, and the ms from the
// request to the run's return.
double stopLatency(DirectCall& call, std::chrono::microseconds delay) {
    stopRequested = false;
    kxhost_set_interrupt_probe(stopProbe);
    Clock::time_point requested;
    std::thread requester([&] {
        std::this_thread::sleep_for(delay);
        requested = Clock::now();
        stopRequested = true;
    });
    const bool returned = call();
    const Clock::time_point stopped = Clock::now();
    requester.join();
    if (returned || call.message() != "KX4410 run interrupted!") {
        std::fprintf(stderr, "bench_stop: the run was not stopped: %s\n", call.message().c_str());
        std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(stopped - requested).count();
}

// "yes > /dev/null", a child of ours, ended with us where the system allows.
pid_t startHog() {
    const pid_t pid = fork();
    if (pid == 0) {
#if defined(__linux__)
        prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, STDOUT_FILENO);
        execlp("yes", "yes", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) {
        std::perror("bench_stop: fork");
        std::exit(1);
    }
    return pid;
}

// Ends a hog this program started, and checks that it was still running and
// that the signal ended it.
void stopHog(pid_t pid) {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, WNOHANG) != 0) {
        std::fprintf(stderr, "bench_stop: the CPU hog %ld ended before its time\n",
                     static_cast<long>(pid));
        std::exit(1);
    }
    if (kill(pid, SIGKILL) != 0 || waitpid(pid, &status, 0) != pid || !WIFSIGNALED(status)) {
        std::fprintf(stderr, "bench_stop: the CPU hog %ld did not end by its signal\n",
                     static_cast<long>(pid));
        std::exit(1);
    }
}

struct Latencies {
    std::vector<double> p50, p99, all;
};

void measureRound(DirectCall& call, int samples, std::mt19937& random, Latencies& l) {
    std::uniform_int_distribution<int> delayUs(5000, 25000);
    std::vector<double> ms;
    for (int i = 0; i < samples; ++i)
        ms.push_back(stopLatency(call, std::chrono::microseconds(delayUs(random))));
    l.p50.push_back(table::quantile(ms, 0.5));
    l.p99.push_back(table::quantile(ms, 0.99));
    l.all.insert(l.all.end(), ms.begin(), ms.end());
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    const int samples = 40;
    realBoard();

    std::vector<Run> all = runs();
    std::vector<DirectCall> calls;
    calls.reserve(all.size());
    for (Run& r : all) calls.emplace_back(r.function, r.nlhs, std::move(r.args));
    std::vector<Latencies> quiet(all.size()), loaded(all.size());
    std::mt19937 random(4410);
    for (int r = 0; r < rounds; ++r) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((r + turn) % 2 == 0) {
                for (std::size_t k = 0; k < calls.size(); ++k) measureRound(calls[k], samples, random, quiet[k]);
            } else {
                const pid_t hogs[] = {startHog(), startHog()};
                for (std::size_t k = 0; k < calls.size(); ++k) measureRound(calls[k], samples, random, loaded[k]);
                for (pid_t hog : hogs) stopHog(hog);
            }
        }
    }

    for (std::size_t k = 0; k < all.size(); ++k) {
        const auto rows = [&](const Latencies& l, const std::string& when, const char* goal) {
            const std::string measure = std::string("Ctrl-C stop latency (ms), ") + all[k].what + ", " + when;
            table::row(measure + ": p50", l.p50, "reported");
            table::pooledRow(measure + ": p99, all rounds' samples (spread: each round's)",
                             table::quantile(l.all, 0.99), l.p99, goal);
        };
        rows(quiet[k], "quiet", all[k].goal);
        rows(loaded[k], "beside two CPU hogs", "reported");
    }
    return 0;
}
