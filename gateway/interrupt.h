// Ctrl-C while a long call runs: the check the plug-ins make between their
// driver calls. Each host flavour answers it its own way (interrupt_host.cpp,
// interrupt_octave.cpp, interrupt_matlab.cpp); the one its build links is
// the one the plug-ins get.
#ifndef KX4410_GATEWAY_INTERRUPT_H
#define KX4410_GATEWAY_INTERRUPT_H

#include <csignal>

namespace kx {

// A word of the host's that is nonzero whenever a request may be waiting;
// each flavour points it at its host's own (where the host has none, at a
// constant 1).
extern const volatile std::sig_atomic_t* const interruptWord;

// The host's answer, asked only when interruptWord is nonzero.
bool interruptRequested();

// Whether the user has asked the host to stop the running call (Ctrl-C in
// the command window) since the last yes. A yes takes the request over from
// the host: the caller ends the call with its own error at once, and the
// host is left with no stop of its own to make, so one Ctrl-C stops one
// call and the statements after it run as usual. Inline: a loop without a
// request pays a load and a test per check, no call.
inline bool interrupted() { return *interruptWord != 0 && interruptRequested(); }

}  // namespace kx

#endif
