// Coverage-guided fuzzing of the nine plug-ins through our host stand-in, on
// the simulated board's virtual clock.
//
// Each input sets up the board (session state, queued readings, failures
// injected at chosen calls), then calls one plug-in with a chosen result
// count and 0-10 arguments of any class, shape and value. What must hold for
// every call, whatever its input:
//   - a raised message is one of that plug-in's own (or the host's own
//     "Out of memory." for a row it cannot hold);
//   - a refused call made no driver call; a driver-failure message reports
//     the last driver call, which failed;
//   - the results' sizes agree with the calls in the log; time stamps never
//     decrease; only the session plug-ins print;
//   - no array is left behind, and a fresh session works afterwards.
// A broken invariant aborts with a description: libFuzzer keeps the input.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "calllog.h"
#include "kxhost.h"
#include "kxsim.h"
#include "messages.h"
#include "mexhost.h"

// A row the host cannot hold is refused by the host; so big an allocation
// is not a finding, and must not take the machine's memory.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=512";
}

namespace {

using mexhost::Array;

const char* const outOfMemory = "Out of memory.";

// The loops' driver calls: after this many calls of one operation in one
// input, it fails, so that no count makes an input run for long.
const int budget = 4096;

std::size_t countOf(const std::vector<DriverCall>& log, const char* op) {
    std::size_t n = 0;
    for (const DriverCall& e : log) n += e.op == op;
    return n;
}

std::string context;

[[noreturn]] void broken(const std::string& what) {
    std::fprintf(stderr, "INVARIANT BROKEN: %s\n  call: %s\n", what.c_str(), context.c_str());
    std::abort();
}

void check(bool ok, const std::string& what) {
    if (!ok) broken(what);
}

double interesting(FuzzedDataProvider& in) {
    static const double values[] = {
        0, -0.0, 1, -1, 0.5, -0.5, 0.9, 1.9, 2, 2.5, 3, 3.5, 10, 10.9, 11, 11.5, 12, 14.7, 15,
        15.5, 15.9, 16, 17, 25, 27, 27.5, 28, 100.7, 999, 1000, 2047, 2047.5, 4095, 4095.5, 4096,
        8000, 8191, 8191.5, 8192, 65535, 65536, 65537, 2147483, 2147484, 2147483647.0,
        2147483648.0, -2147483648.0, -2147483649.0, 4294967296.0, 9007199254740992.0,
        576460752303423488.0 /* 2^59 */, 2305843009213693952.0 /* 2^61 */,
        4611686018427387904.0, 6917529027641081856.0, 9223372036854775808.0, 1.8446744073709552e19,
        1e300, -1e300, DBL_MIN, std::numeric_limits<double>::denorm_min(),
        -std::numeric_limits<double>::denorm_min(), HUGE_VAL, -HUGE_VAL, NAN, -NAN};
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: return in.PickValueInArray(values);
        case 1: return in.ConsumeIntegralInRange<int>(-3, 40);
        case 2: {
            const uint64_t bits = in.ConsumeIntegral<uint64_t>();
            double x = 0;
            std::memcpy(&x, &bits, sizeof x);
            return x;
        }
        default: return in.ConsumeFloatingPoint<double>();
    }
}

// x as an integer class takes it, as MATLAB converts: rounded, saturated,
// NaN as 0.
template <class T>
T saturated(double x) {
    if (std::isnan(x)) return 0;
    const double r = std::round(x);
    if (r <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (r >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return static_cast<T>(r);
}

float asSingle(double x) {
    if (x > FLT_MAX) return HUGE_VALF;
    if (x < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(x);
}

void store(mxClassID cls, void* data, std::size_t i, double x) {
    switch (cls) {
        case mxDOUBLE_CLASS: static_cast<double*>(data)[i] = x; break;
        case mxSINGLE_CLASS: static_cast<float*>(data)[i] = asSingle(x); break;
        case mxINT8_CLASS: static_cast<int8_t*>(data)[i] = saturated<int8_t>(x); break;
        case mxUINT8_CLASS: static_cast<uint8_t*>(data)[i] = saturated<uint8_t>(x); break;
        case mxINT16_CLASS: static_cast<int16_t*>(data)[i] = saturated<int16_t>(x); break;
        case mxUINT16_CLASS: static_cast<uint16_t*>(data)[i] = saturated<uint16_t>(x); break;
        case mxINT32_CLASS: static_cast<int32_t*>(data)[i] = saturated<int32_t>(x); break;
        case mxUINT32_CLASS: static_cast<uint32_t*>(data)[i] = saturated<uint32_t>(x); break;
        case mxINT64_CLASS: static_cast<int64_t*>(data)[i] = saturated<int64_t>(x); break;
        case mxUINT64_CLASS: static_cast<uint64_t*>(data)[i] = saturated<uint64_t>(x); break;
        case mxLOGICAL_CLASS: static_cast<mxLogical*>(data)[i] = x != 0; break;
        case mxCHAR_CLASS: static_cast<mxChar*>(data)[i] = static_cast<mxChar>(saturated<uint8_t>(x)); break;
        default: break;
    }
}

// An argument: any class the toolbox may be handed, any shape, any values.
Array argument(FuzzedDataProvider& in) {
    static const mxClassID classes[] = {
        mxDOUBLE_CLASS, mxDOUBLE_CLASS, mxDOUBLE_CLASS, mxSINGLE_CLASS, mxINT8_CLASS,
        mxUINT8_CLASS,  mxINT16_CLASS,  mxUINT16_CLASS, mxINT32_CLASS,  mxUINT32_CLASS,
        mxINT64_CLASS,  mxUINT64_CLASS, mxLOGICAL_CLASS, mxCHAR_CLASS,  mxCELL_CLASS,
        mxSTRUCT_CLASS};
    const mxClassID cls = in.PickValueInArray(classes);
    const bool complex = (cls == mxDOUBLE_CLASS || cls == mxSINGLE_CLASS) && in.ConsumeIntegralInRange<int>(0, 7) == 0;

    std::size_t m = 1, n = 1;
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: n = in.ConsumeIntegralInRange<std::size_t>(0, 64); break;  // row
        case 1: m = in.ConsumeIntegralInRange<std::size_t>(0, 64); break;  // column
        case 2:
            m = in.ConsumeIntegralInRange<std::size_t>(0, 6);
            n = in.ConsumeIntegralInRange<std::size_t>(0, 6);
            break;
        case 3: n = in.ConsumeIntegralInRange<std::size_t>(65530, 65540); break;  // past 16 bits
        default: break;  // a scalar, most of the time
    }

    mxArray* a = nullptr;
    if (cls == mxCELL_CLASS)
        a = mxCreateCellMatrix(m, n);
    else if (cls == mxSTRUCT_CLASS)
        a = mxCreateStructMatrix(m, n, 0, nullptr);
    else
        a = mxCreateNumericMatrix(m, n, cls, complex ? mxCOMPLEX : mxREAL);

    if (cls != mxCELL_CLASS && cls != mxSTRUCT_CLASS) {
        // Long rows repeat a few values: the fuzzer's bytes are few.
        std::vector<double> values;
        const std::size_t distinct = m * n < 16 ? m * n : 16;
        for (std::size_t i = 0; i < distinct; ++i) values.push_back(interesting(in));
        for (std::size_t i = 0; i < m * n; ++i) {
            store(cls, mxGetData(a), i, values[i % distinct]);
            if (complex) store(cls, mxGetImagData(a), i, interesting(in));
        }
    }
    return Array(a);
}

const char* const operations[] = {
    "GetLibraryVersion", "OpenDriver",        "CloseDriver",    "GetDriverVersion",
    "GetBoardAddress",   "ActivateBoard",     "GetActiveBoard", "WriteAnalogOut",
    "ConfigureAnalogIn", "ReadAnalogIn",      "DelayMicros",    "WriteTimerControl",
    "ReadTimerCounter"};

void setUpBoard(FuzzedDataProvider& in) {
    kxsim_reset();
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0) kxsim_set_boards(in.ConsumeIntegralInRange<int>(0, 3));
    const int session = in.ConsumeIntegralInRange<int>(0, 7);  // 0 closed, 1 open, else active
    if (session >= 1) {
        uint16_t boards = 0;
        OpenDriver(&boards);
        if (session >= 2) ActivateBoard(0);
    }
    if (in.ConsumeBool()) {
        double volts[4];
        const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(1, 4);
        for (std::size_t i = 0; i < count; ++i) volts[i] = interesting(in);
        kxsim_queue_ad(in.ConsumeIntegralInRange<int>(0, 15), volts, count);
    }
    if (in.ConsumeBool()) {
        // Whatever 32 bits the driver answers: the time base takes the
        // counter's 16, so no reading may make a stamp run backwards.
        double counts[4];
        for (double& c : counts) c = in.ConsumeIntegral<uint32_t>();
        kxsim_queue_timer(counts, 4);
    }
    const int faults = in.ConsumeIntegralInRange<int>(0, 3);
    for (int k = 0; k < faults; ++k) {
        const char* op = in.PickValueInArray(operations);
        const int nth = in.ConsumeIntegralInRange<int>(1, 40);
        // What the operation's result can hold: a board number, or 16 bits
        // (a status word; the counter's 16 of a timer reading). The board
        // refuses an injection that none could be.
        const double value = std::strcmp(op, "GetActiveBoard") == 0
                                 ? static_cast<double>(in.ConsumeIntegral<int32_t>())
                                 : static_cast<double>(in.ConsumeIntegral<uint16_t>());
        kxsim_inject(op, nth, value);
    }
    for (const char* op : {"WriteAnalogOut", "ReadAnalogIn", "DelayMicros"})
        kxsim_inject(op, budget + 1, 16);
    kxsim_clear_log();
}

void checkStamps(const double* t, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        check(t[i] >= 0 && t[i] <= 1e12, "a time stamp below 0 or not finite");
        if (i > 0) check(t[i] >= t[i - 1], "a time stamp went back");
    }
}

std::vector<double> valuesOf(const mexhost::Outcome& o, std::size_t k) {
    check(k < o.results.size() && o.results[k] && mxIsDouble(o.results[k].get()),
          "result " + std::to_string(k) + " is missing or not double");
    return o.values(k);
}

void checkRow(const mexhost::Outcome& o, std::size_t k, std::size_t n) {
    check(o.rows(k) == 1 && o.cols(k) == n,
          "result " + std::to_string(k) + " is " + std::to_string(o.rows(k)) + " x " +
              std::to_string(o.cols(k)) + ", the log says 1 x " + std::to_string(n));
}

void checkOutcome(const messages::PlugIn& p, int nlhs, const mexhost::Outcome& o) {
    const std::vector<DriverCall> log = boardLog();
    const std::string& name = p.name;
    const bool session = name == "KX4410_InitDriverAndBoard" || name == "KX4410_CloseDriverAndBoard";
    check(session || o.prints.empty(), "printed: " + o.printed());

    if (o.raised) {
        context += "\n  raised: " + o.message;
        const std::string op = p.failedOp(o.message);
        if (!op.empty()) {
            check(!log.empty() && log.back().op == op && log.back().result != 0,
                  "the failure message does not report the last driver call, a failed " + op);
            return;
        }
        check(p.refuses(o.message) || o.message == outOfMemory, "not the plug-in's own message");
        check(log.empty(), "a refused call called the driver");
        return;
    }

    const std::size_t reads = countOf(log, "ReadAnalogIn");
    for (const DriverCall& e : log)
        if (e.op != "GetActiveBoard" && e.op != "ReadTimerCounter" && e.op != "GetLibraryVersion" &&
            e.op != "CloseDriver" && e.op != "GetDriverVersion" && e.op != "OpenDriver" &&
            !(e.op == "DelayMicros" && (name == "KX4410_SendAndRead" || name == "KX4410_PID")) &&
            !(e.op == "WriteTimerControl"))
            check(e.result == 0, "a call ended normally after a failed " + e.op);

    if (name == "KX4410_InitDriverAndBoard") {
        check(!log.empty() && log[0].op == "OpenDriver", "no OpenDriver first");
        if (nlhs >= 1) {
            check(log[0].result != 0 || log.size() >= 2, "no ActivateBoard after a good open");
            const double expected = log[0].result != 0 ? log[0].result : log[1].result;
            check(valuesOf(o, 0) == std::vector<double>{expected}, "status is not the driver's");
        }
        if (nlhs >= 2) check(valuesOf(o, 1).size() == 1, "board count not 1 x 1");
    } else if (name == "KX4410_CloseDriverAndBoard") {
        check(log.size() == 1 && log[0].op == "CloseDriver", "not one CloseDriver");
    } else if (name == "KX4410_ErrorText") {
        check(log.empty(), "ErrorText called the driver");
        check(o.results[0] && mxIsChar(o.results[0].get()) && o.rows(0) == 1 && o.cols(0) > 0,
              "not a name");
    } else if (name == "KX4410_Delay") {
        check(log.size() == 1 && log[0].op == "DelayMicros", "not one DelayMicros");
    } else if (name == "KX4410_ReadAD") {
        check(valuesOf(o, 0).size() == reads, "readings and reads disagree");
        checkRow(o, 0, reads);
    } else if (name == "KX4410_SendDA" || name == "KX4410_SendPWM") {
        check(valuesOf(o, 0) == std::vector<double>{0.0}, "done is not 0");
        checkRow(o, 0, 1);
    } else if (name == "KX4410_SendAndRead") {
        check(countOf(log, "WriteAnalogOut") == reads && countOf(log, "ReadTimerCounter") == reads,
              "writes, reads and timer reads disagree");
        const std::vector<double> r = valuesOf(o, 0);
        checkRow(o, 0, 2 * reads);
        checkStamps(r.data() + reads, reads);
    } else if (name == "KX4410_PID") {
        for (std::size_t k = 0; k < 4; ++k) checkRow(o, k, reads);
        check(countOf(log, "WriteAnalogOut") == reads && countOf(log, "ReadTimerCounter") == reads,
              "steps disagree");
        const std::vector<double> t = valuesOf(o, 0);
        checkStamps(t.data(), t.size());
    }
}

void usualCounts(const std::string& name, int& nlhs, int& nrhs) {
    struct Usual {
        const char* name;
        int nlhs, nrhs;
    };
    static const Usual usual[] = {
        {"KX4410_InitDriverAndBoard", 2, 1}, {"KX4410_CloseDriverAndBoard", 0, 0},
        {"KX4410_ErrorText", 1, 1},          {"KX4410_ReadAD", 1, 5},
        {"KX4410_SendDA", 1, 4},             {"KX4410_SendPWM", 1, 5},
        {"KX4410_Delay", 0, 1},              {"KX4410_SendAndRead", 1, 6},
        {"KX4410_PID", 4, 9}};
    for (const Usual& u : usual) {
        if (name != u.name) continue;
        nlhs = u.nlhs;
        nrhs = u.nrhs;
    }
}

// After whatever came before: a fresh session opens and reads.
void checkFreshSession() {
    kxsim_reset();
    mexhost::Outcome init = mexhost::call("KX4410_InitDriverAndBoard", 2, mexhost::scalars({0}));
    check(!init.raised && init.values(0) == std::vector<double>{0} &&
              init.values(1) == std::vector<double>{1},
          "a fresh session does not open: " + init.message);
    kxsim_set_level(2, 1.0);
    mexhost::Outcome read = mexhost::call("KX4410_ReadAD", 1, mexhost::scalars({2, 0, 0, 3}));
    check(!read.raised && read.values(0).size() == 3 && std::fabs(read.values(0)[0] - 1.0) < 0.01,
          "a fresh session does not read: " + read.message);
    check(kxsim_log_size() == 8, "a fresh session's calls are not logged");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::size_t baseline = kxhost_live_arrays();
    FuzzedDataProvider in(data, size);
    setUpBoard(in);

    const std::vector<messages::PlugIn>& plugIns = messages::plugIns();
    const messages::PlugIn& p = plugIns[in.ConsumeIntegralInRange<std::size_t>(0, plugIns.size() - 1)];
    // Half the calls have the counts the function takes, so that the
    // fuzzer reaches past the count tests; the others any counts, up to one
    // argument more than the nine of KX4410_PID.
    int nlhs = 0, nrhs = 0;
    if (in.ConsumeBool()) {
        usualCounts(p.name, nlhs, nrhs);
    } else {
        nlhs = in.ConsumeIntegralInRange<int>(0, 5);
        nrhs = in.ConsumeIntegralInRange<int>(0, 10);
    }
    context = p.name + ", " + std::to_string(nlhs) + " results, " + std::to_string(nrhs) + " arguments";
    {
        std::vector<Array> args;
        for (int k = 0; k < nrhs; ++k) args.push_back(argument(in));
        const mexhost::Outcome o = mexhost::call(p.name, nlhs, args);
        // KX4410_FUZZ_SHOW=1: each call and how it ended, to pick seeds by.
        static const bool show = std::getenv("KX4410_FUZZ_SHOW") != nullptr;
        if (show)
            std::fprintf(stderr, "CALL %s -> %s\n", context.c_str(),
                         !o.raised ? "returned" : p.failedOp(o.message).empty() ? "refused" : "failed");
        checkOutcome(p, nlhs, o);
    }
    check(kxhost_live_arrays() == baseline, "arrays left behind");
    checkFreshSession();
    return 0;
}
