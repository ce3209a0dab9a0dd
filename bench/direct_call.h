// A plug-in called the way a host calls it and nothing more: its entry point
// with prepared arguments, the results destroyed afterwards. Unlike
// mexhost::call it takes no snapshots of the arguments and records no
// prints, which are test checks whose cost would hide the plug-in's own.
#ifndef KX4410_BENCH_DIRECT_CALL_H
#define KX4410_BENCH_DIRECT_CALL_H

#include <string>
#include <utility>
#include <vector>

#include "kxhost.h"
#include "mex.h"
#include "mexhost.h"

class DirectCall {
public:
    DirectCall(const std::string& function, int nlhs, std::vector<mexhost::Array> args)
        : entry_(mexhost::entry(function)), nlhs_(nlhs), args_(std::move(args)) {
        for (const mexhost::Array& a : args_) prhs_.push_back(a.get());
        plhs_.resize(static_cast<std::size_t>(nlhs > 1 ? nlhs : 1));
        if (entry_ == nullptr) message_ = "cannot load " + function;
    }

    // One call; false (and message()) when it could not be made or raised.
    bool operator()() {
        if (entry_ == nullptr) return false;
        kxhost_set_raise(onRaise);
        for (mxArray*& r : plhs_) r = nullptr;
        bool returned = true;
        try {
            entry_(nlhs_, plhs_.data(), static_cast<int>(prhs_.size()), prhs_.data());
        } catch (const Raised& r) {
            message_ = r.message;
            returned = false;
        }
        for (mxArray* r : plhs_) mxDestroyArray(r);
        return returned;
    }

    const std::string& message() const { return message_; }

private:
    struct Raised {
        std::string message;
    };
    [[noreturn]] static void onRaise(const char* /*identifier*/, const char* message) {
        throw Raised{message};
    }

    mexhost::Entry entry_;
    int nlhs_;
    std::vector<mexhost::Array> args_;
    std::vector<const mxArray*> prhs_;
    std::vector<mxArray*> plhs_;
    std::string message_;
};

#endif
