// libmx of our MEX host: MATLAB arrays.
//
// An array is a class, a size, and separately stored real and imaginary
// data, as in MATLAB's classic (non-interleaved) API. Data is never a null
// pointer, even for an empty array (Octave's behaviour; MATLAB gives no
// promise either way), and is zero-filled. Cells and structs hold their
// elements' values, for kxsim's log.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "kxhost.h"
#include "mex.h"

struct mxArray_tag {
    mxClassID cls;
    std::size_t m;
    std::size_t n;
    std::size_t elementSize;
    void* re;
    void* im;  // null for a real array
    // A struct's field names, and its values element by element, each
    // element's fields in a row; a cell's elements.
    std::vector<std::string> fields;
    std::vector<mxArray*> values;
};

namespace {

std::unordered_set<mxArray*> live;
// Headers allocated and not yet freed, whether or not they made it into live.
std::size_t headers = 0;
bool inCall = false;
std::vector<mxArray*> callArrays;
unsigned long long physicalMemory = 0;

std::size_t sizeOf(mxClassID cls) {
    switch (cls) {
        case mxDOUBLE_CLASS: return sizeof(double);
        case mxSINGLE_CLASS: return sizeof(float);
        case mxLOGICAL_CLASS: return sizeof(mxLogical);
        case mxCHAR_CLASS: return sizeof(mxChar);
        case mxINT8_CLASS:
        case mxUINT8_CLASS: return 1;
        case mxINT16_CLASS:
        case mxUINT16_CLASS: return 2;
        case mxINT32_CLASS:
        case mxUINT32_CLASS: return 4;
        case mxINT64_CLASS:
        case mxUINT64_CLASS: return 8;
        default: return sizeof(void*);  // cells, structs: one slot per element
    }
}

mxArray* create(std::size_t m, std::size_t n, mxClassID cls, bool complex) {
    const std::size_t size = sizeOf(cls);
    if (n != 0 && m > SIZE_MAX / n / size) mexErrMsgTxt("Requested array exceeds the maximum possible size.");
    // The header is counted and owned from its allocation on, so that an
    // allocation failure after it, which raises, leaves nothing behind.
    auto* a = new mxArray{cls, m, n, size, nullptr, nullptr, {}, {}};
    ++headers;
    live.insert(a);
    void* re = std::calloc(m * n == 0 ? 1 : m * n, size);
    void* im = complex && re != nullptr ? std::calloc(m * n == 0 ? 1 : m * n, size) : nullptr;
    if (re == nullptr || (complex && im == nullptr)) {
        std::free(re);
        mxDestroyArray(a);
        mexErrMsgTxt("Out of memory.");
    }
    a->re = re;
    a->im = im;
    if (inCall) callArrays.push_back(a);
    return a;
}

// The slot of field name of element i; null for no such field or element.
mxArray** field(const mxArray* pa, std::size_t i, const char* name) {
    if (pa->cls != mxSTRUCT_CLASS || i >= pa->m * pa->n) return nullptr;
    const auto f = std::find(pa->fields.begin(), pa->fields.end(), name);
    if (f == pa->fields.end()) return nullptr;
    const std::size_t k = i * pa->fields.size() + static_cast<std::size_t>(f - pa->fields.begin());
    return const_cast<mxArray**>(&pa->values[k]);
}

template <class T>
double first(const mxArray* pa) {
    return static_cast<double>(*static_cast<const T*>(pa->re));
}

}  // namespace

extern "C" {

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity flag) {
    return create(m, n, mxDOUBLE_CLASS, flag == mxCOMPLEX);
}

mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID classid, mxComplexity flag) {
    return create(m, n, classid, flag == mxCOMPLEX);
}

mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n) { return create(m, n, mxLOGICAL_CLASS, false); }

mxArray* mxCreateCellMatrix(mwSize m, mwSize n) {
    mxArray* a = create(m, n, mxCELL_CLASS, false);
    a->values.assign(m * n, nullptr);
    return a;
}

mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char** fieldnames) {
    mxArray* a = create(m, n, mxSTRUCT_CLASS, false);
    for (int k = 0; k < nfields; ++k) a->fields.emplace_back(fieldnames[k]);
    a->values.assign(m * n * a->fields.size(), nullptr);
    return a;
}

mxArray* mxCreateString(const char* str) {
    const std::size_t length = std::strlen(str);
    mxArray* a = create(length == 0 ? 0 : 1, length, mxCHAR_CLASS, false);
    std::memcpy(a->re, str, length);
    return a;
}

mxArray* mxCreateDoubleScalar(double value) {
    mxArray* a = create(1, 1, mxDOUBLE_CLASS, false);
    *static_cast<double*>(a->re) = value;
    return a;
}

void mxDestroyArray(mxArray* pa) {
    if (pa == nullptr || live.erase(pa) == 0) return;
    for (mxArray* v : pa->values) mxDestroyArray(v);
    std::free(pa->re);
    std::free(pa->im);
    delete pa;
    --headers;
}

double* mxGetPr(const mxArray* pa) { return static_cast<double*>(pa->re); }
double* mxGetPi(const mxArray* pa) { return static_cast<double*>(pa->im); }
void* mxGetData(const mxArray* pa) { return pa->re; }
void* mxGetImagData(const mxArray* pa) { return pa->im; }
double mxGetScalar(const mxArray* pa) {
    if (pa->m * pa->n == 0) return 0.0;
    switch (pa->cls) {
        case mxDOUBLE_CLASS: return first<double>(pa);
        case mxSINGLE_CLASS: return first<float>(pa);
        case mxLOGICAL_CLASS: return first<mxLogical>(pa) ? 1.0 : 0.0;
        case mxCHAR_CLASS: return first<unsigned char>(pa);
        case mxINT8_CLASS: return first<int8_t>(pa);
        case mxUINT8_CLASS: return first<uint8_t>(pa);
        case mxINT16_CLASS: return first<int16_t>(pa);
        case mxUINT16_CLASS: return first<uint16_t>(pa);
        case mxINT32_CLASS: return first<int32_t>(pa);
        case mxUINT32_CLASS: return first<uint32_t>(pa);
        case mxINT64_CLASS: return first<int64_t>(pa);
        case mxUINT64_CLASS: return first<uint64_t>(pa);
        default: return 0.0;
    }
}
size_t mxGetM(const mxArray* pa) { return pa->m; }
size_t mxGetN(const mxArray* pa) { return pa->n; }
size_t mxGetNumberOfElements(const mxArray* pa) { return pa->m * pa->n; }
size_t mxGetElementSize(const mxArray* pa) { return pa->elementSize; }
mxClassID mxGetClassID(const mxArray* pa) { return pa->cls; }

bool mxIsNumeric(const mxArray* pa) {
    return pa->cls == mxDOUBLE_CLASS || pa->cls == mxSINGLE_CLASS ||
           (pa->cls >= mxINT8_CLASS && pa->cls <= mxUINT64_CLASS);
}
bool mxIsLogical(const mxArray* pa) { return pa->cls == mxLOGICAL_CLASS; }
bool mxIsDouble(const mxArray* pa) { return pa->cls == mxDOUBLE_CLASS; }
bool mxIsChar(const mxArray* pa) { return pa->cls == mxCHAR_CLASS; }
bool mxIsComplex(const mxArray* pa) { return pa->im != nullptr; }
bool mxIsEmpty(const mxArray* pa) { return pa->m == 0 || pa->n == 0; }
bool mxIsSparse(const mxArray*) { return false; }

char* mxArrayToString(const mxArray* pa) {
    if (pa->cls != mxCHAR_CLASS) return nullptr;
    const std::size_t length = pa->m * pa->n;
    char* s = static_cast<char*>(mxMalloc(length + 1));
    std::memcpy(s, pa->re, length);
    s[length] = '\0';
    return s;
}

int mxGetString(const mxArray* pa, char* buf, mwSize buflen) {
    if (buflen == 0) return 1;
    if (pa->cls != mxCHAR_CLASS) {
        buf[0] = '\0';
        return 1;
    }
    const std::size_t length = pa->m * pa->n;
    const std::size_t n = std::min(length, buflen - 1);
    std::memcpy(buf, pa->re, n);
    buf[n] = '\0';
    return n == length ? 0 : 1;
}

int mxGetNumberOfFields(const mxArray* pa) { return static_cast<int>(pa->fields.size()); }

const char* mxGetFieldNameByNumber(const mxArray* pa, int n) {
    if (n < 0 || static_cast<std::size_t>(n) >= pa->fields.size()) return nullptr;
    return pa->fields[static_cast<std::size_t>(n)].c_str();
}

mxArray* mxGetField(const mxArray* pa, mwIndex i, const char* fieldname) {
    mxArray** slot = field(pa, i, fieldname);
    return slot ? *slot : nullptr;
}

void mxSetField(mxArray* pa, mwIndex i, const char* fieldname, mxArray* value) {
    mxArray** slot = field(pa, i, fieldname);
    if (slot == nullptr) return;
    // As in MATLAB, a value it held is the caller's to destroy.
    *slot = value;
    kxhost_keep(value);
}

mxArray* mxGetCell(const mxArray* pa, mwIndex i) {
    if (pa->cls != mxCELL_CLASS || i >= pa->values.size()) return nullptr;
    return pa->values[i];
}

void mxSetCell(mxArray* pa, mwIndex i, mxArray* value) {
    if (pa->cls != mxCELL_CLASS || i >= pa->values.size()) return;
    // As in MATLAB, a value it held is the caller's to destroy.
    pa->values[i] = value;
    kxhost_keep(value);
}

void* mxMalloc(size_t n) {
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr) mexErrMsgTxt("Out of memory.");
    return p;
}

void mxFree(void* ptr) { std::free(ptr); }

void kxhost_begin_call(void) {
    inCall = true;
    callArrays.clear();
}

void kxhost_keep(mxArray* array) {
    for (mxArray*& a : callArrays)
        if (a == array) a = nullptr;
}

size_t kxhost_end_call(void) {
    inCall = false;
    std::size_t destroyed = 0;
    for (mxArray* a : callArrays) {
        if (a != nullptr && live.count(a) != 0) {
            mxDestroyArray(a);
            ++destroyed;
        }
    }
    callArrays.clear();
    return destroyed;
}

size_t kxhost_live_arrays(void) { return headers; }

void kxhost_set_physical_memory(unsigned long long bytes) { physicalMemory = bytes; }

unsigned long long kxhost_physical_memory(void) { return physicalMemory; }

}  // extern "C"
