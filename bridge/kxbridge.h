/* The driver client: kxdrv in a process of its own.
 *
 * The client is a library named kxdrv, built to take the driver's place: it
 * exports the thirteen operations of driver/kxdrv.h (by ordinal on Windows,
 * from the same kxdrv.def) and, in a simulated-board build, the control
 * port of sim/kxsim.h. Each call is sent to the driver server,
 * kxdrv-server, which loads the real kxdrv (or the simulated one) and makes
 * the call there; the client returns the server's result and outputs. A
 * 64-bit host so drives a 32-bit driver library.
 *
 * SERVER
 *
 *   kxdrv-server/kxdrv-server (.exe on Windows) in the client library's own
 *   folder, with the driver library it loads beside it or, on Windows, on
 *   the system's search path. Started on the first call of any kind; one
 *   per host process, shared by every plug-in in it, answering one call at
 *   a time in call order. It ends when the host process ends.
 *
 * A SERVER THAT HAS ENDED
 *
 *   or could not be started, or could not load its driver: every call
 *   answers as below, without a server, until the next OpenDriver (or
 *   kxsim_reset, the simulated board's power-on) starts a new one, which
 *   then makes that call. Output parameters are left as they are.
 *   kxbridge_problem says why no server runs, and kxsim_unreachable
 *   (sim/kxsim.h) tells a caller that one of its calls found none.
 *
 *     operations with a status word     1 (DriverHandleError)
 *     GetLibraryVersion                 0
 *     GetActiveBoard                    -1
 *     ReadTimerCounter                  0xFFFF
 *     control port                      as listed in bridge/calls.h
 *
 *   A call whose arguments exceed the channel (a queue of more than half a
 *   million readings) is not sent and answers the same.
 *
 * TIME
 *
 *   A call costs its round trip over shared memory beside the driver's own
 *   time; DelayMicros waits inside the server, to the driver's own
 *   accuracy, and the client spins through the end of the wait.
 */
#ifndef KX4410_BRIDGE_KXBRIDGE_H
#define KX4410_BRIDGE_KXBRIDGE_H

#include <stdint.h>

#include "kxdrv.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The server's process id; 0 before the first start and once the client
 * has found its server ended (or failed to start one). */
KXDRV_API int64_t kxbridge_server_pid(void);
/* Why no server runs: the last start failed ("cannot start ...: No such
 * file or directory", the server's own report) or the server ended ("the
 * driver server ended (killed by signal 9)"); "" while one runs, and before
 * the first start. */
KXDRV_API const char* kxbridge_problem(void);

#ifdef __cplusplus
}
#endif

#endif
