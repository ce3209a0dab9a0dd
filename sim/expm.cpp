#include "expm.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace kxsim {

namespace {

constexpr int kCells = kMaxSize * kMaxSize;

// out = a b, all n x n; out is neither a nor b.
void multiply(const double* a, const double* b, int n, double* out) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double s = 0;
            for (int k = 0; k < n; ++k) s += a[i * n + k] * b[k * n + j];
            out[i * n + j] = s;
        }
}

// The largest column sum of magnitudes.
double norm1(const double* m, int n) {
    double largest = 0;
    for (int j = 0; j < n; ++j) {
        double s = 0;
        for (int i = 0; i < n; ++i) s += std::fabs(m[i * n + j]);
        if (!(s <= largest)) largest = s;  // NaN stays
    }
    return largest;
}

// p x = q for x, all n x n, into q; p is overwritten. Gaussian elimination
// with partial pivoting.
void solve(double* p, double* q, int n) {
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        for (int i = k + 1; i < n; ++i)
            if (std::fabs(p[i * n + k]) > std::fabs(p[pivot * n + k])) pivot = i;
        if (pivot != k)
            for (int j = 0; j < n; ++j) {
                double t = p[k * n + j];
                p[k * n + j] = p[pivot * n + j];
                p[pivot * n + j] = t;
                t = q[k * n + j];
                q[k * n + j] = q[pivot * n + j];
                q[pivot * n + j] = t;
            }
        for (int i = k + 1; i < n; ++i) {
            const double f = p[i * n + k] / p[k * n + k];
            if (f == 0) continue;
            for (int j = k + 1; j < n; ++j) p[i * n + j] -= f * p[k * n + j];
            for (int j = 0; j < n; ++j) q[i * n + j] -= f * q[k * n + j];
        }
    }
    for (int k = n - 1; k >= 0; --k)
        for (int j = 0; j < n; ++j) {
            double s = q[k * n + j];
            for (int i = k + 1; i < n; ++i) s -= p[k * n + i] * q[i * n + j];
            q[k * n + j] = s / p[k * n + k];
        }
}

}  // namespace

void expm(const double* m, int n, double* e) {
    // The [13/13] Pade coefficients, and the largest 1-norm for which the
    // approximant is exact to double precision.
    static const double b[14] = {64764752532480000.0, 32382376266240000.0, 7771770303897600.0,
                                 1187353796428800.0,  129060195264000.0,   10559470521600.0,
                                 670442572800.0,      33522128640.0,       1323241920.0,
                                 40840800.0,          960960.0,            16380.0,
                                 182.0,               1.0};
    const double theta = 5.371920351148152;
    const int cells = n * n;
    const double norm = norm1(m, n);
    if (!(norm <= std::numeric_limits<double>::max())) {
        for (int i = 0; i < cells; ++i) e[i] = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    // Halved s times, a power of two: exact.
    int s = 0;
    if (norm > theta) std::frexp(norm / theta, &s);
    double a[kCells] = {}, a2[kCells] = {}, a4[kCells] = {}, a6[kCells] = {}, t[kCells] = {},
           w[kCells] = {}, u[kCells] = {}, v[kCells] = {};
    for (int i = 0; i < cells; ++i) a[i] = std::ldexp(m[i], -s);
    multiply(a, a, n, a2);
    multiply(a2, a2, n, a4);
    multiply(a4, a2, n, a6);

    // u = a (a6 (b13 a6 + b11 a4 + b9 a2) + b7 a6 + b5 a4 + b3 a2 + b1 I)
    for (int i = 0; i < cells; ++i) t[i] = b[13] * a6[i] + b[11] * a4[i] + b[9] * a2[i];
    multiply(a6, t, n, w);
    for (int i = 0; i < cells; ++i) w[i] += b[7] * a6[i] + b[5] * a4[i] + b[3] * a2[i];
    for (int i = 0; i < n; ++i) w[i * n + i] += b[1];
    multiply(a, w, n, u);
    // v = a6 (b12 a6 + b10 a4 + b8 a2) + b6 a6 + b4 a4 + b2 a2 + b0 I
    for (int i = 0; i < cells; ++i) t[i] = b[12] * a6[i] + b[10] * a4[i] + b[8] * a2[i];
    multiply(a6, t, n, v);
    for (int i = 0; i < cells; ++i) v[i] += b[6] * a6[i] + b[4] * a4[i] + b[2] * a2[i];
    for (int i = 0; i < n; ++i) v[i * n + i] += b[0];

    // (v - u) r = v + u
    for (int i = 0; i < cells; ++i) {
        t[i] = v[i] - u[i];
        w[i] = v[i] + u[i];
    }
    solve(t, w, n);
    for (; s > 0; --s) {
        multiply(w, w, n, t);
        std::memcpy(w, t, sizeof(double) * static_cast<unsigned>(cells));
    }
    std::memcpy(e, w, sizeof(double) * static_cast<unsigned>(cells));
}

void zeroOrderHold(const double* a, const double* b, int n, double h, double* phi,
                   double* gamma) {
    const int size = n + 1;
    double m[kCells] = {};
    double e[kCells] = {};
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) m[i * size + j] = a[i * n + j] * h;
        m[i * size + n] = b[i] * h;
    }
    expm(m, size, e);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) phi[i * n + j] = e[i * size + j];
        gamma[i] = e[i * size + n];
    }
}

}  // namespace kxsim
