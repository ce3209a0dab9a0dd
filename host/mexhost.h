// The host side of our MEX host stand-in: what MATLAB does around a call.
//
// It finds a plug-in by its function name, loads it once per process on the
// first call of that name (as MATLAB does), hands mexFunction its result
// count and arguments, and gives back the results, everything the call
// printed and the message it raised. Arrays the call created but did not hand
// back are freed when it ends, as MATLAB frees them.
#ifndef KX4410_HOST_MEXHOST_H
#define KX4410_HOST_MEXHOST_H

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mex.h"

namespace mexhost {

struct ArrayDeleter {
    void operator()(mxArray* a) const { mxDestroyArray(a); }
};
using Array = std::unique_ptr<mxArray, ArrayDeleter>;

// Argument factories, for the arrays a MATLAB user would type.
Array scalar(double value);
Array row(std::initializer_list<double> values);
Array row(const std::vector<double>& values);
Array column(std::initializer_list<double> values);
Array matrix(std::size_t m, std::size_t n, const std::vector<double>& columnMajor = {});
Array complexScalar(double re, double im);
Array text(const char* s);
Array logical(bool value);
Array numeric(mxClassID cls, double value);  // a 1 x 1 integer or single array
Array cell();                                // a 1 x 1 cell holding nothing
Array structure();                           // a 1 x 1 struct with no fields

struct Outcome {
    std::vector<Array> results;       // nlhs slots (slot 0 also when nlhs is 0); null if not set
    std::vector<std::string> prints;  // one entry per mexPrintf call, formatted
    std::vector<std::string> formats; // the format string of each mexPrintf call
    bool raised = false;
    std::string message;     // the raised message; empty when none
    std::string identifier;  // the raised error's identifier; empty when none or not given

    std::string printed() const;  // all prints in order, joined
    // Result k as doubles (throws std::logic_error if it is missing or not double).
    std::vector<double> values(std::size_t k) const;
    std::size_t rows(std::size_t k) const;
    std::size_t cols(std::size_t k) const;
    std::string textOf(std::size_t k) const;
};

// Where plug-ins are looked for: the KX4410_PLUGIN_DIR of the environment
// when set (the bridge's tests name their folder so), else the folder given
// here, else the folder of the running executable.
void setPluginDirectory(const std::string& dir);
// The running program's own file; empty where the system does not say.
std::string executablePath();
// The file name ending of plug-ins on this platform (".mexa64", ".mexglx",
// ".mexw32").
const char* pluginSuffix();

// Calls function with nlhs results and the given arguments. A plug-in that
// cannot be loaded, or whose result slots 0..nlhs-1 are not all set on a
// normal return, raises as MATLAB would.
Outcome call(const std::string& function, int nlhs, const std::vector<const mxArray*>& args);

// The same with owned arguments: call("KX4410_Delay", 0, args(scalar(5))).
Outcome call(const std::string& function, int nlhs, const std::vector<Array>& args);

template <class... A>
std::vector<Array> args(A&&... arrays) {
    std::vector<Array> v;
    (v.push_back(std::forward<A>(arrays)), ...);
    return v;
}
// Scalars only: scalars({0, 3, 0, 10}).
std::vector<Array> scalars(std::initializer_list<double> values);

// How many times a plug-in has been loaded into this process (0 or 1).
int loadCount(const std::string& function);

// A plug-in's entry point, loaded as call loads it; null if it cannot be.
// For benchmarks, which call it bare: no argument snapshots, no print
// capture, no result checks and no freeing of what the call left behind.
using Entry = void (*)(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
Entry entry(const std::string& function);

}  // namespace mexhost

#endif
