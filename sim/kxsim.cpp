/* The simulated KX4410 board, in the maker's kxdrv library's place: its
 * state, the thirteen driver operations of kxdrv.h and the control port of
 * kxsim.h. How it behaves, its datasheet, is sim/README.md.
 */
#include "kxsim.h"
#include "clock.h"
#include "inputs.h"
#include "log.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <vector>

namespace {

using kxsim::CallLog;
using kxsim::LogEntry;
using kxsim::returnFreedMemory;

enum Op {
    kGetLibraryVersion,
    kOpenDriver,
    kCloseDriver,
    kGetDriverVersion,
    kGetBoardAddress,
    kActivateBoard,
    kGetActiveBoard,
    kWriteAnalogOut,
    kConfigureAnalogIn,
    kReadAnalogIn,
    kDelayMicros,
    kWriteTimerControl,
    kReadTimerCounter,
    kOpCount
};

const char* const kOpNames[kOpCount] = {
    "GetLibraryVersion", "OpenDriver",       "CloseDriver",       "GetDriverVersion",
    "GetBoardAddress",   "ActivateBoard",    "GetActiveBoard",    "WriteAnalogOut",
    "ConfigureAnalogIn", "ReadAnalogIn",     "DelayMicros",       "WriteTimerControl",
    "ReadTimerCounter"};

constexpr KxStatus kNoError = 0;
constexpr KxStatus kDriverHandleError = 1;
constexpr KxStatus kDriverCallError = 2;
constexpr KxStatus kConfigCodeError = 5;
constexpr KxStatus kFindBoardError = 11;
constexpr KxStatus kAdChannelError = 12;
constexpr KxStatus kDaChannelError = 13;
constexpr KxStatus kInvalidateDelay = 14;
constexpr KxStatus kInvalidateData = 16;
constexpr KxStatus kExceedBoardNumber = 19;
constexpr KxStatus kNotFoundBoard = 20;

// NaN: a bulk log read's argument that the call did not pass, the level of
// a channel that has none.
constexpr double kAbsent = std::numeric_limits<double>::quiet_NaN();

// What a counter read answers when no counter is addressed.
constexpr uint32_t kNoCounter = 0xFFFF;
constexpr int kAdChannels = 16;
constexpr int kCounters = 3;
constexpr int64_t kTickNs = 125;

struct Range {
    double lo, hi;
};

const Range kRanges[12] = {{-10, 10}, {-5, 5},   {-2.5, 2.5}, {-1.25, 1.25},
                           {-1, 1},   {-0.5, 0.5}, {0, 10},   {0, 5},
                           {0, 2.5},  {0, 1.25},   {0, 1},    {0, 0.5}};

struct Counter {
    bool programmed = false;
    int64_t initial = 0;  // 2..65536, even
    int64_t startNs = 0;
};

struct Injection {
    Op op;
    int remaining;
    double value;
};

// Queued readings; types of this file's own, so that no container code is
// exported beside the driver's operations.
struct Volts {
    double value;
};

struct Count {
    uint32_t value;
};

struct State {
    bool open = false;
    uint16_t boards = 1;
    int32_t active = -1;
    uint16_t libraryVersion = 0x01A0;
    uint16_t driverVersion = 0x0203;

    int32_t da[2] = {2047, 2047};
    int32_t adConfig[kAdChannels] = {};
    int32_t adChannel = 0;
    Counter counters[kCounters];

    kxsim::BoardClock clock;
    int64_t cost[kOpCount] = {0, 0, 0, 0, 0, 0, 0, 2000, 2000, 10000, 0, 1000, 1000};

    double gain = 1.0;
    double tau = 0.05;
    double plantY = 0.0;
    int64_t plantNs = 0;  // board time the plant output belongs to
    double level[kAdChannels] = {};
    kxsim::Inputs inputs;

    std::deque<Volts> adQueue[kAdChannels];
    std::deque<Count> timerQueue;
    std::vector<Injection> injections;
    CallLog log;
    bool logging = true;
};

State g;

int opByName(const char* name) {
    if (name == nullptr) return -1;
    for (int i = 0; i < kOpCount; ++i)
        if (std::strcmp(name, kOpNames[i]) == 0) return i;
    return -1;
}

struct Span {
    double lo, hi;
    const char* valueIs;  // an injected value outside it is refused so
};

// What an operation's result type holds: a status word, GetLibraryVersion's
// version word, GetActiveBoard's signed board and ReadTimerCounter's 32 bits.
Span resultSpan(Op op) {
    if (op == kGetActiveBoard)
        return {-2147483648.0, 2147483647.0,
                "value is GetActiveBoard's board number: a whole number from -2147483648 to "
                "2147483647"};
    if (op == kReadTimerCounter)
        return {0, 4294967295.0,
                "value is ReadTimerCounter's 32-bit reading: a whole number from 0 to 4294967295"};
    if (op == kGetLibraryVersion)
        return {0, 65535, "value is GetLibraryVersion's version word: a whole number from 0 to 65535"};
    return {0, 65535, "value is the operation's status word: a whole number from 0 to 65535"};
}

bool wholeIn(double v, Span s) { return v >= s.lo && v <= s.hi && v == std::trunc(v); }

// Exact: an injected value is a whole number in its type's range.
uint16_t asU16(double v) { return static_cast<uint16_t>(v); }
uint32_t asU32(double v) { return static_cast<uint32_t>(v); }
int32_t asI32(double v) { return static_cast<int32_t>(v); }

float asFloat(double v) {
    if (v > FLT_MAX) return HUGE_VALF;
    if (v < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(v);
}

double daVolts(int32_t code) { return code / 204.75 - 10.0; }

uint16_t boardAddress(int32_t board) {
    return static_cast<uint16_t>(0xE000u + 0x100u * static_cast<uint32_t>(board));
}

int64_t nowNs() { return g.clock.now(); }

// The plant's exact solution for u held constant since plantNs.
void settlePlant(int64_t t) {
    if (t <= g.plantNs) return;
    const double dt = static_cast<double>(t - g.plantNs) * 1e-9;
    const double target = g.gain * daVolts(g.da[0]);
    g.plantY += (target - g.plantY) * -std::expm1(-dt / g.tau);
    g.plantNs = t;
}

void spend(Op op) { g.clock.advance(g.cost[op]); }

// Counts down op's injections; true and the value when this call is hit.
bool injected(Op op, double* value) {
    bool hit = false;
    for (Injection& i : g.injections) {
        if (i.op != op) continue;
        if (--i.remaining == 0) {
            hit = true;
            *value = i.value;
        }
    }
    if (hit) {
        std::vector<Injection> left;
        for (const Injection& i : g.injections)
            if (i.remaining > 0) left.push_back(i);
        g.injections.swap(left);
    }
    return hit;
}

template <class R, class... A>
R logged(Op op, R result, A... args) {
    static_assert(sizeof...(A) <= 4, "at most 4 logged arguments");
    if (!g.logging) return result;
    // Written field by field where it stays: no entry is built and copied.
    if (LogEntry* e = g.log.claim()) {
        int i = 0;
        ((e->args[i++] = static_cast<int32_t>(args)), ...);
        e->result = static_cast<uint32_t>(result);
        e->op = static_cast<uint8_t>(op);
        e->argCount = static_cast<uint8_t>(sizeof...(A));
    }
    return result;
}

KxStatus openCheck() { return g.open ? kNoError : kDriverHandleError; }

KxStatus boardCheck() {
    if (!g.open) return kDriverHandleError;
    return g.active < 0 ? kNotFoundBoard : kNoError;
}

bool boardInRange(int32_t board) { return board >= 0 && board < static_cast<int32_t>(g.boards); }

bool configValid(int32_t config) {
    return (config >= 0 && config <= 11) || (config >= 16 && config <= 27);
}

// What the board wires to an AD channel.
double wire(int channel) {
    if (channel == 0) {
        settlePlant(nowNs());
        return g.plantY;
    }
    if (channel == 1) return daVolts(g.da[1]);
    return g.level[channel];
}

double signal(int channel) {
    if (!g.inputs.used(channel)) return wire(channel);
    return g.inputs.read(channel, nowNs(), g.inputs.placed(channel) ? 0.0 : wire(channel));
}

// A refusal's text where the caller asked for it, and the control port's -1.
int refused(const char* why, const char** out) {
    if (why == nullptr) return 0;
    if (out) *out = why;
    return -1;
}

double quantised(double v, int32_t config) {
    const Range r = kRanges[config % 16];
    if (!(v >= r.lo)) v = r.lo;
    if (v > r.hi) v = r.hi;
    const double code = std::round((v - r.lo) / (r.hi - r.lo) * 4095.0);
    return r.lo + code * (r.hi - r.lo) / 4095.0;
}

uint32_t counterValue(const Counter& c) {
    if (!c.programmed) return 0;
    const int64_t elapsed = nowNs() - c.startNs;
    const int64_t ticks = elapsed > 0 ? elapsed / kTickNs : 0;
    const int64_t value = c.initial - 2 * (ticks % (c.initial / 2));
    return static_cast<uint32_t>(value & 0xFFFF);
}

bool timerArgsValid(uint16_t address, int32_t counter) {
    return address == boardAddress(g.active) && counter >= 0 && counter < kCounters;
}

// A logged result as its operation returned it: GetActiveBoard's signed.
double resultOf(const LogEntry& e) {
    return e.op == kGetActiveBoard ? static_cast<double>(static_cast<int32_t>(e.result))
                                   : static_cast<double>(e.result);
}

}  // namespace

extern "C" {

uint16_t KXDRV_CALL GetLibraryVersion(void) {
    double v = 0;
    if (injected(kGetLibraryVersion, &v)) return logged(kGetLibraryVersion, asU16(v));
    spend(kGetLibraryVersion);
    return logged(kGetLibraryVersion, g.libraryVersion);
}

KxStatus KXDRV_CALL OpenDriver(uint16_t* boardCount) {
    double v = 0;
    if (injected(kOpenDriver, &v)) return logged(kOpenDriver, asU16(v));
    if (g.boards == 0) {
        if (boardCount) *boardCount = 0;
        return logged(kOpenDriver, kFindBoardError);
    }
    spend(kOpenDriver);
    g.open = true;
    if (boardCount) *boardCount = g.boards;
    return logged(kOpenDriver, kNoError);
}

KxStatus KXDRV_CALL CloseDriver(void) {
    double v = 0;
    if (injected(kCloseDriver, &v)) return logged(kCloseDriver, asU16(v));
    if (KxStatus s = openCheck()) return logged(kCloseDriver, s);
    spend(kCloseDriver);
    g.open = false;
    g.active = -1;
    return logged(kCloseDriver, kNoError);
}

KxStatus KXDRV_CALL GetDriverVersion(uint16_t* version) {
    double v = 0;
    if (injected(kGetDriverVersion, &v)) return logged(kGetDriverVersion, asU16(v));
    if (KxStatus s = openCheck()) return logged(kGetDriverVersion, s);
    spend(kGetDriverVersion);
    if (version) *version = g.driverVersion;
    return logged(kGetDriverVersion, kNoError);
}

KxStatus KXDRV_CALL GetBoardAddress(int32_t board, uint16_t* address, uint16_t* irq,
                                    uint16_t* bus, uint16_t* slot) {
    double v = 0;
    if (injected(kGetBoardAddress, &v)) return logged(kGetBoardAddress, asU16(v), board);
    if (KxStatus s = openCheck()) return logged(kGetBoardAddress, s, board);
    if (!boardInRange(board)) return logged(kGetBoardAddress, kExceedBoardNumber, board);
    spend(kGetBoardAddress);
    const uint32_t b = static_cast<uint32_t>(board);
    if (address) *address = boardAddress(board);
    if (irq) *irq = static_cast<uint16_t>(10u + b);
    if (bus) *bus = 0;
    if (slot) *slot = static_cast<uint16_t>(3u + b);
    return logged(kGetBoardAddress, kNoError, board);
}

KxStatus KXDRV_CALL ActivateBoard(int32_t board) {
    double v = 0;
    if (injected(kActivateBoard, &v)) return logged(kActivateBoard, asU16(v), board);
    if (KxStatus s = openCheck()) return logged(kActivateBoard, s, board);
    if (!boardInRange(board)) return logged(kActivateBoard, kExceedBoardNumber, board);
    spend(kActivateBoard);
    g.active = board;
    return logged(kActivateBoard, kNoError, board);
}

int32_t KXDRV_CALL GetActiveBoard(void) {
    double v = 0;
    if (injected(kGetActiveBoard, &v)) return logged(kGetActiveBoard, asI32(v));
    spend(kGetActiveBoard);
    return logged(kGetActiveBoard, g.active);
}

KxStatus KXDRV_CALL WriteAnalogOut(int32_t channel, int32_t code) {
    double v = 0;
    if (injected(kWriteAnalogOut, &v)) return logged(kWriteAnalogOut, asU16(v), channel, code);
    if (KxStatus s = boardCheck()) return logged(kWriteAnalogOut, s, channel, code);
    if (channel < 0 || channel > 1)
        return logged(kWriteAnalogOut, kDaChannelError, channel, code);
    if (code < 0 || code > 4095) return logged(kWriteAnalogOut, kInvalidateData, channel, code);
    spend(kWriteAnalogOut);
    if (channel == 0) settlePlant(nowNs());
    g.da[channel] = code;
    g.inputs.written(channel, nowNs(), daVolts(code));
    return logged(kWriteAnalogOut, kNoError, channel, code);
}

KxStatus KXDRV_CALL ConfigureAnalogIn(int32_t channel, int32_t config) {
    double v = 0;
    if (injected(kConfigureAnalogIn, &v))
        return logged(kConfigureAnalogIn, asU16(v), channel, config);
    if (KxStatus s = boardCheck()) return logged(kConfigureAnalogIn, s, channel, config);
    if (channel < 0 || channel >= kAdChannels)
        return logged(kConfigureAnalogIn, kAdChannelError, channel, config);
    if (!configValid(config)) return logged(kConfigureAnalogIn, kConfigCodeError, channel, config);
    spend(kConfigureAnalogIn);
    g.adConfig[channel] = config;
    g.adChannel = channel;
    return logged(kConfigureAnalogIn, kNoError, channel, config);
}

KxStatus KXDRV_CALL ReadAnalogIn(float* volts) {
    double v = 0;
    if (injected(kReadAnalogIn, &v)) return logged(kReadAnalogIn, asU16(v));
    if (KxStatus s = boardCheck()) return logged(kReadAnalogIn, s);
    spend(kReadAnalogIn);
    const int ch = g.adChannel;
    float reading = 0;
    if (!g.adQueue[ch].empty()) {
        reading = asFloat(g.adQueue[ch].front().value);
        g.adQueue[ch].pop_front();
    } else {
        reading = asFloat(quantised(signal(ch), g.adConfig[ch]));
    }
    if (volts) *volts = reading;
    return logged(kReadAnalogIn, kNoError);
}

KxStatus KXDRV_CALL DelayMicros(int32_t micros) {
    // The wait counts from the call, before its checks.
    const int64_t start = nowNs();
    double v = 0;
    if (injected(kDelayMicros, &v)) return logged(kDelayMicros, asU16(v), micros);
    if (KxStatus s = openCheck()) return logged(kDelayMicros, s, micros);
    if (micros < 0 || micros > 8191) return logged(kDelayMicros, kInvalidateDelay, micros);
    // Logged before it waits, so that only the way back is left after it.
    logged(kDelayMicros, kNoError, micros);
    g.clock.wait(start, static_cast<int64_t>(micros) * 1000);
    return kNoError;
}

KxStatus KXDRV_CALL WriteTimerControl(uint16_t address, int32_t counter, int32_t control,
                                      int32_t count) {
    double v = 0;
    if (injected(kWriteTimerControl, &v))
        return logged(kWriteTimerControl, asU16(v), address, counter, control, count);
    if (KxStatus s = boardCheck())
        return logged(kWriteTimerControl, s, address, counter, control, count);
    if (!timerArgsValid(address, counter))
        return logged(kWriteTimerControl, kDriverCallError, address, counter, control, count);
    spend(kWriteTimerControl);
    Counter& c = g.counters[counter];
    int64_t n = static_cast<int64_t>(static_cast<uint32_t>(count) & 0xFFFFu);
    if (n == 0) n = 65536;
    n &= ~int64_t{1};
    c.programmed = true;
    c.initial = n < 2 ? 2 : n;
    c.startNs = nowNs();
    return logged(kWriteTimerControl, kNoError, address, counter, control, count);
}

uint32_t KXDRV_CALL ReadTimerCounter(uint16_t address, int32_t counter, int32_t latch) {
    double v = 0;
    if (injected(kReadTimerCounter, &v))
        return logged(kReadTimerCounter, asU32(v), address, counter, latch);
    if (boardCheck() != kNoError || !timerArgsValid(address, counter))
        return logged(kReadTimerCounter, kNoCounter, address, counter, latch);
    spend(kReadTimerCounter);
    uint32_t value = 0;
    if (!g.timerQueue.empty()) {
        value = g.timerQueue.front().value;
        g.timerQueue.pop_front();
    } else {
        value = counterValue(g.counters[counter]);
    }
    return logged(kReadTimerCounter, value, address, counter, latch);
}

void kxsim_reset(void) {
    g = State{};
    returnFreedMemory();
}

void kxsim_set_clock(int real) {
    const int64_t shift = nowNs();
    settlePlant(shift);
    g.plantNs -= shift;
    g.inputs.shift(shift);
    for (Counter& c : g.counters) c.startNs -= shift;
    g.clock.choose(real != 0);
}

int kxsim_clock_is_real(void) { return g.clock.real() ? 1 : 0; }

double kxsim_now(void) { return static_cast<double>(nowNs()) * 1e-9; }

int64_t kxsim_now_ns(void) { return nowNs(); }

void kxsim_set_boards(int count) {
    g.boards = static_cast<uint16_t>(count < 0 ? 0 : count > 0xFFFF ? 0xFFFF : count);
}

void kxsim_set_versions(uint16_t library, uint16_t driver) {
    g.libraryVersion = library;
    g.driverVersion = driver;
}

int kxsim_set_cost(const char* op, int64_t nanoseconds) {
    const int i = opByName(op);
    if (i < 0 || i == kDelayMicros || nanoseconds < 0) return -1;
    g.cost[i] = nanoseconds;
    return 0;
}

void kxsim_zero_costs(void) {
    for (int64_t& c : g.cost) c = 0;
}

int kxsim_inject(const char* op, int n, double value) { return kxsim_inject_why(op, n, value, nullptr); }

int kxsim_inject_why(const char* op, int n, double value, const char** why) {
    const int i = opByName(op);
    if (i < 0 || n < 1) return -1;
    const Span span = resultSpan(static_cast<Op>(i));
    if (!wholeIn(value, span)) return refused(span.valueIs, why);
    if (g.injections.size() >= KXSIM_MAX_INJECTIONS)
        return refused("1000 injections are pending already, the most the board holds", why);
    g.injections.push_back(Injection{static_cast<Op>(i), n, value});
    return 0;
}

size_t kxsim_injections_pending(void) { return g.injections.size(); }

int kxsim_queue_ad(int channel, const double* volts, size_t count) {
    if (channel < 0 || channel >= kAdChannels) return -1;
    if (count == 0) return 0;
    if (volts == nullptr || count > KXSIM_MAX_QUEUED - g.adQueue[channel].size()) return -1;
    for (size_t i = 0; i < count; ++i)
        if (std::isfinite(volts[i]) && std::fabs(volts[i]) > FLT_MAX) return -1;
    for (size_t i = 0; i < count; ++i) g.adQueue[channel].push_back(Volts{volts[i]});
    return 0;
}

int kxsim_queue_timer(const double* counts, size_t count) {
    if (count == 0) return 0;
    if (counts == nullptr || count > KXSIM_MAX_QUEUED - g.timerQueue.size()) return -1;
    for (size_t i = 0; i < count; ++i)
        if (!wholeIn(counts[i], resultSpan(kReadTimerCounter))) return -1;
    for (size_t i = 0; i < count; ++i) g.timerQueue.push_back(Count{asU32(counts[i])});
    return 0;
}

size_t kxsim_ad_queued(int channel) {
    return channel >= 0 && channel < kAdChannels ? g.adQueue[channel].size() : 0;
}

size_t kxsim_timer_queued(void) { return g.timerQueue.size(); }

int kxsim_da(int channel) { return channel == 0 || channel == 1 ? g.da[channel] : -1; }

int kxsim_ad_config(int channel) {
    return channel >= 0 && channel < kAdChannels ? g.adConfig[channel] : -1;
}

int kxsim_ad_channel(void) { return g.adChannel; }

int kxsim_driver_open(void) { return g.open ? 1 : 0; }

int kxsim_active_board(void) { return g.active; }

int kxsim_set_plant(double gain, double tau) {
    if (!std::isfinite(gain) || !std::isfinite(tau) || tau <= 0) return -1;
    settlePlant(nowNs());
    g.gain = gain;
    g.tau = tau;
    return 0;
}

int kxsim_set_level(int channel, double volts) {
    if (channel < 2 || channel >= kAdChannels || !std::isfinite(volts)) return -1;
    g.level[channel] = volts;
    return 0;
}

double kxsim_level(int channel) {
    return channel >= 2 && channel < kAdChannels ? g.level[channel] : kAbsent;
}

double kxsim_plant_output(void) {
    settlePlant(nowNs());
    return g.plantY;
}

int kxsim_set_tf(int da, int ad, const double* num, size_t numCount, const double* den,
                 size_t denCount, double delay, const char** why) {
    const double volts = da == 0 || da == 1 ? daVolts(g.da[da]) : 0.0;
    return refused(
        g.inputs.place(da, ad, num, numCount, den, denCount, delay, nowNs(), volts), why);
}

int kxsim_set_lab(const char* name, int da, int ad, const char** why) {
    const double volts = da == 0 || da == 1 ? daVolts(g.da[da]) : 0.0;
    return refused(g.inputs.placeLab(name, da, ad, nowNs(), volts), why);
}

int kxsim_remove_plant(int ad, const char** why) { return refused(g.inputs.remove(ad), why); }

int kxsim_set_limits(int ad, double lo, double hi, const char** why) {
    return refused(g.inputs.limit(ad, lo, hi), why);
}

int kxsim_set_signal(int channel, const char* kind, double amplitude, double frequency,
                     double phase, double offset, const char** why) {
    return refused(g.inputs.source(channel, kind, amplitude, frequency, phase, offset, nowNs()),
                   why);
}

int kxsim_set_noise(int channel, double sigma, uint64_t seed, const char** why) {
    return refused(g.inputs.noise(channel, sigma, seed, nowNs()), why);
}

double kxsim_analog(int channel) {
    if (channel < 0 || channel >= kAdChannels) return std::numeric_limits<double>::quiet_NaN();
    return signal(channel);
}

size_t kxsim_log_size(void) { return g.log.size(); }

int kxsim_log_entry(size_t index, const char** op, double args[4], int* argCount,
                    double* result) {
    if (index >= g.log.size()) return -1;
    const LogEntry& e = g.log.at(index);
    if (op) *op = kOpNames[e.op];
    if (args)
        for (int i = 0; i < 4; ++i) args[i] = i < e.argCount ? e.args[i] : 0.0;
    if (argCount) *argCount = e.argCount;
    if (result) *result = resultOf(e);
    return 0;
}

size_t kxsim_log_entries(size_t first, uint8_t ops[KXSIM_LOG_BLOCK],
                         uint8_t argCounts[KXSIM_LOG_BLOCK], double args[4 * KXSIM_LOG_BLOCK],
                         double results[KXSIM_LOG_BLOCK]) {
    const size_t size = g.log.size();
    if (first >= size) return 0;
    const size_t n = size - first < KXSIM_LOG_BLOCK ? size - first : KXSIM_LOG_BLOCK;
    for (size_t k = 0; k < n; ++k) {
        const LogEntry& e = g.log.at(first + k);
        if (ops) ops[k] = e.op;
        if (argCounts) argCounts[k] = e.argCount;
        if (args)
            for (int i = 0; i < 4; ++i)
                args[4 * k + i] = i < e.argCount ? static_cast<double>(e.args[i]) : kAbsent;
        if (results) results[k] = resultOf(e);
    }
    return n;
}

int kxsim_op_name(int op, const char** name) {
    if (op < 0 || op >= kOpCount) return -1;
    if (name) *name = kOpNames[op];
    return 0;
}

void kxsim_clear_log(void) {
    g.log = CallLog(g.log.capacity());
    returnFreedMemory();
}

void kxsim_set_log_capacity(size_t entries) {
    g.log = g.log.resized(entries);
    returnFreedMemory();
}

size_t kxsim_log_capacity(void) { return g.log.capacity(); }

uint64_t kxsim_log_dropped(void) { return g.log.dropped(); }

void kxsim_set_logging(int on) { g.logging = on != 0; }

const char* kxsim_unreachable(void) { return nullptr; }

}  // extern "C"
