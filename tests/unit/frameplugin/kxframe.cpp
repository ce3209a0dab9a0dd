// A plug-in for testing the frame itself, through a real host call:
//   kxframe(1, x)          -> scalar(x)
//   kxframe(2, v)          -> [vectorLength(v), v's elements...], or raises
//                             "vector!" (identifier kxframe:vector)
//   kxframe(3, x, lo, hi)  -> 0, or raises "range!" (kxframe:range)
//   kxframe(4, x)          -> 0, or raises "zero or one!" (kxframe:zeroOrOne)
//   kxframe(5, x)          -> 0, or raises "config!" (kxframe:config)
//   kxframe(6, n, k)       -> rowLength(n, k), or raises "row!" (kxframe:row)
//   kxframe(7, n)          -> a 1 x n row, or raises "too long!" (kxframe:tooLong)
// where n is a size_t held in an unsigned integer array of its width.
#include "mex.h"

#include <cstring>

#include "gateway.h"

namespace {

std::size_t sizeArgument(const mxArray* a) {
    std::size_t n = 0;
    if (mxGetElementSize(a) != sizeof n || mxGetClassID(a) == mxDOUBLE_CLASS) kx::raise("kxframe:sizeT", "size_t!");
    std::memcpy(&n, mxGetData(a), sizeof n);
    return n;
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    kx::require(nlhs == 1, "kxframe:nargout", "one result!");
    kx::require(nrhs >= 2, "kxframe:nargin", "two arguments!");
    const double op = kx::scalar(prhs[0]);
    if (op == 1) {
        const double x = kx::scalar(prhs[1]);
        kx::scalarResult(plhs[0])[0] = x;
        return;
    }
    if (op == 2) {
        const kx::Values v = kx::fetch(prhs[1]);
        const std::size_t n = kx::vectorLength(v, "kxframe:vector", "vector!");
        double* out = kx::resultRow(plhs[0], n + 1, "kxframe:tooLong", "too long!");
        out[0] = static_cast<double>(n);
        for (std::size_t i = 0; i < n; ++i) out[i + 1] = v[i];
        return;
    }
    if (op == 6) {
        const std::size_t length =
            kx::rowLength(sizeArgument(prhs[1]), static_cast<std::size_t>(kx::scalar(prhs[2])),
                          "kxframe:row", "row!");
        kx::scalarResult(plhs[0])[0] = static_cast<double>(length);
        return;
    }
    if (op == 7) {
        kx::resultRow(plhs[0], sizeArgument(prhs[1]), "kxframe:tooLong", "too long!");
        return;
    }
    const double x = kx::scalar(prhs[1]);
    if (op == 3) kx::requireRange(x, kx::scalar(prhs[2]), kx::scalar(prhs[3]), "kxframe:range",
                                "range!");
    if (op == 4) kx::requireZeroOrOne(x, "kxframe:zeroOrOne", "zero or one!");
    if (op == 5) kx::requireConfigCode(x, "kxframe:config", "config!");
    kx::doneResult(plhs[0]);
}
