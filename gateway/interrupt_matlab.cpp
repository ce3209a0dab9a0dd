// The interrupt check in MATLAB: libut's utIsInterruptPending, which MATLAB
// sets when the user presses Ctrl-C while a MEX call runs. MATLAB's headers
// do not declare libut; MEX authors declare what they use of it, as here,
// and link libut (cmake/host-matlab.cmake).
#include "interrupt.h"

extern "C" bool utIsInterruptPending(void);
extern "C" void utSetInterruptPending(bool pending);

namespace kx {

namespace {
// MATLAB shows no word of its own: every check asks.
const std::sig_atomic_t alwaysAsk = 1;
}  // namespace

const volatile std::sig_atomic_t* const interruptWord = &alwaysAsk;

bool interruptRequested() {
    if (!utIsInterruptPending()) return false;
    // Taken over, so that the call's error is the one stop this Ctrl-C
    // makes: MATLAB would act on a pending one after the call.
    utSetInterruptPending(false);
    return true;
}

}  // namespace kx
