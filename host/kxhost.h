/* What our MEX host's two libraries offer the host side (mexhost) beyond
 * the MEX API: the hooks through which a call's prints and its raised error
 * reach the host, and the bookkeeping that lets the host free, as MATLAB
 * does, every array a call created but did not hand back.
 *
 * Plug-ins never include this header: they see only mex.h. The gateway's
 * flavour for this host asks kxhost_interrupt_pending, as MATLAB's asks
 * libut, and kxhost_physical_memory before the system.
 */
#ifndef KX4410_HOST_KXHOST_H
#define KX4410_HOST_KXHOST_H

#include <signal.h>
#include <stddef.h>

#include "mex.h"

#ifdef __cplusplus
extern "C" {
#endif

/* libmex. mexErrMsgTxt and mexErrMsgIdAndTxt hand the error's identifier
 * (empty from mexErrMsgTxt) and its message to the raise hook, which must
 * not return; without one they write the message to stderr and abort. */
typedef void (*kxhost_raise_fn)(const char* identifier, const char* message);
KXHOST_API void kxhost_set_raise(kxhost_raise_fn raise);

/* mexPrintf formats its text and hands it, with the format it was given, to
 * the print hook; without one it writes the text to stdout. */
typedef void (*kxhost_print_fn)(const char* format, const char* text);
KXHOST_API void kxhost_set_print(kxhost_print_fn print);

/* Ctrl-C, for tests. From now on the host asks probe, at every interrupt
 * check a plug-in makes, whether the user has pressed Ctrl-C; the first yes
 * is one request, which kxhost_interrupt_pending hands over, and the probe
 * is then dropped (NULL: none). */
typedef int (*kxhost_probe_fn)(void);
KXHOST_API void kxhost_set_interrupt_probe(kxhost_probe_fn probe);
/* The plug-ins' interrupt check: 1 once for each request, else 0. They read
 * kxhost_interrupt_armed first, nonzero while a probe is set, so that a run
 * without one pays a load and a test per check, no call. */
KXHOST_API extern volatile sig_atomic_t kxhost_interrupt_armed;
KXHOST_API int kxhost_interrupt_pending(void);

/* libmx. The physical memory, in bytes, that the plug-ins built for this
 * host take the machine to have (0, at the start: what the system reports),
 * so that a test can try the rows a machine cannot hold on any machine. */
KXHOST_API void kxhost_set_physical_memory(unsigned long long bytes);
KXHOST_API unsigned long long kxhost_physical_memory(void);

/* libmx. Between begin and end of a call every array created belongs to
 * the call; kxhost_keep hands one over to the caller, and
 * kxhost_end_call destroys the others, returning how many it destroyed. */
KXHOST_API void kxhost_begin_call(void);
KXHOST_API void kxhost_keep(mxArray* array);
KXHOST_API size_t kxhost_end_call(void);
/* Arrays alive now, for leak checks. */
KXHOST_API size_t kxhost_live_arrays(void);

#ifdef __cplusplus
}
#endif

#endif
