// How much of the machine a call's result rows may take. A row the machine
// cannot hold is not something to ask of the host: Octave fails with an
// error of its own, without an identifier, or fills the row until the
// system ends Octave to free memory.
#ifndef KX4410_GATEWAY_MEMORY_H
#define KX4410_GATEWAY_MEMORY_H

#include <cstdint>

namespace kx {

// Bytes of physical memory the system reports; 0 where it reports none.
// In our host stand-in, what a test told the host instead, if it did.
uint64_t physicalMemory();

// Bytes of the process's address space: the system's answer on Windows (2,
// 3 or 4 GiB for a 32-bit process), elsewhere what a pointer spans, or less
// where the process's limit (ulimit -v) says so.
uint64_t addressSpace();

}  // namespace kx

#endif
