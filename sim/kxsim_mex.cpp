// kxsim: the simulated board's control port as an Octave function, for
// tests, demos and users without the board.
//
//   kxsim('reset')                      power-on state
//   kxsim('clock', 'virtual' | 'real')  choose the board's clock
//   t = kxsim('now')                    board time in seconds
//   kxsim('inject', op, n, value)       the n-th next call of op answers value
//   [L, dropped, capacity] = kxsim('log')   struct array: op, args, result
//   [L, dropped, capacity] = kxsim('log', 'compact')   one struct of columns
//   kxsim('clearlog')
//   kxsim('logging', on)                log driver calls (true) or not
//   kxsim('logcapacity', n)             keep at most the latest n calls
//   kxsim('ad', channel, volts)         queue readings of an AD channel
//   kxsim('timer', counts)              queue raw counter readings
//   kxsim('boards', n)                  boards that OpenDriver finds
//   kxsim('versions', lib, drv)         the two version words
//   kxsim('plant', gain, tau)           the plant from DA 0 to AD 0
//   kxsim('level', channel, volts)      a constant input on AD 2-15
//   code = kxsim('da', channel)         the code a DA channel holds
//   kxsim('tf', da, ad, num, den, delay)    a plant num(s)/den(s) from DA to AD
//   kxsim('lab', name, da, ad)          a lab plant by name
//   kxsim('unplant', ad)                an AD channel back to its wiring
//   kxsim('limits', ad, lo, hi)         limits on a plant's output
//   kxsim('signal', channel, kind, amplitude, frequency, phase, offset)
//                                       a periodic source on an AD channel
//   kxsim('noise', channel, sigma, seed)    Gaussian noise on an AD channel
//   v = kxsim('analog', channel)        an AD channel's volts before conversion
//
// Through the driver client (bridge/), a form whose calls find no driver
// server raises "KX4410 driver server not running: <why>" in place of the
// client's stand-in answers; the forms' own argument checks come first.
//
// Unlike the plug-ins this is a tool: it uses the standard library. Every
// message is built while its strings live and copied out; the raise comes
// after they are gone, since a host may leave the function without
// unwinding it.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kxsim.h"
#include "mex.h"

namespace {

// The binding's names, as the log and inject know them.
const char* const kOperations =
    "GetLibraryVersion, OpenDriver, CloseDriver, GetDriverVersion, GetBoardAddress, "
    "ActivateBoard, GetActiveBoard, WriteAnalogOut, ConfigureAnalogIn, ReadAnalogIn, "
    "DelayMicros, WriteTimerControl, ReadTimerCounter";

using Args = const mxArray* const*;
// A command's work: empty when done, else the message to raise.
using Handler = std::string (*)(int nlhs, mxArray* plhs[], Args args);

bool isText(const mxArray* a) {
    return mxIsChar(a) && mxGetM(a) <= 1;
}

std::string text(const mxArray* a) {
    std::vector<char> buffer(mxGetNumberOfElements(a) + 1, '\0');
    mxGetString(a, buffer.data(), buffer.size());
    return std::string(buffer.data());
}

bool realNumeric(const mxArray* a) {
    return (mxIsNumeric(a) || mxIsLogical(a)) && !mxIsComplex(a) && !mxIsSparse(a);
}

// A real number: one element of any numeric class.
bool scalar(const mxArray* a, double& x) {
    if (!realNumeric(a) || mxGetNumberOfElements(a) != 1) return false;
    x = mxGetScalar(a);
    return true;
}

bool wholeIn(double x, double lo, double hi) { return x >= lo && x <= hi && x == std::trunc(x); }

// A whole number from lo to hi.
bool whole(const mxArray* a, double lo, double hi, int& n) {
    double x = 0;
    if (!scalar(a, x) || !wholeIn(x, lo, hi)) return false;
    n = static_cast<int>(x);
    return true;
}

// A real double vector of any orientation, or empty.
bool vector(const mxArray* a, const double*& data, std::size_t& count) {
    if (!mxIsDouble(a) || mxIsComplex(a) || mxIsSparse(a)) return false;
    if (mxGetM(a) > 1 && mxGetN(a) > 1) return false;
    count = mxGetNumberOfElements(a);
    data = mxGetPr(a);
    return true;
}

std::string onReset(int, mxArray*[], Args) {
    kxsim_reset();
    return "";
}

std::string onClock(int, mxArray*[], Args args) {
    const std::string which = isText(args[0]) ? text(args[0]) : "";
    if (which == "virtual")
        kxsim_set_clock(0);
    else if (which == "real")
        kxsim_set_clock(1);
    else
        return "the clock is 'virtual' or 'real'";
    return "";
}

std::string onNow(int, mxArray* plhs[], Args) {
    plhs[0] = mxCreateDoubleScalar(kxsim_now());
    return "";
}

std::string onInject(int, mxArray*[], Args args) {
    if (!isText(args[0])) return "op is the name of a driver operation: " + std::string(kOperations);
    int n = 0;
    if (!whole(args[1], 1, 2147483647.0, n)) {
        double x = 0;
        // The board counts calls in a C int.
        if (scalar(args[1], x) && x > 2147483647.0 && x == std::trunc(x) && !std::isinf(x))
            return "n is at most 2147483647";
        return "n is a whole number, 1 or more";
    }
    double value = 0;
    if (!scalar(args[2], value)) return "value is a real number";
    const std::string op = text(args[0]);
    const char* why = nullptr;
    if (kxsim_inject_why(op.c_str(), n, value, &why) != 0)
        return why ? why : "unknown operation '" + op + "'; the operations are " + kOperations;
    return "";
}

// One block of log entries as kxsim_log_entries copies them.
struct LogBlock {
    uint8_t ops[KXSIM_LOG_BLOCK];
    uint8_t counts[KXSIM_LOG_BLOCK];
    double args[4 * KXSIM_LOG_BLOCK];
    double results[KXSIM_LOG_BLOCK];
};

// The first size entries of the log, a block at a time (through the
// driver server, one call per block), each block handed to use(block,
// index of its first entry, entries in it). Stops early only where the
// board gives fewer (no server).
template <class Use>
void readLog(std::size_t size, Use use) {
    const std::unique_ptr<LogBlock> block(new LogBlock);
    for (std::size_t first = 0; first < size;) {
        std::size_t n = kxsim_log_entries(first, block->ops, block->counts, block->args, block->results);
        if (n == 0) break;
        if (n > size - first) n = size - first;
        use(*block, first, n);
        first += n;
    }
}

// The operations' names by their index in the log.
std::vector<const char*> operationNames() {
    std::vector<const char*> names;
    const char* name = nullptr;
    while (names.size() < 256 && kxsim_op_name(static_cast<int>(names.size()), &name) == 0)
        names.push_back(name ? name : "");
    return names;
}

void logCounts(int nlhs, mxArray* plhs[]) {
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(kxsim_log_dropped()));
    if (nlhs >= 3) plhs[2] = mxCreateDoubleScalar(static_cast<double>(kxsim_log_capacity()));
}

std::string onLog(int nlhs, mxArray* plhs[], Args) {
    const char* fields[] = {"op", "args", "result"};
    const std::size_t size = kxsim_log_size();
    const std::vector<const char*> names = operationNames();
    mxArray* entries = mxCreateStructMatrix(1, size, 3, fields);
    readLog(size, [&](const LogBlock& b, std::size_t first, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) {
            std::size_t count = b.counts[k];
            if (count > 4) count = 4;
            mxArray* row = mxCreateDoubleMatrix(1, count, mxREAL);
            if (count > 0) std::memcpy(mxGetPr(row), b.args + 4 * k, sizeof(double) * count);
            const std::size_t index = b.ops[k];
            const char* op = index < names.size() ? names[index] : "";
            mxSetField(entries, first + k, "op", mxCreateString(op));
            mxSetField(entries, first + k, "args", row);
            mxSetField(entries, first + k, "result", mxCreateDoubleScalar(b.results[k]));
        }
    });
    plhs[0] = entries;
    logCounts(nlhs, plhs);
    return "";
}

// The same log as one struct of columns, an entry a row: op (index into
// names), args (absent ones NaN), nargs, result. Some 56 bytes an entry,
// where the struct array takes about a kilobyte.
std::string onLogCompact(int nlhs, mxArray* plhs[], Args args) {
    if (!isText(args[0]) || text(args[0]) != "compact") return "the second argument is 'compact'";
    const std::size_t size = kxsim_log_size();
    const std::vector<const char*> names = operationNames();
    const char* fields[] = {"op", "names", "args", "nargs", "result"};
    mxArray* log = mxCreateStructMatrix(1, 1, 5, fields);
    mxArray* ops = mxCreateDoubleMatrix(size, 1, mxREAL);
    mxArray* table = mxCreateCellMatrix(1, names.size());
    mxArray* values = mxCreateDoubleMatrix(size, 4, mxREAL);
    mxArray* counts = mxCreateDoubleMatrix(size, 1, mxREAL);
    mxArray* results = mxCreateDoubleMatrix(size, 1, mxREAL);
    mxSetField(log, 0, "op", ops);
    mxSetField(log, 0, "names", table);
    mxSetField(log, 0, "args", values);
    mxSetField(log, 0, "nargs", counts);
    mxSetField(log, 0, "result", results);
    for (std::size_t i = 0; i < names.size(); ++i) mxSetCell(table, i, mxCreateString(names[i]));
    double* op = mxGetPr(ops);
    double* column = mxGetPr(values);
    double* count = mxGetPr(counts);
    double* result = mxGetPr(results);
    readLog(size, [&](const LogBlock& b, std::size_t first, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = first + k;
            op[i] = b.ops[k] + 1.0;
            count[i] = b.counts[k];
            result[i] = b.results[k];
            for (std::size_t j = 0; j < 4; ++j) column[i + j * size] = b.args[4 * k + j];
        }
    });
    plhs[0] = log;
    logCounts(nlhs, plhs);
    return "";
}

std::string onLogging(int, mxArray*[], Args args) {
    double on = 0;
    if (!scalar(args[0], on) || !(on == 0 || on == 1)) return "on is true or false (1 or 0)";
    kxsim_set_logging(on != 0);
    return "";
}

std::string onLogcapacity(int, mxArray*[], Args args) {
    double n = 0;
    if (!scalar(args[0], n) || !(n >= 0 && n <= 4294967295.0) || n != std::trunc(n))
        return "n is a whole number from 0 to 4294967295";
    kxsim_set_log_capacity(static_cast<std::size_t>(n));
    return "";
}

std::string onClearlog(int, mxArray*[], Args) {
    kxsim_clear_log();
    return "";
}

std::string onAd(int, mxArray*[], Args args) {
    int channel = 0;
    if (!whole(args[0], 0, 15, channel)) return "channel is a whole number from 0 to 15";
    const double* volts = nullptr;
    std::size_t count = 0;
    if (!vector(args[1], volts, count)) return "volts is a real double vector";
    // Readings of a 32-bit float: NaN and the infinities are some.
    for (std::size_t i = 0; i < count; ++i)
        if (std::isfinite(volts[i]) && std::fabs(volts[i]) > FLT_MAX)
            return "volts are 32-bit float readings: NaN, Inf, -Inf or finite numbers of magnitude "
                   "at most 3.4028234663852886e+38";
    if (count > KXSIM_MAX_QUEUED - kxsim_ad_queued(channel))
        return "a channel's queue holds at most 500000 readings, those waiting included";
    kxsim_queue_ad(channel, volts, count);
    return "";
}

std::string onTimer(int, mxArray*[], Args args) {
    const double* counts = nullptr;
    std::size_t count = 0;
    if (!vector(args[0], counts, count)) return "counts is a real double vector";
    for (std::size_t i = 0; i < count; ++i)
        if (!wholeIn(counts[i], 0, 4294967295.0))
            return "counts are ReadTimerCounter's 32-bit readings: whole numbers from 0 to "
                   "4294967295";
    if (count > KXSIM_MAX_QUEUED - kxsim_timer_queued())
        return "the timer's queue holds at most 500000 readings, those waiting included";
    kxsim_queue_timer(counts, count);
    return "";
}

std::string onBoards(int, mxArray*[], Args args) {
    int n = 0;
    if (!whole(args[0], 0, 65535, n)) return "n is a whole number from 0 to 65535";
    kxsim_set_boards(n);
    return "";
}

std::string onVersions(int, mxArray*[], Args args) {
    int library = 0, driver = 0;
    if (!whole(args[0], 0, 65535, library) || !whole(args[1], 0, 65535, driver))
        return "lib and drv are 16-bit words, whole numbers from 0 to 65535";
    kxsim_set_versions(static_cast<uint16_t>(library), static_cast<uint16_t>(driver));
    return "";
}

std::string onPlant(int, mxArray*[], Args args) {
    double gain = 0, tau = 0;
    if (!scalar(args[0], gain) || !scalar(args[1], tau) || kxsim_set_plant(gain, tau) != 0)
        return "gain is a finite number and tau a finite number of seconds above 0";
    return "";
}

std::string onLevel(int, mxArray*[], Args args) {
    int channel = 0;
    double volts = 0;
    // AD 0 and 1 are wired to the DA outputs.
    if (!whole(args[0], 2, 15, channel)) return "channel is a whole number from 2 to 15";
    if (!scalar(args[1], volts) || kxsim_set_level(channel, volts) != 0)
        return "volts is a finite number";
    return "";
}

std::string onDa(int, mxArray* plhs[], Args args) {
    int channel = 0;
    if (!whole(args[0], 0, 1, channel)) return "channel is 0 or 1";
    plhs[0] = mxCreateDoubleScalar(kxsim_da(channel));
    return "";
}

// A whole number of the C int's range, for the board to check.
bool integer(const mxArray* a, int& n) { return whole(a, -2147483648.0, 2147483647.0, n); }

// The board's refusal from a call's status and the why it wrote, or what
// stands for it when no board answered (the caller then reports the missing
// server instead). The call is made before, not among the arguments here:
// why would be read in an unspecified order with it.
std::string refusal(int status, const char* why) {
    if (status == 0) return "";
    return why ? why : "the board did not answer";
}

std::string onTf(int, mxArray*[], Args args) {
    int da = 0, ad = 0;
    if (!integer(args[0], da) || !integer(args[1], ad)) return "da and ad are whole numbers";
    const double *num = nullptr, *den = nullptr;
    std::size_t numCount = 0, denCount = 0;
    if (!vector(args[2], num, numCount) || !vector(args[3], den, denCount))
        return "num and den are real double vectors";
    double delay = 0;
    if (!scalar(args[4], delay)) return "delay is a real number of seconds";
    const char* why = nullptr;
    const int status = kxsim_set_tf(da, ad, num, numCount, den, denCount, delay, &why);
    return refusal(status, why);
}

std::string onLab(int, mxArray*[], Args args) {
    int da = 0, ad = 0;
    if (!isText(args[0])) return "name is dcmotor, heater, tanks or massspring";
    if (!integer(args[1], da) || !integer(args[2], ad)) return "da and ad are whole numbers";
    const std::string name = text(args[0]);
    const char* why = nullptr;
    const int status = kxsim_set_lab(name.c_str(), da, ad, &why);
    return refusal(status, why);
}

std::string onUnplant(int, mxArray*[], Args args) {
    int ad = 0;
    if (!integer(args[0], ad)) return "ad is a whole number";
    const char* why = nullptr;
    const int status = kxsim_remove_plant(ad, &why);
    return refusal(status, why);
}

std::string onLimits(int, mxArray*[], Args args) {
    int ad = 0;
    double lo = 0, hi = 0;
    if (!integer(args[0], ad)) return "ad is a whole number";
    if (!scalar(args[1], lo) || !scalar(args[2], hi)) return "lo and hi are real numbers";
    const char* why = nullptr;
    const int status = kxsim_set_limits(ad, lo, hi, &why);
    return refusal(status, why);
}

std::string onSignal(int, mxArray*[], Args args) {
    int channel = 0;
    double amplitude = 0, frequency = 0, phase = 0, offset = 0;
    if (!integer(args[0], channel)) return "channel is a whole number";
    if (!isText(args[1])) return "kind is sine, square, triangle, sawtooth or none";
    if (!scalar(args[2], amplitude) || !scalar(args[3], frequency) || !scalar(args[4], phase) ||
        !scalar(args[5], offset))
        return "amplitude, frequency, phase and offset are real numbers";
    const std::string kind = text(args[1]);
    const char* why = nullptr;
    const int status =
        kxsim_set_signal(channel, kind.c_str(), amplitude, frequency, phase, offset, &why);
    return refusal(status, why);
}

std::string onNoise(int, mxArray*[], Args args) {
    int channel = 0;
    double sigma = 0, seed = 0;
    if (!integer(args[0], channel)) return "channel is a whole number";
    if (!scalar(args[1], sigma)) return "sigma is a real number of volts";
    // Every whole number up to 2^53 is exact in a double.
    if (!scalar(args[2], seed) || !(seed >= 0 && seed <= 9007199254740992.0) ||
        seed != std::trunc(seed))
        return "seed is a whole number from 0 to 2^53";
    const char* why = nullptr;
    const int status = kxsim_set_noise(channel, sigma, static_cast<uint64_t>(seed), &why);
    return refusal(status, why);
}

std::string onAnalog(int, mxArray* plhs[], Args args) {
    int channel = 0;
    if (!whole(args[0], 0, 15, channel)) return "channel is a whole number from 0 to 15";
    plhs[0] = mxCreateDoubleScalar(kxsim_analog(channel));
    return "";
}

struct Command {
    const char* name;
    const char* form;
    int arguments;  // after the name
    int results;    // at most
    Handler run;
};

const Command kCommands[] = {
    {"reset", "kxsim('reset')", 0, 0, onReset},
    {"clock", "kxsim('clock', 'virtual') or kxsim('clock', 'real')", 1, 0, onClock},
    {"now", "t = kxsim('now')", 0, 1, onNow},
    {"inject", "kxsim('inject', op, n, value)", 3, 0, onInject},
    {"log", "[L, dropped, capacity] = kxsim('log')", 0, 3, onLog},
    {"log", "[L, dropped, capacity] = kxsim('log', 'compact')", 1, 3, onLogCompact},
    {"clearlog", "kxsim('clearlog')", 0, 0, onClearlog},
    {"logging", "kxsim('logging', on)", 1, 0, onLogging},
    {"logcapacity", "kxsim('logcapacity', n)", 1, 0, onLogcapacity},
    {"ad", "kxsim('ad', channel, volts)", 2, 0, onAd},
    {"timer", "kxsim('timer', counts)", 1, 0, onTimer},
    {"boards", "kxsim('boards', n)", 1, 0, onBoards},
    {"versions", "kxsim('versions', lib, drv)", 2, 0, onVersions},
    {"plant", "kxsim('plant', gain, tau)", 2, 0, onPlant},
    {"level", "kxsim('level', channel, volts)", 2, 0, onLevel},
    {"tf", "kxsim('tf', da, ad, num, den, delay)", 5, 0, onTf},
    {"lab", "kxsim('lab', name, da, ad)", 3, 0, onLab},
    {"unplant", "kxsim('unplant', ad)", 1, 0, onUnplant},
    {"limits", "kxsim('limits', ad, lo, hi)", 3, 0, onLimits},
    {"signal", "kxsim('signal', channel, kind, amplitude, frequency, phase, offset)", 6, 0,
     onSignal},
    {"noise", "kxsim('noise', channel, sigma, seed)", 3, 0, onNoise},
    {"analog", "v = kxsim('analog', channel)", 1, 1, onAnalog},
    {"da", "code = kxsim('da', channel)", 1, 1, onDa},
};

// Every form of the table, one per line.
std::string forms() {
    std::string all;
    for (const Command& c : kCommands) all += std::string("\n  ") + c.form;
    return all;
}

std::string run(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs < 1 || !isText(prhs[0]))
        return "the first argument names a command; the accepted forms are:" + forms();
    const std::string name = text(prhs[0]);
    // A command of several forms is told apart by its count of arguments.
    std::string named;
    for (const Command& c : kCommands) {
        if (name != c.name) continue;
        named += (named.empty() ? "" : " or ") + std::string(c.form);
        if (nrhs - 1 != c.arguments) continue;
        if (nlhs > c.results) return std::string("'") + c.name + "' is called as " + c.form;
        const std::string problem = c.run(nlhs, plhs, prhs + 1);
        if (problem.empty()) return "";
        return std::string(c.form) + ": " + problem;
    }
    if (!named.empty()) return "'" + name + "' is called as " + named;
    // A name pasted in by mistake may be long: echo its start only.
    const std::string shown = name.size() > 40 ? name.substr(0, 40) + "..." : name;
    return "unknown command '" + shown + "'; the accepted forms are:" + forms();
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    static char message[1024];
    bool noServer = false;
    {
        // What calls before this one met is theirs.
        kxsim_unreachable();
        std::string problem = run(nlhs, plhs, nrhs, prhs);
        if (const char* why = kxsim_unreachable()) {
            problem = std::string("KX4410 driver server not running: ") + why;
            noServer = true;
        }
        if (problem.empty()) return;
        std::strncpy(message, problem.c_str(), sizeof message - 1);
        message[sizeof message - 1] = '\0';
    }
    // The message may echo what the caller typed: never a format.
    if (noServer) mexErrMsgIdAndTxt("KX4410:kxsim:noServer", "%s", message);
    mexErrMsgIdAndTxt("KX4410:kxsim:badCall", "%s", message);
}
