#include "memory.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

#if defined(KX4410_HOST_STAND_IN)
#include "kxhost.h"
#endif

namespace kx {

namespace {

struct Machine {
    uint64_t physical = 0;
    uint64_t addressSpace = 0;
};

// Asked once: the answers do not change while a plug-in is loaded, and a
// call's row test must not cost it a system call.
Machine ask() {
    Machine m;
#if defined(_WIN32)
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (GlobalMemoryStatusEx(&status)) {
        m.physical = status.ullTotalPhys;
        m.addressSpace = status.ullTotalVirtual;
    }
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        m.physical = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        m.addressSpace = static_cast<uint64_t>(limit.rlim_cur);
#endif
    // A 64-bit process's user space is 2^47 bytes on the usual processors;
    // a 32-bit one's at most 2^32.
    const uint64_t spanned = sizeof(void*) >= 8 ? uint64_t{1} << 47 : uint64_t{1} << 32;
    if (m.addressSpace == 0 || m.addressSpace > spanned) m.addressSpace = spanned;
    return m;
}

const Machine& machine() {
    static const Machine m = ask();
    return m;
}

}  // namespace

uint64_t physicalMemory() {
#if defined(KX4410_HOST_STAND_IN)
    if (const uint64_t told = kxhost_physical_memory()) return told;
#endif
    return machine().physical;
}

uint64_t addressSpace() { return machine().addressSpace; }

}  // namespace kx
