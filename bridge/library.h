// The driver library the server loads: kxdrv, found as a plug-in finds it
// beside itself, and its calls bound as the plug-ins bind them: the
// operations by ordinal on Windows, by name elsewhere; the control port by
// name, where the library has one.
#ifndef KX4410_BRIDGE_LIBRARY_H
#define KX4410_BRIDGE_LIBRARY_H

#include <string>

#if defined(_WIN32)
// Without the multimedia API, whose OpenDriver and CloseDriver are not kxdrv's.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace kxbridge {

// The folder of the running program.
inline std::string programFolder() {
#if defined(_WIN32)
    char path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string p(path, n);
    return p.substr(0, p.find_last_of("\\/"));
#else
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n <= 0) return ".";
    const std::string p(path, static_cast<std::size_t>(n));
    return p.substr(0, p.find_last_of('/'));
#endif
}

// A function of any type, as bound; cast back to its own type to call it.
using AnyFunction = void (*)(void);

class Library {
public:
    Library() = default;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // path empty: kxdrv.dll in the Windows search order (the server's own
    // folder first), or libkxdrv.so in the server's own folder. False, and
    // the reason in problem, if it does not load.
    bool open(const std::string& path, std::string& problem) {
#if defined(_WIN32)
        // No dialog about a missing or broken library: the reason is reported.
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        const std::string name = path.empty() ? "kxdrv.dll" : path;
        handle_ = LoadLibraryA(name.c_str());
        if (handle_ == nullptr) {
            problem = "cannot load " + name + ": error " + std::to_string(GetLastError());
            return false;
        }
#else
        const std::string name = path.empty() ? programFolder() + "/libkxdrv.so" : path;
        handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            const char* why = dlerror();
            problem = "cannot load " + name + ": " + (why ? why : "unknown");
            return false;
        }
        file_ = name;
#endif
        return true;
    }

    // The file that was loaded.
    std::string file() const {
#if defined(_WIN32)
        char path[MAX_PATH * 4];
        const DWORD n = GetModuleFileNameA(handle_, path, sizeof path);
        return std::string(path, n);
#else
        return file_;
#endif
    }

    AnyFunction operation(int ordinal, const char* name) const {
#if defined(_WIN32)
        (void)name;
        return reinterpret_cast<AnyFunction>(
            GetProcAddress(handle_, MAKEINTRESOURCEA(static_cast<WORD>(ordinal))));
#else
        (void)ordinal;
        return symbol(name);
#endif
    }

    AnyFunction symbol(const char* name) const {
#if defined(_WIN32)
        return reinterpret_cast<AnyFunction>(GetProcAddress(handle_, name));
#else
        return reinterpret_cast<AnyFunction>(dlsym(handle_, name));
#endif
    }

    static const char* binding() {
#if defined(_WIN32)
        return "by ordinal";
#else
        return "by name";
#endif
    }

private:
#if defined(_WIN32)
    HMODULE handle_ = nullptr;
#else
    void* handle_ = nullptr;
    std::string file_;
#endif
};

}  // namespace kxbridge

#endif
