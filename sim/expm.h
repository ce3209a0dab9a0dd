// The matrix exponential and, from it, the exact solution of a linear plant
// over an interval in which its input is held: the zero-order hold.
// Small dense matrices, row-major, in plain double arithmetic (no function of
// the C library but exact ones), so that the results are the same on every
// IEEE machine.
#ifndef KX4410_SIM_EXPM_H
#define KX4410_SIM_EXPM_H

namespace kxsim {

// The highest plant order the board simulates, and the size of the
// augmented matrix of its zero-order hold.
constexpr int kMaxOrder = 8;
constexpr int kMaxSize = kMaxOrder + 1;

// e^M of the n x n matrix m, n from 1 to kMaxSize, into e: scaling and
// squaring with the [13/13] Pade approximant (Higham, 2005).
void expm(const double* m, int n, double* e);

// x' = A x + B u with u held for h seconds: x(t + h) = phi x(t) + gamma u.
// a is n x n, b, gamma n long, phi n x n; n from 1 to kMaxOrder. Van Loan's
// way: e^(h [A B; 0 0]) = [phi gamma; 0 1].
void zeroOrderHold(const double* a, const double* b, int n, double h, double* phi,
                   double* gamma);

}  // namespace kxsim

#endif
