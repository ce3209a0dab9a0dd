// The frame every plug-in is built from: count and argument tests, reading
// MATLAB arrays as doubles, range tests, the vector rule, integer
// conversions, result rows and raising.
//
// Plug-ins pass their own message texts in, each with its identifier
// ("KX4410:<function>:<what>") just before it, so each message stands in the
// plug-in that raises it. A raise never returns: it ends the call through the
// host's mexErrMsgIdAndTxt, which unwinds (Octave, our host) or jumps
// (MATLAB) past the plug-in's frames. So nothing here keeps an object with a destructor
// alive across a raise, and nothing here catches.
#ifndef KX4410_GATEWAY_GATEWAY_H
#define KX4410_GATEWAY_GATEWAY_H

#include <cmath>
#include <cstddef>
#include <cstdint>

// SSE2: every x86-64 compiler, and 32-bit ones told to use it.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define KX4410_SSE2 1
#include <emmintrin.h>
#endif

#include "mex.h"

namespace kx {

[[noreturn]] void raise(const char* id, const char* message);

// Raises message unless ok. For the result- and argument-count tests.
inline void require(bool ok, const char* id, const char* message) {
    if (!ok) raise(id, message);
}

// A numeric or logical argument's elements, each read as a double whatever
// the array's class; the real part of a complex array. Only reads, and
// never past the array's element count.
struct Values {
    const void* data;
    mxClassID cls;
    std::size_t rows;
    std::size_t cols;

    std::size_t size() const { return rows * cols; }
    // Inline for doubles, which is what MATLAB code passes: a loop over a
    // double vector reads it as a loop over a plain array would.
    double operator[](std::size_t i) const {
        if (doubles()) return static_cast<const double*>(data)[i];
        return converted(data, cls, i);
    }

private:
    // Told to the compiler as the likely case, so that a loop over doubles
    // runs straight through.
    bool doubles() const {
#if defined(__GNUC__)
        return __builtin_expect(cls == mxDOUBLE_CLASS, 1);
#else
        return cls == mxDOUBLE_CLASS;
#endif
    }
    // By value, so that a loop's Values stays in registers across its calls.
    static double converted(const void* data, mxClassID cls, std::size_t i);
};

// The argument's elements. Raises "KX4410 argument is empty or not
// numeric!" (KX4410:notNumeric, the same in every function) for an argument
// that is not numeric or logical, and for a sparse one, whose data holds
// only its nonzero elements.
Values fetch(const mxArray* arg);

// The argument's first element. Raises the same message for an empty
// argument as well. Asks the host only whether it is double (or its class),
// sparseness, element count and that element: a host may answer the shape,
// the class's name or the data pointer at a far higher price.
double scalar(const mxArray* arg);

// The element count of a vector argument: its column count for one row, its
// row count for one column; anything else raises message. A 1 x 0 or 0 x 1
// argument counts 0 elements, a 0 x 0 one is refused.
std::size_t vectorLength(const Values& v, const char* id, const char* message);

// Range test with inclusive bounds, compared as doubles: a NaN passes.
inline bool outside(double x, double lo, double hi) { return x < lo || x > hi; }
inline void requireRange(double x, double lo, double hi, const char* id, const char* message) {
    if (outside(x, lo, hi)) raise(id, message);
}

// The range test of each of a vector's first n elements: raises message if
// any is outside (NaN passes). Which one it was makes no difference to the
// caller, so the test runs over all of them at once, as a vector loop.
void requireEachInRange(const Values& v, std::size_t n, double lo, double hi, const char* id,
                        const char* message);

// Exactly 0 or exactly 1 (-0.0 is 0; NaN and 0.5 fail).
inline void requireZeroOrOne(double x, const char* id, const char* message) {
    if (!(x == 0.0 || x == 1.0)) raise(id, message);
}

// The board takes configuration codes 0-11 and 16-27; NaN passes.
inline void requireConfigCode(double x, const char* id, const char* message) {
    if (x < 0.0 || x > 27.0 || (x > 11.0 && x < 16.0)) raise(id, message);
}

// A double truncated toward zero to what the driver takes. NaN, the
// infinities and values outside the 32-bit range give INT32_MIN, as the
// board's original 32-bit platform converts them.
inline int32_t toInt32(double x) {
#if defined(KX4410_SSE2)
    // The processor's own truncation answers INT32_MIN for NaN and for
    // whatever does not fit: the rule below in one instruction.
    return _mm_cvttsd_si32(_mm_set_sd(x));
#else
    // The comparisons are false for NaN; inside the open interval the
    // truncated value fits, so the cast is defined.
    if (x > -2147483649.0 && x < 2147483648.0) return static_cast<int32_t>(x);
    return INT32_MIN;
#endif
}

// Truncated as toInt32, then its low 16 bits, unsigned: the board's 16-bit
// delays and counts.
inline uint16_t low16(double x) {
    return static_cast<uint16_t>(static_cast<uint32_t>(toInt32(x)));
}

// Truncated toward zero to 64 bits; NaN, the infinities and magnitudes of
// 2^63 and above give INT64_MIN.
int64_t toInt64(double x);

// The longest result row the frame creates: 2^59 elements where the host's
// sizes are 64 bits wide, 2^27 where they are 32. Its bytes are a quarter of
// the host's size range, which leaves the host's own arithmetic room: Octave
// multiplies an element count by 8 unchecked, and a count whose bytes wrap
// gets a block too small for the row.
constexpr std::size_t maxRowLength =
    static_cast<std::size_t>(PTRDIFF_MAX) / (2 * sizeof(double)) + 1;

// The most elements the result rows of one call may hold together on this
// machine: half its physical memory and a quarter of the process's address
// space (memory.h), and never more than maxRowLength.
std::size_t rowBudget();

// A count of trunc(n) elements is longer than rowBudget() (NaN is not).
bool beyondRow(double n);

// The length of a row of perElement values for each of count elements;
// raises message (with its identifier id) when it would be longer than
// maxRowLength.
std::size_t rowLength(std::size_t count, std::size_t perElement, const char* id,
                      const char* message);

// Creates a 1 x n real double row in slot and returns its data. A row longer
// than rowBudget() is never asked of the host: tooLong is raised instead,
// with its identifier id.
double* resultRow(mxArray*& slot, std::size_t n, const char* id, const char* tooLong);

// Creates count such rows, slots[0] to slots[count - 1], their data in
// data[]: tooLong unless all of them together fit rowBudget(), before the
// first is created.
void resultRows(mxArray* slots[], double* data[], std::size_t count, std::size_t n, const char* id,
                const char* tooLong);

// A 1 x 1 result row.
double* scalarResult(mxArray*& slot);

// The 1 x 1 result holding 0.0 that a function returns when its work is done.
void doneResult(mxArray*& slot);

}  // namespace kx

#endif
