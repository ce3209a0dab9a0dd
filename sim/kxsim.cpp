/* The simulated KX4410 board: a stand-in for the maker's kxdrv library.
 *
 * It exports the thirteen driver operations of kxdrv.h and the control port
 * of kxsim.h. All plug-ins loaded into one process share this library, and
 * with it one driver session, as they share the real driver. The library is
 * linked with -z nodelete: a host that unloads its plug-ins (Octave's
 * "clear all") must not end the session, since a real driver's would live on.
 *
 * SETTINGS AND DEFAULTS (power-on, and after kxsim_reset)
 *
 *   driver                 closed; one board found by OpenDriver
 *   active board           none (-1)
 *   library version        0x01A0 (GetLibraryVersion)
 *   driver version         0x0203 (GetDriverVersion)
 *   DA codes               2047 on both channels (-0.00244 V)
 *   AD configuration       code 0 (+-10 V) on every channel; channel 0 selected
 *   timer                  counters 0-2 unprogrammed, reading 0
 *   clock                  virtual, at 0 ns
 *   plant                  gain 1, time constant 0.05 s, output 0 V
 *   levels                 0 V on AD channels 2-15
 *   log                    empty, logging on, capacity 1000000 entries
 *   queues, injections     empty
 *
 * STATUS WORDS, checked in this order: driver open, active board, then the
 * arguments from left to right. The first failing check answers.
 *
 *   check                                        status
 *   driver not open                              1  DriverHandleError
 *     (every operation with a status word but OpenDriver; GetLibraryVersion
 *     and GetActiveBoard work with the driver closed)
 *   no active board                              20 NotFoundBoard
 *     (WriteAnalogOut, ConfigureAnalogIn, ReadAnalogIn, WriteTimerControl)
 *   OpenDriver finds no board                    11 FindBoardError
 *   board < 0 or >= count                        19 ExceedBoardNumber
 *     (ActivateBoard, GetBoardAddress)
 *   AD channel outside 0-15                      12 AdChannelError
 *   configuration code outside 0-11 and 16-27    5  ConfigCodeError
 *   DA channel outside 0-1                       13 DaChannelError
 *   DA code outside 0-4095                       16 InvalidateData
 *   wait below 0 or above 8191 us                14 InvalidateDelay
 *     (DelayMicros needs an open driver only, no active board)
 *   timer address not the active board's,        2  DriverCallError
 *     or counter outside 0-2 (WriteTimerControl)
 *
 *   ReadTimerCounter has no status: with the driver closed, no active board,
 *   a wrong address or a counter outside 0-2 it reads 0xFFFF, as a read
 *   from a port where no counter answers. Its latch argument is not
 *   checked: any value latches.
 *   WriteTimerControl does not check its control word or count.
 *
 * SESSION
 *
 *   OpenDriver writes the board count whenever its output is given. Opening
 *   an open driver succeeds and keeps the active board. Finding no board
 *   answers 11, writes a count of 0 and leaves the session as it was.
 *   CloseDriver answers 0, or 1 if the driver was not open, and deactivates
 *   the board. DA codes, AD configurations, the timer and the plant are
 *   hardware: a closed driver leaves them as they are; only kxsim_reset
 *   brings them back to power-on. GetActiveBoard answers the active board or -1 (also closed).
 *   GetLibraryVersion always answers its version word. GetDriverVersion
 *   needs an open driver and writes nothing otherwise.
 *   GetBoardAddress needs an open driver, not an active board. For board b:
 *     address 0xE000 + 0x100 b, irq 10 + b, bus 0, slot 3 + b
 *   (each its low 16 bits). A null output pointer is never written.
 *
 * CLOCK
 *
 *   Virtual (default): board time in whole nanoseconds, moved only by the
 *   operations. Each operation that passes its checks first advances the
 *   clock by its cost, then acts, so a reading samples at the end of its
 *   conversion. A call that fails its checks, and an injected call, take no
 *   time. DelayMicros advances exactly its wait (us x 1000 ns) and has no
 *   cost of its own. Default costs:
 *
 *     ReadAnalogIn        10000 ns (one conversion of a 100 kS/s board)
 *     WriteAnalogOut       2000 ns
 *     ConfigureAnalogIn    2000 ns
 *     WriteTimerControl    1000 ns
 *     ReadTimerCounter     1000 ns
 *     all others              0 ns
 *
 *   kxsim_set_cost refuses DelayMicros, a negative cost and an unknown name
 *   (-1). The virtual clock saturates at the largest 64-bit count.
 *   Real (kxsim_set_clock(1)): the monotonic clock since it was chosen. A
 *   cost is spent spinning. DelayMicros waits to a deadline fixed as it is
 *   called (call + wait): it sleeps until a spin margin before it, then
 *   spins to it. A sleep wakes late by the kernel's timer slack and the
 *   scheduler's delay, some 50-150 us on a quiet Linux machine, now and then
 *   milliseconds on a virtual or a loaded one, so the margin is fitted to
 *   how late waits end: a sleep that wakes L late raises it to 2 L, and a
 *   wait that slept and still ended over 10 us late raises it to 16382 us,
 *   twice the longest wait; every wait lets wait / 16 s of it go. A wait no
 *   longer than the margin only spins: where sleeping costs waits their
 *   time, as on a virtual machine, nearly every wait only spins. The margin
 *   starts at 200 us and belongs to the machine, not the board: kxsim_reset
 *   keeps it. Every kxsim_set_clock call, either way, restarts board time
 *   at 0; timer and plant carry on seamlessly.
 *
 * TIMER: an 8254 fed by 8 MHz (one tick 125 ns)
 *
 *   WriteTimerControl(address, counter, control, count) programs the
 *   counter at the current board time t0 with N = the count's low 16 bits,
 *   0 meaning 65536. Every control word is taken as 0xB6 would be: mode 3,
 *   binary. An odd N counts as N - 1 (N = 1 as 2); the chip's odd-count
 *   sequence is not modelled. The count is loaded at once, with no load
 *   tick. Mode 3 counts down by 2 per tick and reloads after N/2 ticks: at
 *   board time t, with k = floor((t - t0) / 125 ns),
 *       value = low 16 bits of (N - 2 (k mod N/2)).
 *   For N = 65536 that is 65536 - 2k for k = 1..32767, and 0 (65536 on 16
 *   bits) at k = 0 and at every wrap, every 4.096 ms. With the default
 *   1000 ns read cost, a read right after programming reads 65520.
 *   ReadTimerCounter returns the value as uint32_t. All three counters work
 *   alike; an unprogrammed one reads 0.
 *
 * SIGNALS
 *
 *   DA code to volts: code / 204.75 - 10.
 *   AD 0: a first-order plant driven by DA 0, y' = (K u - y) / tau, solved
 *   exactly for u constant between DA writes. kxsim_set_plant keeps y.
 *   AD 1: the volts of DA 1, wired straight across.
 *   AD 2-15: constant levels (kxsim_set_level; NaN is refused).
 *   Differential codes (16-27) read the same signal as single-ended ones.
 *   A reading is clipped to its range, quantised to 12 bits,
 *       code  = round((v - lo) / (hi - lo) x 4095)
 *       volts = lo + code (hi - lo) / 4095
 *   and delivered as a 32-bit float. Ranges by configuration code:
 *
 *     code  single-ended  differential  range
 *      0        0            16         -10   .. +10   V
 *      1        1            17          -5   .. +5
 *      2        2            18          -2.5 .. +2.5
 *      3        3            19          -1.25.. +1.25
 *      4        4            20          -1   .. +1
 *      5        5            21          -0.5 .. +0.5
 *      6        6            22           0   .. 10
 *      7        7            23           0   .. 5
 *      8        8            24           0   .. 2.5
 *      9        9            25           0   .. 1.25
 *     10       10            26           0   .. 1
 *     11       11            27           0   .. 0.5
 *
 *   ConfigureAnalogIn(channel, code) stores the channel's code and selects
 *   the channel; ReadAnalogIn converts the selected channel in its range.
 *
 * QUEUES
 *
 *   kxsim_queue_ad: the next reads of that channel deliver the queued volts
 *   as they are (as float; neither clipped nor quantised: they are what the
 *   driver is to deliver), then the signal takes over again. A null array
 *   with a nonzero count is refused (-1).
 *   kxsim_queue_timer: the next ReadTimerCounter calls that pass their
 *   checks deliver the queued counts, whatever the counter.
 *   Queued readings still take their operation's cost.
 *
 * INJECTION
 *
 *   kxsim_inject(op, n, value): the n-th next call of op answers value
 *   instead of doing its work: no check, no state change, no output
 *   written, no time. Injections are counted down by every call of their
 *   operation, each on its own; two aimed at the same call: the later one
 *   answers. value becomes the result type by truncation toward zero and
 *   the type's low bits (two's complement): -1 gives 65535 as a status
 *   word, 65537 gives 1, 2^32 + 5 gives 5 as a counter reading. NaN, the
 *   infinities and magnitudes of 2^63 and above give 0.
 *   Result types: uint16_t status, uint16_t GetLibraryVersion, int32_t
 *   GetActiveBoard, uint32_t ReadTimerCounter.
 *
 * CONTROL PORT
 *
 *   kxsim_set_boards takes 0-65535 (the 16-bit count; beyond is clamped)
 *   and leaves an open session and its active board as they are.
 *   kxsim_set_plant and kxsim_set_level take effect at the current board
 *   time; kxsim_plant_output is the plant's unclipped output now.
 *
 * LOG
 *
 *   Every call of the thirteen operations while logging is on, failing and
 *   injected ones included: the operation's name as in kxdrv.h, its integer
 *   inputs (outputs left out: OpenDriver 0, GetBoardAddress 1,
 *   WriteAnalogOut 2, WriteTimerControl 4, ReadTimerCounter 3, DelayMicros
 *   1 argument) and its result as a double (ReadAnalogIn: its status).
 *
 *   capacity               1000000 entries (kxsim_set_log_capacity; 0 keeps
 *                          none; more than 2^32 - 1 is taken as 2^32 - 1,
 *                          on a 32-bit host more than 178956970, as many
 *                          entries as its whole address space, as that)
 *   kept                   the latest calls up to the capacity, oldest
 *                          first (kxsim_log_size, kxsim_log_entry)
 *   dropped                calls logged but no longer kept, since reset or
 *                          clear (kxsim_log_dropped)
 *   entry                  24 bytes: op, argument count, 4 arguments as
 *                          32-bit integers, the result's 32 bits
 *
 *   The entries live in a ring of chunks of 8192 entries (192 KB). A chunk
 *   is allocated when the ring first reaches it, so memory follows what is
 *   kept (up to 24 MB at the default capacity), a logged call never moves
 *   kept entries, and once the ring is full a call only overwrites the
 *   oldest entry. A new capacity keeps the latest entries that fit and
 *   counts the others as dropped. kxsim_clear_log and kxsim_reset free the
 *   chunks and hand the memory back to the system; reset also brings back
 *   the default capacity. Logging off (kxsim_set_logging(0)) logs nothing
 *   and drops nothing.
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
