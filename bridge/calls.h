/* Every call the driver client forwards to the driver server, in one table
 * that both ends are built from.
 *
 *   X(result type, name, (parameters), (arguments), answer)
 *
 * as the call is declared in driver/kxdrv.h or sim/kxsim.h; answer is what
 * the client returns when no server answers (none for a void call). A call
 * is added with one line here: the client defines and exports it, the
 * server binds and answers it, and both ends agree on it by the table's
 * signature (a server built from another table is refused).
 *
 * Arguments travel by their kind (bridge/wire.h): numbers by value, a
 * const char* as text, a const T* followed by a count as that many values,
 * a T* as a value sent and brought back, a const char** as a name brought
 * back. A pointer to several values says how many in wire.h (Extent).
 */
#ifndef KX4410_BRIDGE_CALLS_H
#define KX4410_BRIDGE_CALLS_H

/* The thirteen driver operations, bound by ordinal on Windows. What a dead
 * server answers: status 1 (DriverHandleError), as a closed driver does;
 * GetActiveBoard -1 (no board) and ReadTimerCounter 0xFFFF (no counter), as
 * the simulated board does with its driver closed; GetLibraryVersion 0, no
 * library. */
#define KXBRIDGE_DRIVER_OPERATIONS(X)                                                            \
    X(uint16_t, GetLibraryVersion, (void), (), 0)                                                \
    X(KxStatus, OpenDriver, (uint16_t * boardCount), (boardCount), 1)                            \
    X(KxStatus, CloseDriver, (void), (), 1)                                                      \
    X(KxStatus, GetDriverVersion, (uint16_t * version), (version), 1)                            \
    X(KxStatus, GetBoardAddress,                                                                 \
      (int32_t board, uint16_t * address, uint16_t * irq, uint16_t * bus, uint16_t * slot),      \
      (board, address, irq, bus, slot), 1)                                                       \
    X(KxStatus, ActivateBoard, (int32_t board), (board), 1)                                      \
    X(int32_t, GetActiveBoard, (void), (), -1)                                                   \
    X(KxStatus, WriteAnalogOut, (int32_t channel, int32_t code), (channel, code), 1)             \
    X(KxStatus, ConfigureAnalogIn, (int32_t channel, int32_t config), (channel, config), 1)      \
    X(KxStatus, ReadAnalogIn, (float* volts), (volts), 1)                                        \
    X(KxStatus, DelayMicros, (int32_t micros), (micros), 1)                                      \
    X(KxStatus, WriteTimerControl, (uint16_t address, int32_t counter, int32_t control,          \
                                    int32_t count),                                              \
      (address, counter, control, count), 1)                                                     \
    X(uint32_t, ReadTimerCounter, (uint16_t address, int32_t counter, int32_t latch),            \
      (address, counter, latch), 0xFFFF)

/* The simulated board's control port, bound by name where the server's
 * kxdrv has it. A dead server, or a driver without it, answers -1 where the
 * call has a -1 for refusal or "none", NaN for a time or a level, 0 for a
 * count or a flag, and does nothing for a void call. */
#define KXBRIDGE_CONTROL_PORT(X)                                                                 \
    X(void, kxsim_reset, (void), (), )                                                           \
    X(void, kxsim_set_clock, (int real), (real), )                                               \
    X(int, kxsim_clock_is_real, (void), (), -1)                                                  \
    X(double, kxsim_now, (void), (), kxbridge::kNoNumber)                                        \
    X(int64_t, kxsim_now_ns, (void), (), -1)                                                     \
    X(void, kxsim_set_boards, (int count), (count), )                                            \
    X(void, kxsim_set_versions, (uint16_t library, uint16_t driver), (library, driver), )        \
    X(int, kxsim_set_cost, (const char* op, int64_t nanoseconds), (op, nanoseconds), -1)         \
    X(void, kxsim_zero_costs, (void), (), )                                                      \
    X(int, kxsim_inject, (const char* op, int n, double value), (op, n, value), -1)              \
    X(int, kxsim_inject_why, (const char* op, int n, double value, const char** why),            \
      (op, n, value, why), -1)                                                                   \
    X(size_t, kxsim_injections_pending, (void), (), 0)                                           \
    X(int, kxsim_queue_ad, (int channel, const double* volts, size_t count),                     \
      (channel, volts, count), -1)                                                               \
    X(int, kxsim_queue_timer, (const double* counts, size_t count), (counts, count), -1)         \
    X(size_t, kxsim_ad_queued, (int channel), (channel), 0)                                      \
    X(size_t, kxsim_timer_queued, (void), (), 0)                                                 \
    X(int, kxsim_da, (int channel), (channel), -1)                                               \
    X(int, kxsim_ad_config, (int channel), (channel), -1)                                        \
    X(int, kxsim_ad_channel, (void), (), -1)                                                     \
    X(int, kxsim_driver_open, (void), (), 0)                                                     \
    X(int, kxsim_active_board, (void), (), -1)                                                   \
    X(int, kxsim_set_plant, (double gain, double tau), (gain, tau), -1)                          \
    X(int, kxsim_set_level, (int channel, double volts), (channel, volts), -1)                   \
    X(double, kxsim_level, (int channel), (channel), kxbridge::kNoNumber)                        \
    X(double, kxsim_plant_output, (void), (), kxbridge::kNoNumber)                               \
    X(int, kxsim_set_tf,                                                                         \
      (int da, int ad, const double* num, size_t numCount, const double* den, size_t denCount,    \
       double delay, const char** why),                                                          \
      (da, ad, num, numCount, den, denCount, delay, why), -1)                                    \
    X(int, kxsim_set_lab, (const char* name, int da, int ad, const char** why),                 \
      (name, da, ad, why), -1)                                                                   \
    X(int, kxsim_remove_plant, (int ad, const char** why), (ad, why), -1)                        \
    X(int, kxsim_set_limits, (int ad, double lo, double hi, const char** why),                  \
      (ad, lo, hi, why), -1)                                                                     \
    X(int, kxsim_set_signal,                                                                     \
      (int channel, const char* kind, double amplitude, double frequency, double phase,          \
       double offset, const char** why),                                                         \
      (channel, kind, amplitude, frequency, phase, offset, why), -1)                             \
    X(int, kxsim_set_noise, (int channel, double sigma, uint64_t seed, const char** why),        \
      (channel, sigma, seed, why), -1)                                                           \
    X(double, kxsim_analog, (int channel), (channel), kxbridge::kNoNumber)                       \
    X(size_t, kxsim_log_size, (void), (), 0)                                                     \
    X(int, kxsim_log_entry,                                                                      \
      (size_t index, const char** op, double args[4], int* argCount, double* result),            \
      (index, op, args, argCount, result), -1)                                                   \
    X(size_t, kxsim_log_entries,                                                                 \
      (size_t first, uint8_t ops[4096], uint8_t argCounts[4096], double args[16384],             \
       double results[4096]),                                                                    \
      (first, ops, argCounts, args, results), 0)                                                 \
    X(int, kxsim_op_name, (int op, const char** name), (op, name), -1)                           \
    X(void, kxsim_clear_log, (void), (), )                                                       \
    X(void, kxsim_set_logging, (int on), (on), )                                                 \
    X(void, kxsim_set_log_capacity, (size_t entries), (entries), )                               \
    X(size_t, kxsim_log_capacity, (void), (), 0)                                                 \
    X(uint64_t, kxsim_log_dropped, (void), (), 0)

#define KXBRIDGE_CALLS(X)          \
    KXBRIDGE_DRIVER_OPERATIONS(X) \
    KXBRIDGE_CONTROL_PORT(X)

#ifdef __cplusplus

#include <cstddef>
#include <cstdint>
#include <limits>

namespace kxbridge {

constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();

// Entries per kxsim_log_entries call, as its line above writes them:
// KXSIM_LOG_BLOCK (sim/kxsim.h).
constexpr std::size_t kLogBlock = 4096;

// Each call's number on the channel: its place in the table.
enum Call : uint32_t {
#define KXBRIDGE_ENUM(ret, name, params, args, answer) kCall_##name,
    KXBRIDGE_CALLS(KXBRIDGE_ENUM)
#undef KXBRIDGE_ENUM
        kCallCount
};

// The calls that bring a dead server back: opening the driver, and the
// simulated board's power-on reset (a new server is a board at power-on).
constexpr bool restarts(uint32_t call) { return call == kCall_OpenDriver || call == kCall_kxsim_reset; }

// FNV-1a over every entry's declaration as written above: the table's
// signature, which client and server compare before the first call.
constexpr uint32_t fnv(const char* s, uint32_t h) {
    for (; *s; ++s) h = (h ^ static_cast<unsigned char>(*s)) * 16777619u;
    return h;
}
constexpr uint32_t tableSignature() {
    uint32_t h = 2166136261u;
#define KXBRIDGE_HASH(ret, name, params, args, answer) h = fnv(#ret " " #name #params ";", h);
    KXBRIDGE_CALLS(KXBRIDGE_HASH)
#undef KXBRIDGE_HASH
    return h;
}

// The calls' names, in table order.
constexpr const char* kCallNames[kCallCount] = {
#define KXBRIDGE_NAME(ret, name, params, args, answer) #name,
    KXBRIDGE_CALLS(KXBRIDGE_NAME)
#undef KXBRIDGE_NAME
};

}  // namespace kxbridge

#endif

#endif
