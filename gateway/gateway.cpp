#include "gateway.h"

#include <cmath>
#include <cstdlib>

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

}  // namespace

double Values::operator[](std::size_t i) const {
    switch (cls) {
        case mxDOUBLE_CLASS: return element<double>(data, i);
        case mxSINGLE_CLASS: return element<float>(data, i);
        case mxLOGICAL_CLASS: return static_cast<const mxLogical*>(data)[i] ? 1.0 : 0.0;
        case mxINT8_CLASS: return element<std::int8_t>(data, i);
        case mxUINT8_CLASS: return element<std::uint8_t>(data, i);
        case mxINT16_CLASS: return element<std::int16_t>(data, i);
        case mxUINT16_CLASS: return element<std::uint16_t>(data, i);
        case mxINT32_CLASS: return element<std::int32_t>(data, i);
        case mxUINT32_CLASS: return element<std::uint32_t>(data, i);
        case mxINT64_CLASS: return element<std::int64_t>(data, i);
        case mxUINT64_CLASS: return element<std::uint64_t>(data, i);
        default: return NAN;  // fetch admits no other class
    }
}

Values fetch(const mxArray* arg) {
    // Sparse arrays hold only their nonzeros: element i is not data[i].
    if (!(mxIsNumeric(arg) || mxIsLogical(arg)) || mxIsSparse(arg))
        raise("KX4410:notNumeric", "KX4410 argument is empty or not numeric!");
    return Values{mxGetData(arg), mxGetClassID(arg), mxGetM(arg), mxGetN(arg)};
}

double scalar(const mxArray* arg) {
    Values v = fetch(arg);
    if (v.size() == 0) raise("KX4410:notNumeric", "KX4410 argument is empty or not numeric!");
    return v[0];
}

std::size_t vectorLength(const Values& v, const char* id, const char* message) {
    if (v.rows == 1) return v.cols;
    if (v.cols == 1) return v.rows;
    raise(id, message);
}

std::int32_t toInt32(double x) {
    // The comparisons are false for NaN; inside the open interval the
    // truncated value fits, so the cast is defined.
    if (x > -2147483649.0 && x < 2147483648.0) return static_cast<std::int32_t>(x);
    return INT32_MIN;
}

std::uint16_t low16(double x) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(toInt32(x)));
}

std::int64_t toInt64(double x) {
    if (std::fabs(x) < 9223372036854775808.0) return static_cast<std::int64_t>(x);
    return INT64_MIN;
}

std::size_t rowLength(std::size_t count, std::size_t perElement, const char* id,
                      const char* message) {
    if (count > maxRowLength / perElement) raise(id, message);
    return count * perElement;
}

double* resultRow(mxArray*& slot, std::size_t n, const char* id, const char* tooLong) {
    if (n > maxRowLength) raise(id, tooLong);
    slot = mxCreateDoubleMatrix(1, n, mxREAL);
    return mxGetPr(slot);
}

double* scalarResult(mxArray*& slot) {
    slot = mxCreateDoubleMatrix(1, 1, mxREAL);
    return mxGetPr(slot);
}

void doneResult(mxArray*& slot) {
    scalarResult(slot)[0] = 0.0;
}

}  // namespace kx
