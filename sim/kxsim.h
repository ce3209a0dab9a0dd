/* Control port of the simulated KX4410 board.
 *
 * The simulated board is a shared library that takes kxdrv's place: it
 * exports the thirteen driver operations of driver/kxdrv.h and, beside them,
 * these kxsim_* calls, which no real board has. Tests, benchmarks, the
 * Octave gateway kxsim and the demo use them to set the board up, to inject
 * failures and to read back what the plug-ins did.
 *
 * Every setting, default and status choice is in the board's datasheet,
 * sim/README.md.
 */
#ifndef KX4410_SIM_KXSIM_H
#define KX4410_SIM_KXSIM_H

#include <stddef.h>
#include <stdint.h>

#include "kxdrv.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Power-on state: driver closed, one board, no active board, default
 * versions and costs, DA codes 2047, every AD channel on code 0, timer
 * unprogrammed, virtual clock at 0 s, default plant, levels 0 V, log,
 * queues and injections empty, logging on with the default capacity. */
KXDRV_API void kxsim_reset(void);

/* Clock: 0 virtual (the default; time moves only by operation costs and
 * waits), 1 real (the monotonic clock; waits and costs take real time).
 * Switching restarts the clock at 0 s. */
KXDRV_API void kxsim_set_clock(int real);
KXDRV_API int kxsim_clock_is_real(void);
/* Board time in seconds since reset or since the clock was chosen. */
KXDRV_API double kxsim_now(void);
/* The same in whole nanoseconds (the virtual clock's own unit). */
KXDRV_API int64_t kxsim_now_ns(void);

/* Boards that OpenDriver finds (0 makes OpenDriver fail). */
KXDRV_API void kxsim_set_boards(int count);
KXDRV_API void kxsim_set_versions(uint16_t library, uint16_t driver);

/* Board time one operation costs, in nanoseconds. op is the binding's name
 * ("ReadAnalogIn"); returns 0, or -1 for an unknown name. DelayMicros costs
 * exactly its wait and has no cost of its own. */
KXDRV_API int kxsim_set_cost(const char* op, int64_t nanoseconds);
/* Every cost 0: a board that takes no time, for benchmarks. */
KXDRV_API void kxsim_zero_costs(void);

/* The most injections pending at once: every driver call counts down each
 * of them. */
#define KXSIM_MAX_INJECTIONS 1000
/* The most readings each queue (every AD channel's, the timer's) holds: as
 * many as one call through the driver server carries (bridge/kxbridge.h). */
#define KXSIM_MAX_QUEUED 500000

/* The n-th next call (n = 1: the very next) of the operation op returns
 * value in place of its own result; that call changes nothing on the
 * board, writes no output parameter and takes no board time. value is a
 * whole number that the operation's result type holds: 0 to 65535 for a
 * status word and GetLibraryVersion, -2^31 to 2^31 - 1 for GetActiveBoard,
 * 0 to 2^32 - 1 for ReadTimerCounter. Returns 0, or -1 for an unknown op,
 * n < 1, another value, or KXSIM_MAX_INJECTIONS pending already. */
KXDRV_API int kxsim_inject(const char* op, int n, double value);
/* The same, and for a value out of range or the injections' bound, why:
 * the text of the refusal. */
KXDRV_API int kxsim_inject_why(const char* op, int n, double value, const char** why);
/* Injections made and not yet answered. */
KXDRV_API size_t kxsim_injections_pending(void);

/* Readings that the next reads of an AD channel return, in order, before
 * its signal takes over again: 32-bit floats, so NaN and the infinities
 * too, but no finite value beyond the float's range. Returns 0, or -1 (and
 * queues none of them) for a channel outside 0-15, a null array with a
 * nonzero count, a finite reading beyond +-FLT_MAX, or more readings than
 * the queue has room for. */
KXDRV_API int kxsim_queue_ad(int channel, const double* volts, size_t count);
/* Raw counts that the next valid ReadTimerCounter calls return: whole
 * numbers from 0 to 2^32 - 1, its result's range. Returns 0, or -1 (and
 * queues none of them) for a null array with a nonzero count, another
 * count, or more counts than the queue has room for. */
KXDRV_API int kxsim_queue_timer(const double* counts, size_t count);
/* Readings waiting in an AD channel's queue (0 for a channel outside
 * 0-15), and in the timer's. */
KXDRV_API size_t kxsim_ad_queued(int channel);
KXDRV_API size_t kxsim_timer_queued(void);

/* The code a DA channel (0 or 1) holds now; -1 for another channel. */
KXDRV_API int kxsim_da(int channel);
/* The configuration code an AD channel holds; -1 for another channel. */
KXDRV_API int kxsim_ad_config(int channel);
/* The AD channel that reads sample. */
KXDRV_API int kxsim_ad_channel(void);
KXDRV_API int kxsim_driver_open(void);
/* The active board, or -1 for none. */
KXDRV_API int kxsim_active_board(void);

/* The plant from DA 0 to AD 0: y' = (gain * u - y) / tau, u in volts.
 * Returns 0, or -1 for tau <= 0 or a value that is not finite. */
KXDRV_API int kxsim_set_plant(double gain, double tau);
/* A constant input level on an AD channel (2-15; 0 and 1 are wired to the
 * DA outputs). Returns 0, or -1 for another channel or volts that are not
 * finite. */
KXDRV_API int kxsim_set_level(int channel, double volts);
/* The level of AD channel 2-15; NaN for another channel. */
KXDRV_API double kxsim_level(int channel);
/* The plant's output now, in volts, before range clipping and quantising. */
KXDRV_API double kxsim_plant_output(void);

/* The virtual lab (sim/README.md, "Plants" and "Signals"). Each call that
 * can refuse returns 0, or -1 and, where why is given, points *why to a
 * static text that says what the call needs; a refused call changes
 * nothing. */

/* A plant num(s)/den(s) from DA channel da (0-1) to AD channel ad (0-15),
 * coefficients highest power first, its input delayed by delay seconds: a
 * proper transfer function of order 0 to 8, at rest from now on. ad must
 * read no other plant placed by these calls. */
KXDRV_API int kxsim_set_tf(int da, int ad, const double* num, size_t numCount, const double* den,
                           size_t denCount, double delay, const char** why);
/* A lab plant by name: "dcmotor", "heater", "tanks", "massspring". */
KXDRV_API int kxsim_set_lab(const char* name, int da, int ad, const char** why);
/* AD channel ad reads its wiring again (AD 0 the first-order plant, AD 1
 * DA 1, AD 2-15 their level); nothing to remove is no refusal. */
KXDRV_API int kxsim_remove_plant(int ad, const char** why);
/* The output of the plant placed on AD ad held within lo..hi (-inf, +inf:
 * no limit). */
KXDRV_API int kxsim_set_limits(int ad, double lo, double hi, const char** why);
/* A periodic source added on an AD channel: kind "sine", "square",
 * "triangle", "sawtooth", or "none" to remove it; frequency in Hz, phase in
 * radians at the time of the call, amplitude and offset in volts. */
KXDRV_API int kxsim_set_signal(int channel, const char* kind, double amplitude, double frequency,
                               double phase, double offset, const char** why);
/* Gaussian noise of sigma volts added on an AD channel (0: none), from seed:
 * the same numbers on every machine. */
KXDRV_API int kxsim_set_noise(int channel, double sigma, uint64_t seed, const char** why);
/* What AD channel 0-15 carries now, in volts, before range clipping and
 * quantising: what a conversion now would quantise. NaN for another
 * channel. */
KXDRV_API double kxsim_analog(int channel);

/* The call log: the latest driver operations since reset or the last
 * clear, at most its capacity of them, oldest first. args are the integer
 * arguments passed (output parameters left out), result is what the call
 * returned. */
KXDRV_API size_t kxsim_log_size(void);
/* Fills op, args (up to 4 values; *argCount says how many) and result of
 * kept entry index (0: the oldest kept). Returns 0, or -1 for an index past
 * the end. op points to a static name that lives as long as the library. */
KXDRV_API int kxsim_log_entry(size_t index, const char** op, double args[4], int* argCount,
                              double* result);
/* The most entries kxsim_log_entries copies in one call. */
#define KXSIM_LOG_BLOCK 4096
/* Kept entries from index first on, at most KXSIM_LOG_BLOCK of them, as
 * kxsim_log_entry gives them but with the operation as its index (0-12,
 * kxsim_op_name) and absent arguments NaN: the k-th into ops[k],
 * argCounts[k], args[4k] to args[4k + 3] and results[k]. Returns how many
 * it copied, up to the last kept entry (0 for first past it); a null array
 * is not written. */
KXDRV_API size_t kxsim_log_entries(size_t first, uint8_t ops[KXSIM_LOG_BLOCK],
                                   uint8_t argCounts[KXSIM_LOG_BLOCK],
                                   double args[4 * KXSIM_LOG_BLOCK],
                                   double results[KXSIM_LOG_BLOCK]);
/* Points *name to operation index op's static name (GetLibraryVersion is
 * 0, ReadTimerCounter 12, in kxdrv.h's order). Returns 0, or -1 for an
 * index outside 0-12. */
KXDRV_API int kxsim_op_name(int op, const char** name);
/* Empties the log, returns its memory and zeroes the dropped count. */
KXDRV_API void kxsim_clear_log(void);
/* Logging on (1, the default) or off (0), for long benchmark runs. */
KXDRV_API void kxsim_set_logging(int on);
/* The most entries the log keeps (default 1000000; 0 keeps none). A smaller
 * capacity keeps the latest entries and counts the others as dropped. */
KXDRV_API void kxsim_set_log_capacity(size_t entries);
KXDRV_API size_t kxsim_log_capacity(void);
/* Entries dropped since reset or the last clear to keep within capacity. */
KXDRV_API uint64_t kxsim_log_dropped(void);

/* Why a control-port call of the calling thread could not reach the board
 * since the thread last asked, or NULL if every one reached it. The board
 * in-process is always reached; the driver client in its place
 * (bridge/kxbridge.h) answers why no driver server took a call ("the
 * driver server ended (killed by signal 9)"): that call's result is the
 * client's stand-in (bridge/calls.h), not the board's. */
KXDRV_API const char* kxsim_unreachable(void);

#ifdef __cplusplus
}
#endif

#endif
