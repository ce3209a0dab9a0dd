// The interrupt check in our MEX host stand-in: the host's interrupt probe,
// which the tests set to press Ctrl-C at a driver call of their choice.
#include "interrupt.h"

#include "kxhost.h"

namespace kx {

const volatile std::sig_atomic_t* const interruptWord = &kxhost_interrupt_armed;

bool interruptRequested() { return kxhost_interrupt_pending() != 0; }

}  // namespace kx
