#include "gateway.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "memory.h"

namespace kx {

void raise(const char* id, const char* message) {
    // The message is never a format: it goes through "%s" as it stands.
    mexErrMsgIdAndTxt(id, "%s", message);
    // No host returns from a raise; if one ever did, going on with a
    // refused argument could drive the board, so stop here.
    std::abort();
}

namespace {

template <class T>
double element(const void* data, std::size_t i) {
    return static_cast<double>(static_cast<const T*>(data)[i]);
}

// The classes whose elements read as numbers.
bool numericOrLogical(mxClassID cls) {
    switch (cls) {
        case mxDOUBLE_CLASS:
        case mxSINGLE_CLASS:
        case mxLOGICAL_CLASS:
        case mxINT8_CLASS:
        case mxUINT8_CLASS:
        case mxINT16_CLASS:
        case mxUINT16_CLASS:
        case mxINT32_CLASS:
        case mxUINT32_CLASS:
        case mxINT64_CLASS:
        case mxUINT64_CLASS: return true;
        default: return false;
    }
}

// Doubles, what MATLAB code passes, are told by the host's cheapest test.
// Sparse arrays hold only their nonzeros: element i is not data[i].
mxClassID readableClass(const mxArray* arg) {
    const mxClassID cls = mxIsDouble(arg) ? mxDOUBLE_CLASS : mxGetClassID(arg);
    if (!numericOrLogical(cls) || mxIsSparse(arg))
        raise("KX4410:notNumeric", "KX4410 argument is empty or not numeric!");
    return cls;
}

}  // namespace

double Values::converted(const void* data, mxClassID cls, std::size_t i) {
    switch (cls) {
        case mxDOUBLE_CLASS: return element<double>(data, i);
        case mxSINGLE_CLASS: return element<float>(data, i);
        case mxLOGICAL_CLASS: return static_cast<const mxLogical*>(data)[i] ? 1.0 : 0.0;
        case mxINT8_CLASS: return element<int8_t>(data, i);
        case mxUINT8_CLASS: return element<uint8_t>(data, i);
        case mxINT16_CLASS: return element<int16_t>(data, i);
        case mxUINT16_CLASS: return element<uint16_t>(data, i);
        case mxINT32_CLASS: return element<int32_t>(data, i);
        case mxUINT32_CLASS: return element<uint32_t>(data, i);
        case mxINT64_CLASS: return element<int64_t>(data, i);
        case mxUINT64_CLASS: return element<uint64_t>(data, i);
        default: return NAN;  // fetch admits no other class
    }
}

Values fetch(const mxArray* arg) {
    const mxClassID cls = readableClass(arg);
    const std::size_t count = mxGetNumberOfElements(arg);
    const std::size_t rows = mxGetM(arg);
    // The host's column count is the product of all dimensions after the
    // first, which is what the rows leave of the elements; only an array
    // without rows needs the host's own answer.
    const std::size_t cols = rows == 1 ? count : rows != 0 ? count / rows : mxGetN(arg);
    return Values{mxGetData(arg), cls, rows, cols};
}

double scalar(const mxArray* arg) {
    const mxClassID cls = readableClass(arg);
    const std::size_t count = mxGetNumberOfElements(arg);
    if (count == 0) raise("KX4410:notNumeric", "KX4410 argument is empty or not numeric!");
    // One element: the host's own reading of it, as Values reads it, since
    // a host may keep track of every data pointer it hands out. (Octave
    // may warn when it reads the first of several, so those are read from
    // the data.)
    if (count == 1) return mxGetScalar(arg);
    return Values{mxGetData(arg), cls, 1, 1}[0];
}

void requireEachInRange(const Values& v, std::size_t n, double lo, double hi, const char* id,
                        const char* message) {
    bool refused = false;
    std::size_t i = 0;
#if defined(KX4410_SSE2)
    // Two doubles per step; the ordered comparisons are false for NaN, as
    // outside()'s are. (Compilers do not vectorize that test themselves.)
    if (v.cls == mxDOUBLE_CLASS) {
        const double* x = static_cast<const double*>(v.data);
        const __m128d low = _mm_set1_pd(lo);
        const __m128d high = _mm_set1_pd(hi);
        __m128d out = _mm_setzero_pd();
        for (; i + 2 <= n; i += 2) {
            const __m128d pair = _mm_loadu_pd(x + i);
            out = _mm_or_pd(out, _mm_or_pd(_mm_cmplt_pd(pair, low), _mm_cmpgt_pd(pair, high)));
        }
        refused = _mm_movemask_pd(out) != 0;
    }
#endif
    for (; i < n; ++i) refused |= outside(v[i], lo, hi);
    if (refused) raise(id, message);
}

std::size_t vectorLength(const Values& v, const char* id, const char* message) {
    if (v.rows == 1) return v.cols;
    if (v.cols == 1) return v.rows;
    raise(id, message);
}

int64_t toInt64(double x) {
    if (std::fabs(x) < 9223372036854775808.0) return static_cast<int64_t>(x);
    return INT64_MIN;
}

std::size_t rowLength(std::size_t count, std::size_t perElement, const char* id,
                      const char* message) {
    if (count > maxRowLength / perElement) raise(id, message);
    return count * perElement;
}

std::size_t rowBudget() {
    uint64_t bytes = addressSpace() / 4;
    // A system that reports no memory leaves the address space to bound it.
    if (const uint64_t physical = physicalMemory()) bytes = std::min(bytes, physical / 2);
    return static_cast<std::size_t>(std::min<uint64_t>(bytes / sizeof(double), maxRowLength));
}

bool beyondRow(double n) { return std::trunc(n) > static_cast<double>(rowBudget()); }

void resultRows(mxArray* slots[], double* data[], std::size_t count, std::size_t n, const char* id,
                const char* tooLong) {
    if (n > rowBudget() / count) raise(id, tooLong);
    for (std::size_t k = 0; k < count; ++k) {
        slots[k] = mxCreateDoubleMatrix(1, n, mxREAL);
        data[k] = mxGetPr(slots[k]);
    }
}

double* resultRow(mxArray*& slot, std::size_t n, const char* id, const char* tooLong) {
    double* data = nullptr;
    resultRows(&slot, &data, 1, n, id, tooLong);
    return data;
}

double* scalarResult(mxArray*& slot) {
    slot = mxCreateDoubleMatrix(1, 1, mxREAL);
    return mxGetPr(slot);
}

void doneResult(mxArray*& slot) {
    scalarResult(slot)[0] = 0.0;
}

}  // namespace kx
