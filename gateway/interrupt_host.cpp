// The interrupt check in our MEX host stand-in: the host's interrupt probe,
// which the tests set to press Ctrl-C at a driver call of their choice.
#include "interrupt.h"

#include "kxhost.h"

namespace kx {

bool interrupted() { return kxhost_interrupt_probe != nullptr && kxhost_interrupt_pending() != 0; }

}  // namespace kx
