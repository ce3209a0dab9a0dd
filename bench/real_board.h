// The simulated board as the real-clock benchmarks use it.
#ifndef KX4410_BENCH_REAL_BOARD_H
#define KX4410_BENCH_REAL_BOARD_H

#include <cstdint>

#include "kxsim.h"

// The board on the real clock with its default costs, logging nothing, and
// a session open on board 0.
inline void realBoard() {
    kxsim_reset();
    kxsim_set_logging(0);
    uint16_t boards = 0;
    OpenDriver(&boards);
    ActivateBoard(0);
    kxsim_set_clock(1);
}

#endif
