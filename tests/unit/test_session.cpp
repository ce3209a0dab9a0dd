// KX4410_Delay, KX4410_CloseDriverAndBoard and KX4410_ErrorText: their
// count tests, the one driver call of the first two, the closing line
// printed byte for byte, and the status names of every kind of code.
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if defined(__linux__)
#include <elf.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#endif

#include "singleshot.h"

using namespace mexhost;
using namespace io;

namespace {

const char* const closingLine = "KX4410 Board #0 Deactivated and Driver Closed.\n";

using Delay = SessionTest;

class Close : public BoardTest {};
class ErrorText : public BoardTest {};

}  // namespace

TEST_F(Delay, CountTestsComeFirstResultsBeforeArguments) {
    const char* const results = "This function does not yield any result value!";
    const char* const arguments = "This function needs the number of 1 microsecond units to wait!";
    expectCountTests("KX4410_Delay",
                     {{1, 1, results}, {1, 2, results}, {2, 0, results}, {0, 0, arguments},
                      {0, 2, arguments}},
                     5);
}

TEST_F(Delay, OnlyAnUpperBoundIsTestedOnTheDouble) {
    for (double micros : {8191.5, 8192.0, 1e300, double(INFINITY)}) {
        SCOPED_TRACE(micros);
        expectRefused(call("KX4410_Delay", 0, numbers({micros})),
                      "KX4410 cannot delay more than 8191 microsecs. units!");
    }
}

TEST_F(Delay, WaitsOnceWithTheTruncatedValueZeroIncluded) {
    struct Case {
        double micros;
        double passed;
    };
    for (const Case c : {Case{8191, 8191}, Case{0, 0}, Case{2.9, 2}, Case{-0.5, 0}, Case{1e-300, 0}}) {
        SCOPED_TRACE(c.micros);
        kxsim_clear_log();
        const int64_t start = kxsim_now_ns();
        Outcome o = call("KX4410_Delay", 0, numbers({c.micros}));
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(boardLog(), std::vector<DriverCall>{waitUs(c.passed)});
        EXPECT_EQ(kxsim_now_ns() - start, static_cast<int64_t>(c.passed) * 1000);
        EXPECT_FALSE(o.results[0]);
    }
}

TEST_F(Delay, BelowZeroTheDriverRefusesTheWait) {
    struct Case {
        double micros;
        double passed;
    };
    for (const Case c : {Case{-1, -1}, Case{-8191.7, -8191}, Case{-1e10, noInt32}, Case{-INFINITY, noInt32},
                         Case{NAN, noInt32}}) {
        SCOPED_TRACE(c.micros);
        kxsim_clear_log();
        const int64_t start = kxsim_now_ns();
        expectFailed(call("KX4410_Delay", 0, numbers({c.micros})), "KX4410 error at delaying!");
        EXPECT_EQ(boardLog(), std::vector<DriverCall>{waitUs(c.passed, 14)});
        EXPECT_EQ(kxsim_now_ns(), start);
    }
}

TEST_F(Delay, AFailedWaitIsReported) {
    kxsim_inject("DelayMicros", 1, 15);
    expectFailed(call("KX4410_Delay", 0, numbers({100})), "KX4410 error at delaying!");
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{waitUs(100, 15)});

    kxsim_reset();  // no session
    expectFailed(call("KX4410_Delay", 0, numbers({100})), "KX4410 error at delaying!");
    EXPECT_EQ(boardLog(), std::vector<DriverCall>{waitUs(100, 1)});
}

TEST_F(Close, CountTestsRefuseAndTheSessionStaysOpen) {
    struct Case {
        const char* name;
        int nlhs;
        std::vector<Array> args;
        const char* message;
    };
    Case cases[] = {
        {"one result", 1, {}, "This function does not yield any result value!"},
        {"result and argument", 1, args(scalar(0)), "This function does not yield any result value!"},
        {"an empty argument", 0, args(matrix(0, 0)), "This function does not need any argument!"},
        {"two arguments", 0, numbers({1, 2}), "This function does not need any argument!"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        kxsim_reset();
        openSession();
        expectRefused(call("KX4410_CloseDriverAndBoard", c.nlhs, c.args), c.message);
        EXPECT_EQ(kxsim_driver_open(), 1);
        EXPECT_EQ(kxsim_active_board(), 0);
    }
}

TEST_F(Close, ClosesOnceAndPrintsTheClosingLineWhateverTheDriverSays) {
    openSession();
    for (int i = 1; i <= 2; ++i) {
        SCOPED_TRACE("call " + std::to_string(i));
        Outcome o = call("KX4410_CloseDriverAndBoard", 0);
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(o.prints, std::vector<std::string>{closingLine});
        EXPECT_EQ(o.formats, std::vector<std::string>{closingLine});
        EXPECT_FALSE(o.results[0]);
    }
    // The second call finds the driver closed.
    EXPECT_EQ(boardLog(), (std::vector<DriverCall>{{"CloseDriver", {}, 0}, {"CloseDriver", {}, 1}}));
    EXPECT_EQ(kxsim_driver_open(), 0);
    EXPECT_EQ(kxsim_active_board(), -1);

    kxsim_reset();
    openSession();
    kxsim_inject("CloseDriver", 1, 21);
    Outcome o = call("KX4410_CloseDriverAndBoard", 0);
    ASSERT_FALSE(o.raised) << o.message;
    EXPECT_EQ(o.printed(), closingLine);
    EXPECT_EQ(boardLog(), (std::vector<DriverCall>{{"CloseDriver", {}, 21}}));
}

TEST_F(ErrorText, CountTestsComeFirstResultsBeforeArguments) {
    const char* const results = "This function yields one result value!";
    const char* const arguments = "This function needs the code of the error!";
    expectCountTests("KX4410_ErrorText",
                     {{0, 1, results}, {0, 2, results}, {2, 1, results}, {1, 0, arguments},
                      {1, 2, arguments}},
                     1);
}

TEST_F(ErrorText, NamesEveryCodeOfTheTable) {
    const std::vector<std::string> names = {
        "NoError",          "DriverHandleError", "DriverCallError",       "AdControllerError",
        "M_FunExecError",   "ConfigCodeError",   "FrequencyComputeError", "HighAlarm",
        "LowAlarm",         "AdPollingTimeOut",  "AlarmTypeError",        "FindBoardError",
        "AdChannelError",   "DaChannelError",    "InvalidateDelay",       "DelayTimeOut",
        "InvalidateData",   "FifoOverflow",      "TimeOut",               "ExceedBoardNumber",
        "NotFoundBoard",    "OpenError",         "FindTwoBoardError",     "ThreadCreateError",
        "StopError",        "AllocateMemoryError"};
    for (std::size_t code = 0; code < names.size(); ++code) {
        Outcome o = call("KX4410_ErrorText", 1, numbers({static_cast<double>(code)}));
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(o.textOf(0), names[code]) << "code " << code;
        EXPECT_EQ(o.rows(0), 1u);
    }
}

TEST_F(ErrorText, CodesAreTruncatedTo64BitsThenTakenModulo65536) {
    struct Case {
        double code;
        const char* name;
    };
    const Case cases[] = {
        {26, "UNKNOWN_ERROR_CODE"},
        {65535, "UNKNOWN_ERROR_CODE"},
        {7.9, "HighAlarm"},
        {-0.5, "NoError"},
        {-0.0, "NoError"},
        {-1, "UNKNOWN_ERROR_CODE"},
        {-65535, "DriverHandleError"},
        {65536, "NoError"},
        {65537, "DriverHandleError"},
        {4294967298.0, "DriverCallError"},          // 2^32 + 2
        {281474976710661.0, "ConfigCodeError"},     // 2^48 + 5
        {-281474976710647.0, "AdPollingTimeOut"},   // -2^48 + 9
        {9223372036854774784.0, "UNKNOWN_ERROR_CODE"},  // 2^63 - 1024: low 16 bits 64512
        {9223372036854775808.0, "NoError"},         // 2^63
        {-9223372036854775808.0, "NoError"},        // -2^63
        {1e300, "NoError"},
        {INFINITY, "NoError"},
        {-INFINITY, "NoError"},
        {NAN, "NoError"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Outcome o = call("KX4410_ErrorText", 1, numbers({c.code}));
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(o.textOf(0), c.name);
    }
}

TEST_F(ErrorText, WorksWithAndWithoutASessionAndCallsNoDriverOperation) {
    for (bool session : {false, true}) {
        SCOPED_TRACE(session ? "session open" : "no session");
        kxsim_reset();
        if (session) openSession();
        Outcome o = call("KX4410_ErrorText", 1, numbers({14}));
        ASSERT_FALSE(o.raised) << o.message;
        EXPECT_EQ(o.textOf(0), "InvalidateDelay");
        EXPECT_EQ(boardLog(), std::vector<DriverCall>{});
    }
}

#if defined(__linux__)
namespace {

std::string pluginBytes(const std::string& function) {
    std::string dir = executablePath();
    dir = dir.substr(0, dir.find_last_of('/'));
    std::ifstream f(dir + "/" + function + pluginSuffix(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// What a shared object needs from others, as the dynamic loader reads it:
// the libraries it names (DT_NEEDED) and its undefined dynamic symbols.
// Paths and names elsewhere in the file (debug information, strings) are
// not looked at.
struct Needs {
    std::vector<std::string> libraries;
    std::vector<std::string> symbols;

    static bool has(const std::vector<std::string>& v, const std::string& name) {
        return std::find(v.begin(), v.end(), name) != v.end();
    }
};

Needs dynamicNeeds(const std::string& file) {
    Needs needs;
    const auto read = [&file](std::size_t offset, auto& into) {
        if (offset > file.size() || file.size() - offset < sizeof into) return false;
        std::memcpy(&into, file.data() + offset, sizeof into);
        return true;
    };
    const auto text = [&file](std::size_t offset) {
        return offset < file.size() ? std::string(file.c_str() + offset) : std::string();
    };
    ElfW(Ehdr) header;
    if (!read(0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return needs;
    const auto section = [&](std::size_t i, ElfW(Shdr)& s) {
        return read(header.e_shoff + i * header.e_shentsize, s);
    };
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        ElfW(Shdr) s, strings;
        if (!section(i, s) || (s.sh_type != SHT_DYNAMIC && s.sh_type != SHT_DYNSYM) ||
            !section(s.sh_link, strings))
            continue;
        if (s.sh_type == SHT_DYNAMIC) {
            ElfW(Dyn) d;
            for (std::size_t at = 0; at + sizeof d <= s.sh_size && read(s.sh_offset + at, d);
                 at += sizeof d)
                if (d.d_tag == DT_NEEDED) needs.libraries.push_back(text(strings.sh_offset + d.d_un.d_val));
        } else {
            ElfW(Sym) sym;
            for (std::size_t at = 0; at + sizeof sym <= s.sh_size && read(s.sh_offset + at, sym);
                 at += sizeof sym)
                if (sym.st_shndx == SHN_UNDEF && sym.st_name != 0)
                    needs.symbols.push_back(text(strings.sh_offset + sym.st_name));
        }
    }
    return needs;
}

}  // namespace

TEST_F(ErrorText, ThePlugInNeedsNoDriverLibrary) {
    // Neither the library nor any of its operations is needed: no
    // dependency, no symbol to resolve. KX4410_Delay shows the check sees them.
    const Needs errorText = dynamicNeeds(pluginBytes("KX4410_ErrorText"));
    const Needs delay = dynamicNeeds(pluginBytes("KX4410_Delay"));
    ASSERT_TRUE(Needs::has(errorText.libraries, "libmex.so"));
    ASSERT_TRUE(Needs::has(errorText.symbols, "mexErrMsgIdAndTxt"));
    EXPECT_TRUE(Needs::has(delay.libraries, "libkxdrv.so"));
    EXPECT_TRUE(Needs::has(delay.symbols, "DelayMicros"));
    for (const std::string& library : errorText.libraries)
        EXPECT_EQ(library.find("kxdrv"), std::string::npos) << library;
    for (const char* name :
         {"GetLibraryVersion", "OpenDriver", "CloseDriver", "GetDriverVersion", "GetBoardAddress",
          "ActivateBoard", "GetActiveBoard", "WriteAnalogOut", "ConfigureAnalogIn", "ReadAnalogIn",
          "DelayMicros", "WriteTimerControl", "ReadTimerCounter"})
        EXPECT_FALSE(Needs::has(errorText.symbols, name)) << name;
}
#endif
