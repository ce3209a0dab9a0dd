// A MEX file with a heap overflow planted in it, which every memory check
// of the toolbox in its real host must report: writes one byte past a
// 16-byte block. Never part of the toolbox.
#include <cstddef>
#include <cstdlib>

#include "mex.h"

void mexFunction(int, mxArray*[], int, const mxArray*[]) {
    // Volatile, so that the compiler neither warns of the write nor drops
    // the block with it.
    volatile char* block = static_cast<char*>(std::malloc(16));
    volatile std::size_t end = 16;
    block[end] = 1;
    std::free(const_cast<char*>(block));
}
