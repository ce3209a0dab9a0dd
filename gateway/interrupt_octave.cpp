// The interrupt check in GNU Octave. Octave's signal watcher thread counts
// each SIGINT (Ctrl-C) in octave_interrupt_state (quit.h: above 0 pending,
// below 0 being handled). OCTAVE_QUIT would throw Octave's own interrupt
// exception through the plug-in, which no try/catch catches and which skips
// the plug-in's safe end; so the state is only read here, and taken over.
#include "interrupt.h"

#include <quit.h>

namespace kx {

// Above 0 pending, below 0 being handled: nonzero either way.
const volatile std::sig_atomic_t* const interruptWord = &octave_interrupt_state;

bool interruptRequested() {
    if (octave_interrupt_state <= 0) return false;
    // Taken over, so that the call's error is the one stop this Ctrl-C
    // makes, whatever Octave's error handling does with a pending state.
    octave_interrupt_state = 0;
    return true;
}

}  // namespace kx
