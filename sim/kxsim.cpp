/* The simulated KX4410 board, in the maker's kxdrv library's place: its
 * state, the thirteen driver operations of kxdrv.h and the control port of
 * kxsim.h. How it behaves, its datasheet, is sim/README.md.
 */
#include "kxsim.h"

#include <algorithm>
#include <chrono>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#if defined(_WIN32)
#include <thread>
#else
#include <cerrno>
#include <ctime>
#endif

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

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

// What a counter read answers when no counter is addressed.
constexpr uint32_t kNoCounter = 0xFFFF;
constexpr int kAdChannels = 16;
constexpr int kCounters = 3;
constexpr int64_t kTickNs = 125;
constexpr double kFirstSpinMarginNs = 200e3;
constexpr double kLongestSpinMarginNs = 2 * 8191e3;
constexpr double kMarginMemoryNs = 16e9;
constexpr int64_t kLateWaitNs = 10000;
constexpr int64_t kColdAfterNs = 2000000;

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

// One logged call. Every argument the operations take is a 16- or 32-bit
// integer, and so is every result: the entry stores them as they were
// passed and returned (GetActiveBoard's result signed, every other unsigned).
struct LogEntry {
    int32_t args[4];
    uint32_t result;
    uint8_t op;
    uint8_t argCount;
};
static_assert(sizeof(LogEntry) <= 32, "a log entry is at most 32 bytes");

// The call log: the latest calls, at most capacity of them, in a ring of
// entries stored in chunks. A chunk is allocated when the ring first
// reaches it, so no logged call moves or copies kept entries, and the
// memory follows what is kept. Older entries are overwritten and counted
// as dropped.
class CallLog {
public:
    static constexpr size_t kDefaultCapacity = 1000000;
    // About 100 GB of entries: no capacity needs a larger chunk table.
    static constexpr size_t kMaxCapacity =
        static_cast<uint64_t>(SIZE_MAX / sizeof(LogEntry)) < (uint64_t{1} << 32)
            ? SIZE_MAX / sizeof(LogEntry)
            : static_cast<size_t>((uint64_t{1} << 32) - 1);

    CallLog() : CallLog(kDefaultCapacity) {}
    explicit CallLog(size_t capacity)
        : capacity_(capacity < kMaxCapacity ? capacity : kMaxCapacity),
          chunks_((capacity_ + kChunk - 1) / kChunk) {}

    // The entry the next call is written to, in place; null for a log that
    // keeps nothing. Within a chunk that is all a call does.
    LogEntry* claim() {
        if (cursor_ == chunkEnd_) return nextChunk();
        ++total_;
        return cursor_++;
    }

    size_t size() const { return total_ < capacity_ ? static_cast<size_t>(total_) : capacity_; }
    size_t capacity() const { return capacity_; }
    uint64_t dropped() const { return droppedBefore_ + (total_ - size()); }

    // Entry index of those kept, oldest first; index < size().
    const LogEntry& at(size_t index) const {
        size_t slot = (total_ < capacity_ ? 0 : static_cast<size_t>(total_ % capacity_)) + index;
        if (slot >= capacity_) slot -= capacity_;
        return chunks_[slot / kChunk][slot % kChunk];
    }

    // The same calls in a log of another capacity: the latest that fit,
    // the others counted as dropped.
    CallLog resized(size_t capacity) const {
        CallLog log(capacity);
        const size_t kept = size() < log.capacity_ ? size() : log.capacity_;
        for (size_t i = size() - kept; i < size(); ++i) *log.claim() = at(i);
        log.droppedBefore_ = dropped() + (size() - kept);
        return log;
    }

private:
    // 8192 entries of 24 bytes: a chunk large enough to come from its own
    // mapping, which freeing it returns.
    static constexpr size_t kChunk = 8192;

    // Moves on to the chunk of the next slot, allocating it the first time.
    LogEntry* nextChunk() {
        ++total_;
        if (capacity_ == 0) return nullptr;
        const size_t slot = static_cast<size_t>((total_ - 1) % capacity_);
        const size_t c = slot / kChunk;
        const size_t length = capacity_ - c * kChunk < kChunk ? capacity_ - c * kChunk : kChunk;
        if (!chunks_[c]) chunks_[c].reset(new LogEntry[length]);
        cursor_ = chunks_[c].get() + slot % kChunk;
        chunkEnd_ = chunks_[c].get() + length;
        return cursor_++;
    }

    size_t capacity_;
    std::vector<std::unique_ptr<LogEntry[]>> chunks_;
    LogEntry* cursor_ = nullptr;    // the next call's entry
    LogEntry* chunkEnd_ = nullptr;  // the end of its chunk
    uint64_t total_ = 0;            // calls logged since the log began
    uint64_t droppedBefore_ = 0;    // dropped by an earlier log of other capacity
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

    bool real = false;
    int64_t virtualNs = 0;
    Clock::time_point epoch = Clock::now();
    int64_t cost[kOpCount] = {0, 0, 0, 0, 0, 0, 0, 2000, 2000, 10000, 0, 1000, 1000};

    double gain = 1.0;
    double tau = 0.05;
    double plantY = 0.0;
    int64_t plantNs = 0;  // board time the plant output belongs to
    double level[kAdChannels] = {};

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

// Truncation toward zero, then the low bits of the result type.
uint64_t wrapped(double v) {
    if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) return 0;
    return static_cast<uint64_t>(static_cast<int64_t>(v));
}

uint16_t asU16(double v) { return static_cast<uint16_t>(wrapped(v)); }
uint32_t asU32(double v) { return static_cast<uint32_t>(wrapped(v)); }
int32_t asI32(double v) {
    const int64_t low = static_cast<int64_t>(wrapped(v) & 0xFFFFFFFFu);
    return static_cast<int32_t>(low >= 0x80000000LL ? low - 0x100000000LL : low);
}

float asFloat(double v) {
    if (v > FLT_MAX) return HUGE_VALF;
    if (v < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(v);
}

double daVolts(int32_t code) { return code / 204.75 - 10.0; }

uint16_t boardAddress(int32_t board) {
    return static_cast<uint16_t>(0xE000u + 0x100u * static_cast<uint32_t>(board));
}

int64_t nowNs() {
    if (!g.real) return g.virtualNs;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - g.epoch).count();
}

// The plant's exact solution for u held constant since plantNs.
void settlePlant(int64_t t) {
    if (t <= g.plantNs) return;
    const double dt = static_cast<double>(t - g.plantNs) * 1e-9;
    const double target = g.gain * daVolts(g.da[0]);
    g.plantY += (target - g.plantY) * -std::expm1(-dt / g.tau);
    g.plantNs = t;
}

void spinUntil(int64_t t) {
    while (nowNs() < t) {
    }
}

// How long before a real-clock wait's deadline its sleep ends (CLOCK).
// Not board state: it describes how this machine's sleeps wake.
double spinMarginNs = kFirstSpinMarginNs;

// Sleeps until board time t, or a little later: the wake-up's lateness is
// the caller's to measure.
void sleepUntil(int64_t t) {
#if defined(_WIN32)
    std::this_thread::sleep_until(g.epoch + std::chrono::nanoseconds(t));
#else
    // To the same instant on the monotonic clock, as an absolute time: a
    // sleep that starts late still ends on time.
    timespec wake{};
    clock_gettime(CLOCK_MONOTONIC, &wake);
    const int64_t ns = static_cast<int64_t>(wake.tv_nsec) + (t - nowNs());
    wake.tv_sec += static_cast<time_t>(ns / 1000000000);
    wake.tv_nsec = static_cast<long>(ns % 1000000000);
    if (wake.tv_nsec < 0) {
        wake.tv_nsec += 1000000000;
        wake.tv_sec -= 1;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
#endif
}

// The margin is fitted to how late waits end, in two ways:
//   - a sleep that wakes L late raises it to 2 L at once: where sleeps wake
//     on time, a wait sleeps all but twice their lateness;
//   - a wait that slept and still ended more than 10 us late raises it to
//     twice the longest wait: on a virtual machine a thread that slept is
//     interrupted at its deadline more often than one that kept spinning
//     (twice as often here, by tens of us to milliseconds), and there only
//     spinning keeps time.
// Every wait lets wait / 16 s of it go, half in 11 s of waiting, so that
// sleeping is tried again now and then. A wait no longer than the margin
// only spins.
//
// On a virtual machine a caller comes back from a wait of milliseconds,
// spun or slept, to code gone cold: the host took its translations and cache
// lines meanwhile, and the way back cost 1-2 us after the wait had ended.
// The spin of a wait that long keeps the caller's next instructions warm by
// touching them. (Not of a shorter one: there the code stays warm, and
// touching it as data cost the way back some 10 ns.)
void waitUntil(int64_t start, int64_t deadline, const void* caller) {
    spinMarginNs -= spinMarginNs * static_cast<double>(deadline - start) * (1 / kMarginMemoryNs);
    const int64_t wake = deadline - static_cast<int64_t>(spinMarginNs);
    int64_t now = nowNs();
    const bool sleeps = wake > now;
    if (sleeps) {
        sleepUntil(wake);
        now = nowNs();
        const double late = static_cast<double>(now - wake);
        spinMarginNs = std::max(spinMarginNs, std::min(2 * late, kLongestSpinMarginNs));
    }
#if defined(__GNUC__)
    if (deadline - start > kColdAfterNs) {
        while (now < deadline) {
            __builtin_prefetch(caller);
            now = nowNs();
        }
    }
#else
    (void)caller;
#endif
    while (now < deadline) now = nowNs();
    if (sleeps && now - deadline > kLateWaitNs) spinMarginNs = kLongestSpinMarginNs;
}

void advance(int64_t ns) {
    if (ns <= 0) return;
    if (g.real) {
        spinUntil(nowNs() + ns);
        return;
    }
    g.virtualNs = ns > INT64_MAX - g.virtualNs ? INT64_MAX : g.virtualNs + ns;
}

void spend(Op op) { advance(g.cost[op]); }

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

// Freed log chunks go back to the system, not only to the allocator.
void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
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

double signal(int channel) {
    if (channel == 0) {
        settlePlant(nowNs());
        return g.plantY;
    }
    if (channel == 1) return daVolts(g.da[1]);
    return g.level[channel];
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

// DelayMicros from its start on board time. Out of line, so that
// DelayMicros reads the clock before this frame is set up.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
KxStatus delay(int64_t start, int32_t micros) {
    double v = 0;
    if (injected(kDelayMicros, &v)) return logged(kDelayMicros, asU16(v), micros);
    if (KxStatus s = openCheck()) return logged(kDelayMicros, s, micros);
    if (micros < 0 || micros > 8191) return logged(kDelayMicros, kInvalidateDelay, micros);
    const int64_t wait = static_cast<int64_t>(micros) * 1000;
    // Logged before it waits, so that only the way back is left after it.
    logged(kDelayMicros, kNoError, micros);
    if (g.real) {
#if defined(__GNUC__)
        waitUntil(start, start + wait, __builtin_return_address(0));
#else
        waitUntil(start, start + wait, nullptr);
#endif
    } else {
        advance(wait);
    }
    return kNoError;
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

// The wait counts from the call: its clock is read before anything else.
KxStatus KXDRV_CALL DelayMicros(int32_t micros) { return delay(nowNs(), micros); }

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
    for (Counter& c : g.counters) c.startNs -= shift;
    g.real = real != 0;
    g.virtualNs = 0;
    g.epoch = Clock::now();
}

int kxsim_clock_is_real(void) { return g.real ? 1 : 0; }

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

int kxsim_inject(const char* op, int n, double value) {
    const int i = opByName(op);
    if (i < 0 || n < 1) return -1;
    g.injections.push_back(Injection{static_cast<Op>(i), n, value});
    return 0;
}

int kxsim_queue_ad(int channel, const double* volts, size_t count) {
    if (channel < 0 || channel >= kAdChannels) return -1;
    if (volts == nullptr && count > 0) return -1;
    for (size_t i = 0; i < count; ++i) g.adQueue[channel].push_back(Volts{volts[i]});
    return 0;
}

void kxsim_queue_timer(const double* counts, size_t count) {
    if (counts == nullptr) return;
    for (size_t i = 0; i < count; ++i) g.timerQueue.push_back(Count{asU32(counts[i])});
}

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
    if (channel < 2 || channel >= kAdChannels || std::isnan(volts)) return -1;
    g.level[channel] = volts;
    return 0;
}

double kxsim_plant_output(void) {
    settlePlant(nowNs());
    return g.plantY;
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
    if (result)
        *result = e.op == kGetActiveBoard ? static_cast<double>(static_cast<int32_t>(e.result))
                                          : static_cast<double>(e.result);
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
