// The driver bridge's own behaviour, beside the unit suites that run through
// it unchanged: a server that ends in the middle of a session, between calls
// or inside one, gives every plug-in its usual driver-failure message and
// the next KX4410_InitDriverAndBoard a new session; the server ends with its
// host process; a call too large for the channel is refused whole; a count
// too large for a 32-bit server's size_t stays too large there.
//
//   test_bridge --child FILE   (run by a test) starts a server, writes its
//                              process id to FILE and ends
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "banner.h"
#include "board.h"
#include "kxbridge.h"

using namespace mexhost;

namespace {

// ---------------------------------------------------------------- processes

std::string ownPath() {
#if defined(_WIN32)
    char path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
#else
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
#endif
}

bool kill(int64_t pid) {
#if defined(_WIN32)
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (h == nullptr) return false;
    const bool done = TerminateProcess(h, 9) != 0;
    CloseHandle(h);
    return done;
#else
    return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
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
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidField, name, state;
    if (!(stat >> pidField >> name >> state)) return true;
    return state == "Z" || state == "X";
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

// Runs this program with --child file and waits for it to end.
int runChild(const std::string& file) {
    const std::string self = ownPath();
#if defined(_WIN32)
    return static_cast<int>(
        _spawnl(_P_WAIT, self.c_str(), ("\"" + self + "\"").c_str(), "--child", file.c_str(), nullptr));
#else
    char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>("--child"),
                    const_cast<char*>(file.c_str()), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

int child(const char* file) {
    if (GetLibraryVersion() != 0x01A0) return 1;
    std::ofstream(file) << kxbridge_server_pid() << "\n";
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
    // A session as KX4410_InitDriverAndBoard opens it, then the server
    // killed and gone. Returns its process id.
    int64_t killInSession() {
        Outcome o = call("KX4410_InitDriverAndBoard", 1, numbers({0}));
        EXPECT_FALSE(o.raised) << o.message;
        const int64_t server = kxbridge_server_pid();
        EXPECT_GT(server, 0);
        EXPECT_FALSE(ended(server));
        EXPECT_TRUE(kill(server));
        EXPECT_TRUE(endsWithin(server, std::chrono::seconds(10)));
        return server;
    }
};

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
    const int64_t old = killInSession();

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
    EXPECT_NE(kxbridge_server_pid(), old);
    EXPECT_EQ(boardLog(), freshSession);
    EXPECT_EQ(kxsim_active_board(), 0);
}

TEST_F(Bridge, AnInitRightAfterAKillOpensANewSession) {
    killInSession();
    expectSessionOpens();
}

TEST_F(Bridge, WithoutAServerEveryCallAnswersAsAClosedDriverAndWritesNoOutput) {
    killInSession();
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

TEST_F(Bridge, AServerKilledInsideACallFailsThatCall) {
    openSession();
    kxsim_set_clock(1);
    const int64_t server = kxbridge_server_pid();
    bool killed = false;
    std::thread killer([server, &killed] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        killed = kill(server);
    });
    // 10 s of reads 1 ms apart, most of it inside DelayMicros.
    Outcome o = call("KX4410_ReadAD", 1, numbers({2, 0, 0, 10000, 1000}));
    killer.join();
    EXPECT_TRUE(killed);
    EXPECT_TRUE(o.raised);
    EXPECT_TRUE(o.message == "KX4410 error at delaying!" || o.message == "KX4410 error at reading AD!")
        << o.message;
    EXPECT_EQ(kxbridge_server_pid(), 0);
    expectSessionOpens();
}

TEST_F(Bridge, TheServerEndsWithItsHostProcess) {
    const std::string file = "test_bridge_child.txt";
    std::remove(file.c_str());
    ASSERT_EQ(runChild(file), 0);
    int64_t server = 0;
    std::ifstream(file) >> server;
    std::remove(file.c_str());
    ASSERT_GT(server, 0);
    EXPECT_NE(server, kxbridge_server_pid());
    EXPECT_TRUE(endsWithin(server, std::chrono::seconds(10)));
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

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child") return child(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
