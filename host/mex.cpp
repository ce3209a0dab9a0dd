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

}  // namespace

extern "C" {

kxhost_probe_fn kxhost_interrupt_probe = nullptr;

void kxhost_set_raise(kxhost_raise_fn raise) { raiseHook = raise; }
void kxhost_set_print(kxhost_print_fn print) { printHook = print; }
void kxhost_set_interrupt_probe(kxhost_probe_fn probe) { kxhost_interrupt_probe = probe; }

int kxhost_interrupt_pending(void) {
    if (kxhost_interrupt_probe == nullptr || kxhost_interrupt_probe() == 0) return 0;
    kxhost_interrupt_probe = nullptr;  // one Ctrl-C, one request
    return 1;
}

void mexErrMsgTxt(const char* message) {
    if (raiseHook != nullptr) raiseHook(message);
    // A hook that returns, or none at all: the call cannot go on.
    std::fprintf(stderr, "Error: %s\n", message);
    std::abort();
}

int mexPrintf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
    va_end(again);

    if (printHook != nullptr)
        printHook(format, text.c_str());
    else
        std::fputs(text.c_str(), stdout);
    return length;
}

}  // extern "C"
