// The host side of our MEX host stand-in: loading plug-ins, calling them as
// MATLAB does, and collecting what they print, raise and return.
#include "mexhost.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>

#include "kxhost.h"

#if defined(_WIN32)
#include <windows.h>

#include <csetjmp>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace mexhost {

namespace {

using MexFunction = void (*)(int, mxArray*[], int, const mxArray*[]);

Array adopt(mxArray* a) { return Array(a); }

Array filled(std::size_t m, std::size_t n, const std::vector<double>& values) {
    Array a = adopt(mxCreateDoubleMatrix(m, n, mxREAL));
    std::copy(values.begin(), values.end(), mxGetPr(a.get()));
    return a;
}

}  // namespace

Array scalar(double value) { return filled(1, 1, {value}); }
Array row(std::initializer_list<double> values) { return row(std::vector<double>(values)); }
Array row(const std::vector<double>& values) { return filled(1, values.size(), values); }
Array column(std::initializer_list<double> values) {
    return filled(values.size(), 1, std::vector<double>(values));
}

Array matrix(std::size_t m, std::size_t n, const std::vector<double>& columnMajor) {
    if (!columnMajor.empty() && columnMajor.size() != m * n)
        throw std::logic_error("matrix: element count does not match its size");
    return filled(m, n, columnMajor);
}

Array complexScalar(double re, double im) {
    Array a = adopt(mxCreateDoubleMatrix(1, 1, mxCOMPLEX));
    mxGetPr(a.get())[0] = re;
    mxGetPi(a.get())[0] = im;
    return a;
}

Array text(const char* s) { return adopt(mxCreateString(s)); }

Array logical(bool value) {
    Array a = adopt(mxCreateLogicalMatrix(1, 1));
    static_cast<mxLogical*>(mxGetData(a.get()))[0] = value;
    return a;
}

Array numeric(mxClassID cls, double value) {
    Array a = adopt(mxCreateNumericMatrix(1, 1, cls, mxREAL));
    void* p = mxGetData(a.get());
    switch (cls) {
        case mxSINGLE_CLASS: *static_cast<float*>(p) = static_cast<float>(value); break;
        case mxINT8_CLASS: *static_cast<int8_t*>(p) = static_cast<int8_t>(value); break;
        case mxUINT8_CLASS: *static_cast<uint8_t*>(p) = static_cast<uint8_t>(value); break;
        case mxINT16_CLASS: *static_cast<int16_t*>(p) = static_cast<int16_t>(value); break;
        case mxUINT16_CLASS: *static_cast<uint16_t*>(p) = static_cast<uint16_t>(value); break;
        case mxINT32_CLASS: *static_cast<int32_t*>(p) = static_cast<int32_t>(value); break;
        case mxUINT32_CLASS: *static_cast<uint32_t*>(p) = static_cast<uint32_t>(value); break;
        case mxINT64_CLASS: *static_cast<int64_t*>(p) = static_cast<int64_t>(value); break;
        case mxUINT64_CLASS: *static_cast<uint64_t*>(p) = static_cast<uint64_t>(value); break;
        case mxDOUBLE_CLASS: *static_cast<double*>(p) = value; break;
        default: throw std::logic_error("numeric: not a numeric class");
    }
    return a;
}

Array cell() { return adopt(mxCreateCellMatrix(1, 1)); }
Array structure() { return adopt(mxCreateStructMatrix(1, 1, 0, nullptr)); }

std::vector<Array> scalars(std::initializer_list<double> values) {
    std::vector<Array> v;
    for (double x : values) v.push_back(scalar(x));
    return v;
}

std::string Outcome::printed() const {
    std::string all;
    for (const std::string& p : prints) all += p;
    return all;
}

namespace {

const mxArray* result(const Outcome& o, std::size_t k) {
    if (k >= o.results.size() || !o.results[k]) throw std::logic_error("result not set");
    return o.results[k].get();
}

}  // namespace

std::vector<double> Outcome::values(std::size_t k) const {
    const mxArray* a = result(*this, k);
    if (!mxIsDouble(a)) throw std::logic_error("result is not double");
    const double* p = mxGetPr(a);
    return std::vector<double>(p, p + mxGetNumberOfElements(a));
}

std::size_t Outcome::rows(std::size_t k) const { return mxGetM(result(*this, k)); }
std::size_t Outcome::cols(std::size_t k) const { return mxGetN(result(*this, k)); }

std::string Outcome::textOf(std::size_t k) const {
    const mxArray* a = result(*this, k);
    if (!mxIsChar(a)) throw std::logic_error("result is not char");
    return std::string(static_cast<const char*>(mxGetData(a)), mxGetNumberOfElements(a));
}

// The running program's own file; empty where the system does not say.
std::string executablePath() {
#if defined(_WIN32)
    char path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
#else
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
#endif
}

namespace {

std::string pluginDirectory;
Outcome* current = nullptr;

struct Loaded {
    MexFunction entry = nullptr;
    int loads = 0;
};
std::map<std::string, Loaded> plugins;

#if defined(_WIN32)
#if defined(_WIN64)
const char* const suffix = ".mexw64";
#else
const char* const suffix = ".mexw32";
#endif
const char separator = '\\';


MexFunction open(const std::string& path) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) return nullptr;
    return reinterpret_cast<MexFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "mexFunction")));
}
#else
#if UINTPTR_MAX > 0xFFFFFFFFu
const char* const suffix = ".mexa64";
#else
const char* const suffix = ".mexglx";
#endif
const char separator = '/';


MexFunction open(const std::string& path) {
    // Like MATLAB, a plug-in stays loaded until the process ends.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<MexFunction>(dlsym(module, "mexFunction"));
}
#endif

std::string directory() {
    if (const char* env = std::getenv("KX4410_PLUGIN_DIR")) return env;
    if (!pluginDirectory.empty()) return pluginDirectory;
    const std::string self = executablePath();
    const std::size_t slash = self.find_last_of("\\/");
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

void recordPrint(const char* format, const char* text) {
    if (current == nullptr) return;
    current->formats.emplace_back(format);
    current->prints.emplace_back(text);
}

// How a raised error leaves the plug-in. On Linux it unwinds as a C++
// exception, as Octave's raises do, so a plug-in that caught exceptions
// would be caught out here too. On Windows each DLL carries its
// own static copy of the C++ runtime, and an exception cannot unwind across
// them; there the host jumps back to where it called the plug-in, as
// MATLAB's own error handling does.
std::string raisedMessage;
std::string raisedIdentifier;

#if defined(_WIN32)
std::jmp_buf* raiseTarget = nullptr;

[[noreturn]] void onRaise(const char* identifier, const char* message) {
    raisedIdentifier = identifier;
    raisedMessage = message;
    std::longjmp(*raiseTarget, 1);
}

// No object with a destructor lives in this frame: longjmp skips none.
bool invoke(MexFunction entry, int nlhs, mxArray** plhs, int nrhs, const mxArray** prhs) {
    std::jmp_buf target;
    raiseTarget = &target;
    if (setjmp(target) != 0) return false;
    entry(nlhs, plhs, nrhs, prhs);
    return true;
}
#else
struct Raised : std::exception {
    const char* what() const noexcept override { return "mexErrMsgTxt"; }
};

[[noreturn]] void onRaise(const char* identifier, const char* message) {
    raisedIdentifier = identifier;
    raisedMessage = message;
    throw Raised();
}

bool invoke(MexFunction entry, int nlhs, mxArray** plhs, int nrhs, const mxArray** prhs) {
    try {
        entry(nlhs, plhs, nrhs, prhs);
        return true;
    } catch (const Raised&) {
        return false;
    }
}
#endif

MexFunction find(const std::string& function, Outcome& out) {
    Loaded& p = plugins[function];
    if (p.entry == nullptr) {
        p.entry = open(directory() + separator + function + suffix);
        if (p.entry == nullptr) {
            out.raised = true;
            out.message = "Undefined function '" + function + "'.";
            return nullptr;
        }
        ++p.loads;
    }
    return p.entry;
}

// The bytes of every argument, to prove afterwards that the call only read
// them: arguments belong to MATLAB.
std::vector<std::string> snapshot(const std::vector<const mxArray*>& args) {
    std::vector<std::string> bytes;
    for (const mxArray* a : args) {
        const std::size_t size = mxGetNumberOfElements(a) * mxGetElementSize(a);
        std::string b(static_cast<const char*>(mxGetData(a)), size);
        if (mxGetImagData(a) != nullptr) b.append(static_cast<const char*>(mxGetImagData(a)), size);
        bytes.push_back(b);
    }
    return bytes;
}

}  // namespace

void setPluginDirectory(const std::string& dir) { pluginDirectory = dir; }
const char* pluginSuffix() { return suffix; }

Entry entry(const std::string& function) {
    Outcome ignored;
    return find(function, ignored);
}

int loadCount(const std::string& function) {
    auto it = plugins.find(function);
    return it == plugins.end() ? 0 : it->second.loads;
}

Outcome call(const std::string& function, int nlhs, const std::vector<const mxArray*>& args) {
    Outcome out;
    const MexFunction entry = find(function, out);
    if (entry == nullptr) return out;

    const std::vector<std::string> before = snapshot(args);
    // MATLAB always offers at least one result slot: a function called as a
    // statement may still set plhs[0], which becomes ans.
    std::vector<mxArray*> plhs(static_cast<std::size_t>(nlhs > 1 ? nlhs : 1), nullptr);
    std::vector<const mxArray*> prhs(args);

    current = &out;
    kxhost_set_print(recordPrint);
    kxhost_set_raise(onRaise);
    kxhost_begin_call();
    const bool returned = invoke(entry, nlhs, plhs.data(), static_cast<int>(prhs.size()),
                                 prhs.empty() ? nullptr : prhs.data());
    current = nullptr;

    if (returned) {
        for (int k = 0; k < nlhs; ++k) {
            if (plhs[static_cast<std::size_t>(k)] == nullptr) {
                out.raised = true;
                out.message = "One or more output arguments not assigned during call to \"" +
                              function + "\".";
            }
        }
    } else {
        out.raised = true;
        out.message = raisedMessage;
        out.identifier = raisedIdentifier;
    }
    if (!out.raised) {
        for (mxArray* a : plhs) {
            if (a != nullptr) kxhost_keep(a);
            out.results.emplace_back(a);
        }
    }
    kxhost_end_call();
    if (out.results.empty()) out.results.resize(plhs.size());

    if (snapshot(args) != before) throw std::logic_error(function + " wrote into an argument");
    return out;
}

Outcome call(const std::string& function, int nlhs, const std::vector<Array>& args) {
    std::vector<const mxArray*> raw;
    for (const Array& a : args) raw.push_back(a.get());
    return call(function, nlhs, raw);
}

}  // namespace mexhost
