// libut of the stand-in MATLAB installation: the two calls of MATLAB's libut
// that MEX files use for Ctrl-C. A press is our host's interrupt probe
// answering yes (kxhost_set_interrupt_probe); it stays pending, as in
// MATLAB, until someone sets it back.
#include "kxhost.h"

#if defined(_WIN32)
#define KXUT_API extern "C" __declspec(dllexport)
#else
#define KXUT_API extern "C" __attribute__((visibility("default")))
#endif

namespace {
bool pending = false;
}

KXUT_API bool utIsInterruptPending(void) {
    if (!pending && kxhost_interrupt_pending() != 0) pending = true;
    return pending;
}

KXUT_API void utSetInterruptPending(bool value) { pending = value; }
