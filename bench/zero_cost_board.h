// What the benchmarks share: an open session on a simulated board whose
// operations take no time and log nothing, so that what is measured is the
// host call, the plug-in's own loop and the simulator's bookkeeping.
#ifndef KX4410_BENCH_ZERO_COST_BOARD_H
#define KX4410_BENCH_ZERO_COST_BOARD_H

#include <cstdint>

#include "kxsim.h"

inline void zeroCostBoard() {
    kxsim_reset();
    kxsim_zero_costs();
    kxsim_set_logging(0);
    uint16_t boards = 0;
    OpenDriver(&boards);
    ActivateBoard(0);
}

#endif
