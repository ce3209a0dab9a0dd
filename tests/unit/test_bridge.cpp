// The driver bridge's own behaviour, beside the unit suites that run through
// it unchanged: a server that ends in the middle of a session, between calls
// or inside one, gives every plug-in its usual driver-failure message and
// the next KX4410_InitDriverAndBoard a new session; the server ends with its
// host process; a call too large for the channel is refused whole; a count
// too large for a 32-bit server's size_t stays too large there.
//
// A test signals only a process it started itself, checked first: a kill
// meant for a server that is not there must not reach anything else.
//
//   test_bridge --child FILE         (run by a test) starts a server, writes
//                                    its process id to FILE and ends
//   test_bridge --absent-kill FILE   (run by a test) kills a server that is
//                                    not there, beside a sentinel child, and
//                                    writes what it saw to FILE
//   test_bridge --sentinel PARENT    waits until process PARENT ends
//   test_bridge --without-server FILE
//                                    (run by a test, from a copy of this
//                                    folder without a usable server) calls
//                                    Init and every kxsim form, and writes
//                                    what each met to FILE
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
// Without the multimedia API, whose OpenDriver and CloseDriver are not kxdrv's.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <process.h>
#include <tlhelp32.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "banner.h"
#include "board.h"
#include "kxbridge.h"
#include "kxhost.h"

using namespace mexhost;

namespace {

// ---------------------------------------------------------------- processes

int64_t ownPid() {
#if defined(_WIN32)
    return static_cast<int64_t>(GetCurrentProcessId());
#else
    return static_cast<int64_t>(getpid());
#endif
}

#if !defined(_WIN32)
// A process's state letter and parent from /proc; false for no such process.
bool procStat(int64_t pid, char& state, int64_t& parent) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    // The name in parentheses may hold anything: the fields follow its end.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return false;
    std::istringstream fields(line.substr(close + 1));
    return static_cast<bool>(fields >> state >> parent);
}

int pidfdOpen(int64_t pid) {
#if defined(SYS_pidfd_open)
    const long fd = syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0);
    return fd < 0 ? -1 : static_cast<int>(fd);
#else
    (void)pid;
    return -1;
#endif
}
#endif

// Whether pid is a process this one started: the only kind a test signals.
bool ownChild(int64_t pid) {
#if defined(_WIN32)
    if (pid <= 0 || pid > static_cast<int64_t>(MAXDWORD)) return false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool mine = false;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == static_cast<DWORD>(pid)) {
            mine = entry.th32ParentProcessID == GetCurrentProcessId();
            break;
        }
    }
    CloseHandle(snapshot);
    return mine;
#else
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
    char state = 0;
    int64_t parent = 0;
    return procStat(pid, state, parent) && parent == ownPid();
#endif
}

// Kills pid if it is this process's own child; false, with nothing
// signalled, if it is not. The process is held (a pidfd, a handle) before
// it is checked, so that the pid cannot pass to another one in between.
bool killChild(int64_t pid) {
    if (!ownChild(pid)) return false;
#if defined(_WIN32)
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (h == nullptr) return false;
    const bool done = ownChild(pid) && TerminateProcess(h, 9) != 0;
    CloseHandle(h);
    return done;
#else
    const int fd = pidfdOpen(pid);
    if (fd < 0) return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
    bool done = false;
#if defined(SYS_pidfd_send_signal)
    done = ownChild(pid) && syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0) == 0;
#endif
    close(fd);
    return done;
#endif
}

// Whether the process has ended (an unreaped Linux process counts as ended).
bool ended(int64_t pid) {
#if defined(_WIN32)
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (h == nullptr) return true;
    const bool done = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    CloseHandle(h);
    return done;
#else
    char state = 0;
    int64_t parent = 0;
    return !procStat(pid, state, parent) || state == 'Z' || state == 'X';
#endif
}

bool endsWithin(int64_t pid, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!ended(pid)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A run of this program with args: started, then waited for with finish.
struct Self {
    int64_t pid = -1;
#if defined(_WIN32)
    HANDLE process = nullptr;
#endif

    // ownGroup: in a process group of its own (Linux), where a signal to
    // "its group" cannot reach this one's.
    static Self start(const std::vector<std::string>& args, bool ownGroup = false,
                      const std::string& self = executablePath()) {
        Self s;
#if defined(_WIN32)
        (void)ownGroup;
        std::vector<std::string> quoted{"\"" + self + "\""};
        quoted.insert(quoted.end(), args.begin(), args.end());
        std::vector<const char*> argv;
        for (const std::string& a : quoted) argv.push_back(a.c_str());
        argv.push_back(nullptr);
        const intptr_t h = _spawnv(_P_NOWAIT, self.c_str(), argv.data());
        if (h == -1) return s;
        s.process = reinterpret_cast<HANDLE>(h);
        s.pid = static_cast<int64_t>(GetProcessId(s.process));
#else
        std::vector<char*> argv{const_cast<char*>(self.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        if (ownGroup) {
            posix_spawnattr_setpgroup(&attr, 0);
            posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        }
        pid_t pid = -1;
        if (posix_spawn(&pid, self.c_str(), nullptr, &attr, argv.data(), environ) == 0) s.pid = pid;
        posix_spawnattr_destroy(&attr);
#endif
        return s;
    }

    // How it ended: "exit N", or "signal N" (Linux).
    std::string finish() {
        if (pid <= 0) return "not started";
#if defined(_WIN32)
        WaitForSingleObject(process, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
        process = nullptr;
        pid = -1;
        return "exit " + std::to_string(code);
#else
        int status = 0;
        while (waitpid(static_cast<pid_t>(pid), &status, 0) < 0) {
            if (errno != EINTR) return "not waited for";
        }
        pid = -1;
        if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
        return "exit " + std::to_string(WEXITSTATUS(status));
#endif
    }
};

std::string runSelf(const std::vector<std::string>& args, bool ownGroup = false) {
    return Self::start(args, ownGroup).finish();
}

std::string readFile(const std::string& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A kxsim form as the first call starts the server, as any call does.
int child(const char* file) {
    Outcome o = mexhost::call("kxsim", 1, args(text("da"), scalar(0)));
    if (o.raised || o.values(0) != std::vector<double>{2047}) return 1;
    std::ofstream(file) << kxbridge_server_pid() << "\n";
    return 0;
}

// kxsim's forms, each called as it works with a server. reset comes apart:
// it brings a server back.
struct Form {
    const char* name;
    int nlhs;
    std::function<std::vector<Array>()> args;
};
const std::vector<Form> kxsimForms = {
    {"clock", 0, [] { return args(text("clock"), text("real")); }},
    {"now", 1, [] { return args(text("now")); }},
    {"inject", 0, [] { return args(text("inject"), text("ReadAnalogIn"), scalar(1), scalar(3)); }},
    {"log", 3, [] { return args(text("log")); }},
    {"log compact", 3, [] { return args(text("log"), text("compact")); }},
    {"clearlog", 0, [] { return args(text("clearlog")); }},
    {"logging", 0, [] { return args(text("logging"), scalar(1)); }},
    {"logcapacity", 0, [] { return args(text("logcapacity"), scalar(5)); }},
    {"ad", 0, [] { return args(text("ad"), scalar(2), row({1, 2})); }},
    {"timer", 0, [] { return args(text("timer"), row({100})); }},
    {"boards", 0, [] { return args(text("boards"), scalar(2)); }},
    {"versions", 0, [] { return args(text("versions"), scalar(1), scalar(2)); }},
    {"plant", 0, [] { return args(text("plant"), scalar(1), scalar(0.1)); }},
    {"level", 0, [] { return args(text("level"), scalar(2), scalar(1)); }},
    {"da", 1, [] { return args(text("da"), scalar(0)); }},
    {"tf", 0, [] { return args(text("tf"), scalar(0), scalar(2), row({1}), row({0.01, 1}), scalar(0)); }},
    {"limits", 0, [] { return args(text("limits"), scalar(2), scalar(-1), scalar(1)); }},
    {"unplant", 0, [] { return args(text("unplant"), scalar(2)); }},
    {"lab", 0, [] { return args(text("lab"), text("heater"), scalar(0), scalar(3)); }},
    {"signal", 0,
     [] { return args(text("signal"), scalar(4), text("sine"), scalar(1), scalar(50), scalar(0), scalar(0)); }},
    {"noise", 0, [] { return args(text("noise"), scalar(5), scalar(0.1), scalar(7)); }},
    {"analog", 1, [] { return args(text("analog"), scalar(2)); }},
};

Outcome callForm(const Form& f) { return mexhost::call("kxsim", f.nlhs, f.args()); }

// What a call met, on one line: its identifier and message, or its results.
std::string metBy(const Outcome& o) {
    if (o.raised) return o.identifier + " | " + o.message;
    std::string line = "answered";
    for (const Array& r : o.results)
        if (r && mxIsDouble(r.get()) && mxGetNumberOfElements(r.get()) == 1)
            line += " " + std::to_string(mxGetScalar(r.get()));
    return line;
}

int withoutServer(const char* file) {
    // The plug-ins beside this copy, whatever folder the run was told of.
    const std::string folder = std::filesystem::path(executablePath()).parent_path().string();
#if defined(_WIN32)
    _putenv_s("KX4410_PLUGIN_DIR", folder.c_str());
#else
    setenv("KX4410_PLUGIN_DIR", folder.c_str(), 1);
#endif
    std::ofstream out(file);
    out << "first now: " << metBy(mexhost::call("kxsim", 1, args(text("now")))) << "\n";
    Outcome init = mexhost::call("KX4410_InitDriverAndBoard", 2, numbers({0}));
    out << "init: " << init.printed() << metBy(init) << "\n";
    for (const Form& f : kxsimForms) out << f.name << ": " << metBy(callForm(f)) << "\n";
    out << "reset: " << metBy(mexhost::call("kxsim", 0, args(text("reset")))) << "\n";
    out << "server " << kxbridge_server_pid() << "\n";
    out << "problem: " << kxbridge_problem() << "\n";
    return 0;
}

// Waits until process parent ends, at most five minutes.
int sentinel(const char* parent) {
    const int64_t pid = std::atoll(parent);
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (!ended(pid) && std::chrono::steady_clock::now() < end) {
#if !defined(_WIN32)
        if (getppid() != static_cast<pid_t>(pid)) break;
#endif
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

// A server started and killed, and then a kill of the absent one (pid 0),
// beside a sentinel child; FILE says what each step met.
int absentKill(const char* file) {
    std::ofstream out(file);
    Self watcher = Self::start({"--sentinel", std::to_string(ownPid())});
    out << "sentinel " << (ownChild(watcher.pid) ? "started" : "missing") << "\n";
    GetLibraryVersion();
    const int64_t server = kxbridge_server_pid();
    const bool gone = killChild(server) && endsWithin(server, std::chrono::seconds(60));
    out << "server " << (gone ? "killed" : "kept") << "\n";
    GetLibraryVersion();
    const int64_t absent = kxbridge_server_pid();
    out << "then pid " << absent << "\n";
    out << "its kill " << (killChild(absent) ? "sent" : "refused") << "\n";
    out << "sentinel " << (ended(watcher.pid) ? "ended" : "running") << "\n";
    out.flush();
    killChild(watcher.pid);
    watcher.finish();
    return 0;
}

// ---------------------------------------------------------------- plug-ins

const std::vector<std::string> sessionLines = {
    "KX4410 Driver Initialized Ok! (1 board(s)).\n",
    "KX4410 Board #0 activated ok!\n",
    "KX4410 DLL version 1a0, Driver version 203.\n",
};

const std::vector<DriverCall> freshSession = {
    {"OpenDriver", {}, 0},
    {"ActivateBoard", {0}, 0},
    {"GetLibraryVersion", {}, 0x01A0},
    {"GetDriverVersion", {}, 0},
};

struct FailureCase {
    const char* function;
    int nlhs;
    std::vector<double> args;
    const char* message;
};

// Each plug-in's first driver call failing with status 1, and its message.
const std::vector<FailureCase> failures = {
    {"KX4410_ReadAD", 1, {2, 0, 0, 3}, "KX4410 error in setting quantification window!"},
    {"KX4410_SendDA", 1, {0, 100}, "KX4410 error at DA sending!"},
    {"KX4410_SendPWM", 1, {0, 10, 1, 500, 2}, "KX4410 error at DA sending!"},
    {"KX4410_Delay", 0, {5}, "KX4410 error at delaying!"},
};

// The same for the plug-ins that take a vector.
Outcome sendAndRead() {
    return call("KX4410_SendAndRead", 1,
                args(scalar(2), scalar(0), scalar(0), scalar(0), row({100, 200}), scalar(0)));
}
Outcome pid() {
    return call("KX4410_PID", 4,
                args(scalar(0), scalar(0), scalar(0), scalar(0), row({1, 1}), scalar(0),
                     scalar(1), scalar(0), scalar(0)));
}

void expectSessionOpens() {
    Outcome o = call("KX4410_InitDriverAndBoard", 0, numbers({}));
    ASSERT_FALSE(o.raised) << o.message;
    std::vector<std::string> lines = banner;
    lines.insert(lines.end(), sessionLines.begin(), sessionLines.end());
    EXPECT_EQ(o.prints, lines);
    EXPECT_EQ(boardLog(), freshSession);
}

class Bridge : public BoardTest {
protected:
    void TearDown() override { kxhost_set_interrupt_probe(nullptr); }

    // A session as KX4410_InitDriverAndBoard opens it, then the server
    // killed and gone; its process id in killed. Call through
    // ASSERT_NO_FATAL_FAILURE: a test goes no further without it.
    void killInSession() {
        Outcome o = call("KX4410_InitDriverAndBoard", 1, numbers({0}));
        ASSERT_FALSE(o.raised) << o.message;
        const int64_t server = kxbridge_server_pid();
        ASSERT_GT(server, 0);
        ASSERT_FALSE(ended(server));
        ASSERT_TRUE(killChild(server));
        ASSERT_TRUE(endsWithin(server, std::chrono::seconds(60)));
        killed = server;
    }

    int64_t killed = 0;
};

// The long call's first interrupt check, which our host makes the probe
// answer: what the board's log held then, handed to the thread that waits
// for it.
struct FirstCheck {
    std::mutex mutex;
    std::condition_variable seen;
    bool reached = false;
    std::vector<DriverCall> log;
};
FirstCheck firstCheck;

int onFirstCheck() {
    std::lock_guard<std::mutex> lock(firstCheck.mutex);
    if (!firstCheck.reached) {
        // Between two driver calls: the client is free for the log's.
        firstCheck.log = boardLog();
        firstCheck.reached = true;
        firstCheck.seen.notify_all();
    }
    return 0;
}

}  // namespace

TEST_F(Bridge, TheServerIsAnotherProcessStartedOnFirstUse) {
    const int64_t server = kxbridge_server_pid();
#if defined(_WIN32)
    EXPECT_NE(server, static_cast<int64_t>(GetCurrentProcessId()));
#else
    EXPECT_NE(server, static_cast<int64_t>(getpid()));
#endif
    EXPECT_GT(server, 0);
    EXPECT_STREQ(kxbridge_problem(), "");
}

TEST_F(Bridge, AKilledServerGivesEveryPlugInItsDriverFailureAndTheNextInitANewSession) {
    ASSERT_NO_FATAL_FAILURE(killInSession());

    for (const FailureCase& c : failures) {
        SCOPED_TRACE(c.function);
        expectFailed(call(c.function, c.nlhs, numbers(c.args)), c.message);
    }
    expectFailed(sendAndRead(), "KX4410 error in setting quantification window!");
    expectFailed(pid(), "KX4410 error in setting quantification window!");
    Outcome close = call("KX4410_CloseDriverAndBoard", 0, numbers({}));
    EXPECT_FALSE(close.raised) << close.message;
    EXPECT_EQ(close.printed(), "KX4410 Board #0 Deactivated and Driver Closed.\n");
    EXPECT_EQ(kxbridge_server_pid(), 0);

    // OpenDriver is the one that brings the server back, with a new board.
    Outcome again = call("KX4410_InitDriverAndBoard", 2, numbers({0}));
    ASSERT_FALSE(again.raised) << again.message;
    EXPECT_EQ(again.values(0), std::vector<double>{0});
    EXPECT_EQ(again.values(1), std::vector<double>{1});
    EXPECT_NE(kxbridge_server_pid(), 0);
    EXPECT_NE(kxbridge_server_pid(), killed);
    EXPECT_EQ(boardLog(), freshSession);
    EXPECT_EQ(kxsim_active_board(), 0);
}

TEST_F(Bridge, AnInitRightAfterAKillOpensANewSession) {
    ASSERT_NO_FATAL_FAILURE(killInSession());
    expectSessionOpens();
}

TEST_F(Bridge, WithoutAServerEveryCallAnswersAsAClosedDriverAndWritesNoOutput) {
    ASSERT_NO_FATAL_FAILURE(killInSession());
    uint16_t word = 77, irq = 78, bus = 79, slot = 80;
    float volts = 1.5f;
    EXPECT_EQ(GetLibraryVersion(), 0);
    EXPECT_EQ(CloseDriver(), 1);
    EXPECT_EQ(GetDriverVersion(&word), 1);
    EXPECT_EQ(GetBoardAddress(0, &word, &irq, &bus, &slot), 1);
    EXPECT_EQ(ActivateBoard(0), 1);
    EXPECT_EQ(GetActiveBoard(), -1);
    EXPECT_EQ(WriteAnalogOut(0, 100), 1);
    EXPECT_EQ(ConfigureAnalogIn(0, 0), 1);
    EXPECT_EQ(ReadAnalogIn(&volts), 1);
    EXPECT_EQ(DelayMicros(5), 1);
    EXPECT_EQ(WriteTimerControl(0xE000, 2, 0xB6, 0), 1);
    EXPECT_EQ(ReadTimerCounter(0xE000, 2, 0x80), 0xFFFFu);
    EXPECT_EQ(word, 77);
    EXPECT_EQ(irq, 78);
    EXPECT_EQ(bus, 79);
    EXPECT_EQ(slot, 80);
    EXPECT_EQ(volts, 1.5f);
    // The control port answers its "none" values.
    EXPECT_EQ(kxsim_log_size(), 0u);
    EXPECT_EQ(kxsim_da(0), -1);
    EXPECT_EQ(kxsim_driver_open(), 0);
    EXPECT_TRUE(std::isnan(kxsim_now()));
    EXPECT_EQ(kxsim_inject("OpenDriver", 1, 5), -1);
    EXPECT_EQ(kxbridge_server_pid(), 0);

    // The simulated board's power-on brings a server back too.
    kxsim_reset();
    EXPECT_NE(kxbridge_server_pid(), 0);
    EXPECT_EQ(kxsim_da(0), 2047);
    EXPECT_EQ(GetLibraryVersion(), 0x01A0);
}

TEST_F(Bridge, WithoutAServerTheQueuesAndTheLogBlocksAnswerNoneAndWriteNothing) {
    ASSERT_NO_FATAL_FAILURE(killInSession());
    const double counts[] = {1, 2};
    EXPECT_EQ(kxsim_queue_timer(counts, 2), -1);
    EXPECT_EQ(kxsim_timer_queued(), 0u);
    EXPECT_EQ(kxsim_ad_queued(3), 0u);
    EXPECT_EQ(kxsim_injections_pending(), 0u);
    EXPECT_TRUE(std::isnan(kxsim_level(2)));
    std::vector<uint8_t> ops(KXSIM_LOG_BLOCK, 99), argCounts(KXSIM_LOG_BLOCK, 99);
    std::vector<double> values(4 * KXSIM_LOG_BLOCK, 99), results(KXSIM_LOG_BLOCK, 99);
    EXPECT_EQ(kxsim_log_entries(0, ops.data(), argCounts.data(), values.data(), results.data()), 0u);
    EXPECT_EQ(ops, std::vector<uint8_t>(KXSIM_LOG_BLOCK, 99));
    EXPECT_EQ(argCounts, std::vector<uint8_t>(KXSIM_LOG_BLOCK, 99));
    EXPECT_EQ(values, std::vector<double>(4 * KXSIM_LOG_BLOCK, 99));
    EXPECT_EQ(results, std::vector<double>(KXSIM_LOG_BLOCK, 99));
    const char* name = "untouched";
    EXPECT_EQ(kxsim_op_name(0, &name), -1);
    EXPECT_STREQ(name, "untouched");
    EXPECT_EQ(kxbridge_server_pid(), 0);
}

TEST_F(Bridge, AServerKilledInsideACallFailsThatCall) {
    openSession();
    kxsim_set_clock(1);
    const int64_t server = kxbridge_server_pid();
    ASSERT_TRUE(ownChild(server));
    {
        std::lock_guard<std::mutex> lock(firstCheck.mutex);
        firstCheck.reached = false;
        firstCheck.log.clear();
    }
    bool sent = false;
    // The kill waits for the call to be under way; the limit only ends a
    // hang.
    std::thread killer([server, &sent] {
        {
            std::unique_lock<std::mutex> lock(firstCheck.mutex);
            if (!firstCheck.seen.wait_for(lock, std::chrono::minutes(2),
                                          [] { return firstCheck.reached; }))
                return;
        }
        sent = killChild(server);
    });
    kxhost_set_interrupt_probe(onFirstCheck);
    // 10000 reads 8.191 ms apart, most of the time inside DelayMicros: the
    // kill comes long before their end.
    Outcome o = call("KX4410_ReadAD", 1, numbers({2, 0, 0, 10000, 8191}));
    kxhost_set_interrupt_probe(nullptr);
    killer.join();
    EXPECT_EQ(firstCheck.log, (std::vector<DriverCall>{configure(2, 0), adRead(), waitUs(8191)}));
    EXPECT_TRUE(sent);
    EXPECT_TRUE(o.raised);
    EXPECT_TRUE(o.message == "KX4410 error at delaying!" || o.message == "KX4410 error at reading AD!")
        << o.message;
    EXPECT_EQ(kxbridge_server_pid(), 0);
    expectSessionOpens();
}

TEST_F(Bridge, AKillMeantForAServerThatIsNotThereReachesNoOtherProcess) {
    // Nothing this test does not start is a candidate.
    EXPECT_FALSE(ownChild(0));
    EXPECT_FALSE(ownChild(-1));
    EXPECT_FALSE(ownChild(ownPid()));
    EXPECT_FALSE(ownChild(int64_t{1} << 40));
    // The kill itself runs in a child of a process group of its own, beside
    // a sentinel child of that child's: a signal to pid 0 there would end
    // both, and not this test.
    const std::string file = "test_bridge_absent.txt";
    std::remove(file.c_str());
    EXPECT_EQ(runSelf({"--absent-kill", file}, true), "exit 0");
    EXPECT_EQ(readFile(file),
              "sentinel started\nserver killed\nthen pid 0\nits kill refused\nsentinel running\n");
    std::remove(file.c_str());
}

TEST_F(Bridge, TheServerEndsWithItsHostProcess) {
    const std::string file = "test_bridge_child.txt";
    std::remove(file.c_str());
    ASSERT_EQ(runSelf({"--child", file}), "exit 0");
    int64_t server = 0;
    std::ifstream(file) >> server;
    std::remove(file.c_str());
    ASSERT_GT(server, 0);
    EXPECT_NE(server, kxbridge_server_pid());
    EXPECT_TRUE(endsWithin(server, std::chrono::seconds(60)));
}

TEST_F(Bridge, AQueueTooLargeForTheChannelIsRefusedWhole) {
    openSession();
    ASSERT_EQ(kxsim_set_level(2, 3.0), 0);
    const std::vector<double> tooMany(600000, 1.0);
    EXPECT_EQ(kxsim_queue_ad(2, tooMany.data(), tooMany.size()), -1);
    kxsim_queue_timer(tooMany.data(), tooMany.size());
    // The board is as it was, the server still there.
    ASSERT_EQ(ConfigureAnalogIn(2, 0), 0);
    float volts = 0;
    ASSERT_EQ(ReadAnalogIn(&volts), 0);
    EXPECT_NEAR(volts, 3.0, 0.01);
    ASSERT_EQ(WriteTimerControl(0xE000, 2, 0xB6, 0), 0);
    EXPECT_EQ(ReadTimerCounter(0xE000, 2, 0x80), 65520u);
}

TEST_F(Bridge, ACountBeyondTheServersWordSizeIsNotWrappedIntoIt) {
    openSession();
    GetActiveBoard();
    ASSERT_EQ(kxsim_log_size(), 1u);
    const char* op = nullptr;
    double args[4] = {0, 0, 0, 0};
    int count = 0;
    double result = 0;
    // From a 64-bit host neither 2^63 nor 2^32 may reach a 32-bit server as 0.
    const std::size_t beyond = sizeof(std::size_t) > 4 ? std::size_t(-1) / 2 + 1 : std::size_t(-1);
    EXPECT_EQ(kxsim_log_entry(beyond, &op, args, &count, &result), -1);
    if constexpr (sizeof(std::size_t) > 4) {
        const std::size_t four = 0xFFFFFFFFu;
        EXPECT_EQ(kxsim_log_entry(four + 1, &op, args, &count, &result), -1);
    }
    EXPECT_EQ(op, nullptr);
    ASSERT_EQ(kxsim_log_entry(0, &op, args, &count, &result), 0);
    EXPECT_STREQ(op, "GetActiveBoard");
    EXPECT_EQ(result, 0);
}

TEST_F(Bridge, ALogEntryAskedWithoutItsNameBringsBackEveryOtherOutputInPlace) {
    openSession();
    ASSERT_EQ(WriteAnalogOut(1, 7), 0);
    ASSERT_EQ(GetLibraryVersion(), 0x01A0);
    ASSERT_EQ(kxsim_log_size(), 2u);
    double args[4] = {-1, -1, -1, -1};
    int count = -1;
    double result = -1;
    EXPECT_EQ(kxsim_log_entry(0, nullptr, args, &count, &result), 0);
    EXPECT_EQ(std::vector<double>(args, args + 4), (std::vector<double>{1, 7, 0, 0}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(kxsim_log_entry(1, nullptr, args, &count, &result), 0);
    EXPECT_EQ(std::vector<double>(args, args + 4), (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(result, 0x01A0);
    // And a name asked for after them still comes.
    const char* op = nullptr;
    EXPECT_EQ(kxsim_log_entry(0, &op, nullptr, nullptr, nullptr), 0);
    EXPECT_STREQ(op, "WriteAnalogOut");
}

#if defined(_WIN32)
const std::string killedServer = "the driver server ended (exit code 9)";
#else
const std::string killedServer = "the driver server ended (killed by signal 9)";
#endif
const std::string notRunning = "KX4410 driver server not running: ";

TEST_F(Bridge, WithoutAServerEveryKxsimFormSaysSoAndWhy) {
    ASSERT_NO_FATAL_FAILURE(killInSession());
    for (const Form& f : kxsimForms) {
        SCOPED_TRACE(f.name);
        Outcome o = callForm(f);
        expectFailed(o, notRunning + killedServer);
        EXPECT_EQ(o.identifier, "KX4410:kxsim:noServer");
    }
    EXPECT_EQ(kxbridge_server_pid(), 0);
    EXPECT_EQ(kxbridge_problem(), killedServer);
    // A form's own refusals come first: they need no board.
    Outcome refused = call("kxsim", 1, args(text("da"), scalar(2)));
    expectFailed(refused, "code = kxsim('da', channel): channel is 0 or 1");
    EXPECT_EQ(refused.identifier, "KX4410:kxsim:badCall");
    Outcome unknown = call("kxsim", 0, args(text("nosuch")));
    EXPECT_EQ(unknown.message.rfind("unknown command 'nosuch'; the accepted forms are:\n", 0), 0u)
        << unknown.message;
    EXPECT_EQ(unknown.identifier, "KX4410:kxsim:badCall");
    EXPECT_EQ(kxbridge_server_pid(), 0);

    // The board's power-on brings a server back, and the forms their answers.
    Outcome reset = call("kxsim", 0, args(text("reset")));
    EXPECT_FALSE(reset.raised) << reset.message;
    EXPECT_GT(kxbridge_server_pid(), 0);
    EXPECT_STREQ(kxbridge_problem(), "");
    Outcome da = call("kxsim", 1, args(text("da"), scalar(0)));
    ASSERT_FALSE(da.raised) << da.message;
    EXPECT_EQ(da.values(0), std::vector<double>{2047});
}

TEST_F(Bridge, ACallWithoutAServerIsToldApartFromTheBoardsAnswer) {
    // What earlier tests' calls met is theirs.
    kxsim_unreachable();
    EXPECT_EQ(kxsim_da(5), -1);
    EXPECT_EQ(kxsim_unreachable(), nullptr);
    ASSERT_NO_FATAL_FAILURE(killInSession());
    EXPECT_EQ(kxsim_da(0), -1);
    const char* why = kxsim_unreachable();
    ASSERT_NE(why, nullptr);
    EXPECT_EQ(why, killedServer);
    // Told once: the next question is about the calls after it.
    EXPECT_EQ(kxsim_unreachable(), nullptr);
    // Every call since the last question counts, not only the latest.
    EXPECT_EQ(kxsim_log_size(), 0u);
    kxsim_reset();
    EXPECT_EQ(kxsim_da(0), 2047);
    EXPECT_EQ(kxsim_unreachable(), killedServer);
    EXPECT_EQ(kxsim_unreachable(), nullptr);
    // Each thread hears of its own calls only.
    ASSERT_NO_FATAL_FAILURE(killInSession());
    EXPECT_EQ(kxsim_now_ns(), -1);
    std::thread other([] { EXPECT_EQ(kxsim_unreachable(), nullptr); });
    other.join();
    EXPECT_EQ(kxsim_unreachable(), killedServer);
}

// A copy of this program's folder in folder, without the driver server:
// the program, the libraries and the plug-ins beside it.
void copyWithoutServer(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    const fs::path self = executablePath();
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const fs::directory_entry& e : fs::directory_iterator(self.parent_path())) {
        const std::string ext = e.path().extension().string();
        if (e.is_regular_file() &&
            (e.path() == self || ext == pluginSuffix() || ext == ".so" || ext == ".dll"))
            fs::copy_file(e.path(), folder / e.path().filename());
    }
}

// What Init and every kxsim form meet in a copy of this folder whose
// driver server is missing, or a file that cannot be started.
void expectWithoutServerProgram(bool file, const std::string& why) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::absolute(file ? "no-server-program" : "no-server");
    ASSERT_NO_THROW(copyWithoutServer(folder));
#if defined(_WIN32)
    const fs::path server = folder / "kxdrv-server" / "kxdrv-server.exe";
#else
    const fs::path server = fs::canonical(folder) / "kxdrv-server" / "kxdrv-server";
#endif
    if (file) {
        fs::create_directories(server.parent_path());
        std::ofstream(server) << "not a program\n";
        fs::permissions(server, fs::perms::owner_read | fs::perms::owner_write);
    }
    const std::string report = (folder / "seen.txt").string();
    const std::string copy = (folder / fs::path(executablePath()).filename()).string();
    ASSERT_EQ(Self::start({"--without-server", report}, false, copy).finish(), "exit 0");
    const std::string seen = readFile(report);
    const std::size_t at = seen.find("problem: ");
    ASSERT_NE(at, std::string::npos) << seen;
    const std::string problem = seen.substr(at + 9, seen.size() - at - 10);
#if defined(_WIN32)
    // The system's error number, whatever wine or Windows makes of the file.
    (void)why;
    const std::string start = "cannot start ";
    ASSERT_EQ(problem.compare(0, start.size(), start), 0) << problem;
    EXPECT_NE(problem.find("kxdrv-server.exe: error "), std::string::npos) << problem;
#else
    EXPECT_EQ(problem, "cannot start " + server.string() + ": " + why);
#endif
    const std::string noServer = "KX4410:kxsim:noServer | " + notRunning + problem + "\n";
    // Init prints its status alone, as for any driver that does not open.
    std::string expected = "first now: " + noServer +
                           "init: KX4410 Driver Error at Initialization (1).\n"
                           "answered 1.000000 0.000000\n";
    for (const Form& f : kxsimForms) expected += std::string(f.name) + ": " + noServer;
    expected += "reset: " + noServer + "server 0\nproblem: " + problem + "\n";
    EXPECT_EQ(seen, expected);
    fs::remove_all(folder);
}

TEST_F(Bridge, AMissingServerProgramIsNamedByEveryKxsimFormAndInitPrintsOnlyItsStatus) {
    expectWithoutServerProgram(false, "No such file or directory");
}

TEST_F(Bridge, AServerFileThatCannotBeStartedIsNamedByEveryKxsimForm) {
    // Not marked executable for anyone: not even root may start it.
    expectWithoutServerProgram(true, "Permission denied");
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child") return child(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--absent-kill") return absentKill(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--sentinel") return sentinel(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--without-server") return withoutServer(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
