// libmex of our MEX host: printing to the command window, raising errors
// and the user's Ctrl-C.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kxhost.h"
#include "mex.h"

namespace {

kxhost_raise_fn raiseHook = nullptr;
kxhost_print_fn printHook = nullptr;
kxhost_probe_fn interruptProbe = nullptr;

std::string formatted(const char* format, std::va_list args) {
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
    va_end(again);
    return text;
}

[[noreturn]] void raise(const char* identifier, const char* message) {
    if (raiseHook != nullptr) raiseHook(identifier, message);
    // A hook that returns, or none at all: the call cannot go on.
    std::fprintf(stderr, "Error: %s\n", message);
    std::abort();
}

}  // namespace

extern "C" {

volatile sig_atomic_t kxhost_interrupt_armed = 0;

void kxhost_set_raise(kxhost_raise_fn raise) { raiseHook = raise; }
void kxhost_set_print(kxhost_print_fn print) { printHook = print; }
void kxhost_set_interrupt_probe(kxhost_probe_fn probe) {
    interruptProbe = probe;
    kxhost_interrupt_armed = probe != nullptr;
}

int kxhost_interrupt_pending(void) {
    if (interruptProbe == nullptr || interruptProbe() == 0) return 0;
    // One Ctrl-C, one request.
    interruptProbe = nullptr;
    kxhost_interrupt_armed = 0;
    return 1;
}

void mexErrMsgTxt(const char* message) { raise("", message); }

void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...) {
    // Static: on Windows the hook leaves by longjmp, which must skip no
    // destructor in this frame.
    static std::string message;
    std::va_list args;
    va_start(args, format);
    message = formatted(format, args);
    va_end(args);
    raise(identifier, message.c_str());
}

int mexPrintf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string text = formatted(format, args);
    va_end(args);

    if (printHook != nullptr)
        printHook(format, text.c_str());
    else
        std::fputs(text.c_str(), stdout);
    return static_cast<int>(text.size());
}

}  // extern "C"
