/* The MEX API as our own host stand-in offers it.
 *
 * Declares the part of MATLAB's MEX interface that the toolbox's plug-ins and
 * tests use, with MATLAB's names and signatures (separate real and imaginary
 * storage, as in MATLAB's default API), so that a plug-in source builds
 * unchanged against this header, Octave's or MATLAB's own. The mx* calls live
 * in the host library libmx, the mex* calls in libmex.
 */
#ifndef KX4410_HOST_MEX_H
#define KX4410_HOST_MEX_H

#include <stdbool.h>
#include <stddef.h>

#if defined(_WIN32)
#if defined(KXHOST_BUILDING)
#define KXHOST_API __declspec(dllexport)
#else
#define KXHOST_API __declspec(dllimport)
#endif
#define MEXFUNCTION_LINKAGE __declspec(dllexport)
#else
#define KXHOST_API __attribute__((visibility("default")))
#define MEXFUNCTION_LINKAGE __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef size_t mwSize;
typedef size_t mwIndex;
typedef struct mxArray_tag mxArray;
typedef bool mxLogical;
typedef char mxChar;

typedef enum {
    mxUNKNOWN_CLASS = 0,
    mxCELL_CLASS,
    mxSTRUCT_CLASS,
    mxLOGICAL_CLASS,
    mxCHAR_CLASS,
    mxVOID_CLASS,
    mxDOUBLE_CLASS,
    mxSINGLE_CLASS,
    mxINT8_CLASS,
    mxUINT8_CLASS,
    mxINT16_CLASS,
    mxUINT16_CLASS,
    mxINT32_CLASS,
    mxUINT32_CLASS,
    mxINT64_CLASS,
    mxUINT64_CLASS,
    mxFUNCTION_CLASS
} mxClassID;

typedef enum { mxREAL = 0, mxCOMPLEX } mxComplexity;

/* The entry point every plug-in defines. */
MEXFUNCTION_LINKAGE void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

/* libmx: arrays. */
KXHOST_API mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity flag);
KXHOST_API mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID classid,
                                          mxComplexity flag);
KXHOST_API mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n);
KXHOST_API mxArray* mxCreateCellMatrix(mwSize m, mwSize n);
KXHOST_API mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char** fieldnames);
KXHOST_API mxArray* mxCreateString(const char* str);
KXHOST_API mxArray* mxCreateDoubleScalar(double value);
KXHOST_API void mxDestroyArray(mxArray* pa);

KXHOST_API double* mxGetPr(const mxArray* pa);
KXHOST_API double* mxGetPi(const mxArray* pa);
KXHOST_API void* mxGetData(const mxArray* pa);
/* The first element's real part as a double (logical: 0 or 1); 0 for an
 * empty array and for cells and structs. */
KXHOST_API double mxGetScalar(const mxArray* pa);
KXHOST_API void* mxGetImagData(const mxArray* pa);
KXHOST_API size_t mxGetM(const mxArray* pa);
KXHOST_API size_t mxGetN(const mxArray* pa);
KXHOST_API size_t mxGetNumberOfElements(const mxArray* pa);
KXHOST_API size_t mxGetElementSize(const mxArray* pa);
KXHOST_API mxClassID mxGetClassID(const mxArray* pa);
KXHOST_API bool mxIsNumeric(const mxArray* pa);
KXHOST_API bool mxIsLogical(const mxArray* pa);
KXHOST_API bool mxIsDouble(const mxArray* pa);
KXHOST_API bool mxIsChar(const mxArray* pa);
KXHOST_API bool mxIsComplex(const mxArray* pa);
KXHOST_API bool mxIsEmpty(const mxArray* pa);
KXHOST_API bool mxIsSparse(const mxArray* pa); /* our host has no sparse arrays: false */

/* A NUL-terminated copy of a char array's text, to be freed with mxFree;
 * NULL for an array that is not char. */
KXHOST_API char* mxArrayToString(const mxArray* pa);
/* The text of a char array into buf, NUL-terminated and cut to buflen - 1
 * characters; 0, or 1 for an array that is not char or a text cut short. */
KXHOST_API int mxGetString(const mxArray* pa, char* buf, mwSize buflen);
KXHOST_API void* mxMalloc(size_t n);
KXHOST_API void mxFree(void* ptr);

/* Struct arrays. A value set into a field belongs to the struct from then
 * on: destroying the struct destroys it. */
KXHOST_API int mxGetNumberOfFields(const mxArray* pa);
KXHOST_API const char* mxGetFieldNameByNumber(const mxArray* pa, int n);
KXHOST_API mxArray* mxGetField(const mxArray* pa, mwIndex i, const char* fieldname);
KXHOST_API void mxSetField(mxArray* pa, mwIndex i, const char* fieldname, mxArray* value);
/* Cell arrays, likewise: a value set into a cell belongs to it. */
KXHOST_API mxArray* mxGetCell(const mxArray* pa, mwIndex i);
KXHOST_API void mxSetCell(mxArray* pa, mwIndex i, mxArray* value);

/* libmex: the host. */
#if defined(__cplusplus)
[[noreturn]]
#endif
KXHOST_API void mexErrMsgTxt(const char* message);
/* Raises an error with an identifier ("component:mnemonic") and a message
 * formatted from format and the values after it. */
#if defined(__cplusplus)
[[noreturn]]
#endif
KXHOST_API void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
KXHOST_API int mexPrintf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

#ifdef __cplusplus
}
#endif

#endif
