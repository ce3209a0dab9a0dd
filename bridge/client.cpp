// The driver client: every call of the table sent to the driver server and
// its answer returned (the rules are in kxbridge.h).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "calls.h"
#include "channel.h"
#include "kxbridge.h"
#include "kxdrv.h"
#include "wire.h"
#if defined(KXBRIDGE_CONTROL_PORT_CLIENT)
#include "kxsim.h"
static_assert(kxbridge::kLogBlock == KXSIM_LOG_BLOCK, "a log block has the board's length");
#endif

namespace kxbridge {

namespace {

// Spinning for an answer before blocking: an operation's own time and the
// round trip, with room to spare.
constexpr int64_t kSpinNs = 100000;
// A server that has not reported in this long after its start is taken as
// failed (wine may take seconds to start a process).
constexpr int64_t kStartLimitNs = 60000000000LL;

class Client {
public:
    std::mutex mutex;

    // The channel to a running server, started first when the rules allow
    // it; null for none.
    Channel* ready(uint32_t call) {
        if (link_) return &link_->channel();
        if (started_ && !restarts(call)) return nullptr;
        started_ = true;
        start();
        return link_ ? &link_->channel() : nullptr;
    }

    // Rings the request and waits for the reply; false (and no server any
    // more) if the server ended first.
    bool roundTrip(int64_t expectedNs) {
        Channel& c = link_->channel();
        ring(*link_, c.request);
        if (!await(*link_, c.reply, c.request, replies_, Patience{kSpinNs, expectedNs, -1})) {
            const std::string how = link_->end();
            problem_ = "the driver server ended";
            if (!how.empty()) problem_ += " (" + how + ")";
            link_.reset();
            return false;
        }
        ++replies_;
        return true;
    }

    int64_t serverPid() const { return link_ ? link_->peer() : 0; }
    const std::string& problem() const { return problem_; }

private:
    void start() {
        problem_.clear();
        std::unique_ptr<Link> link = Link::start(serverBesideLibrary(), problem_);
        if (!link) return;
        Channel& c = link->channel();
        // The server rings once: with its driver bound, or failed.
        if (!await(*link, c.reply, c.request, 0, Patience{kSpinNs, 0, kStartLimitNs})) {
            problem_ = "the driver server ended or did not report after its start";
            return;
        }
        if (c.state != kReady) {
            c.problem[sizeof c.problem - 1] = '\0';
            problem_ = c.problem;
            return;
        }
        replies_ = 1;
        link_ = std::move(link);
    }

    std::unique_ptr<Link> link_;
    bool started_ = false;
    uint32_t replies_ = 0;
    std::string problem_;
};

// Never destroyed: a call made while the host process ends still finds it.
Client& client() {
    static Client* c = new Client;
    return *c;
}

// Why a call of this thread found no server, since the thread last asked
// (kxsim_unreachable); a thread's own, so that another's calls cannot
// answer for it.
thread_local bool unreached = false;
thread_local char unreachedWhy[256];

void noServer(const Client& cl) {
    std::snprintf(unreachedWhy, sizeof unreachedWhy, "%s", cl.problem().c_str());
    unreached = true;
}

// How long a call's answer is expected to take: a wait in the driver its
// length, everything else at once.
template <uint32_t C>
struct Expected {
    template <class... A>
    static int64_t ns(A...) {
        return 0;
    }
};
template <>
struct Expected<kCall_DelayMicros> {
    static int64_t ns(int32_t micros) { return micros > 0 ? int64_t{micros} * 1000 : 0; }
};

// What a call answers without a server.
template <class R>
struct Answer {
    R value;
};
template <>
struct Answer<void> {};

template <class R, class V>
Answer<R> answerOf(V v) {
    return Answer<R>{static_cast<R>(v)};
}
template <class R>
Answer<R> answerOf() {
    return Answer<R>{};
}

// One call forwarded: constructed with its answer without a server, called
// with its arguments.
template <uint32_t C, class F>
struct Forward;

template <uint32_t C, class R, class... P>
struct Forward<C, R(P...)> {
    Answer<R> none;

    R operator()(P... args) const {
        using W = Wire<C, R(P...)>;
        const typename W::Args a(args...);
        Client& cl = client();
        std::lock_guard<std::mutex> lock(cl.mutex);
        // A call that brings a server back, and finds that the one it had
        // has ended, makes itself on a new one.
        for (int attempt = 0; attempt < 2; ++attempt) {
            Channel* c = cl.ready(C);
            if (c == nullptr) {
                noServer(cl);
                break;
            }
            Writer out(c->payload, kPayloadBytes);
            W::request(out, a);
            if (!out.ok()) break;
            c->call = C;
            c->size = static_cast<uint32_t>(out.size());
            if (!cl.roundTrip(Expected<C>::ns(args...))) {
                if (restarts(C) && attempt == 0) continue;
                noServer(cl);
                break;
            }
            if (c->outcome != kAnswered || c->size > kPayloadBytes) break;
            Reader in(c->payload, c->size);
            std::conditional_t<std::is_void<R>::value, int, R> result{};
            if (!W::answer(in, a, result)) break;
            if constexpr (!std::is_void<R>::value) return result;
            else return;
        }
        return fallback();
    }

    R fallback() const {
        if constexpr (!std::is_void<R>::value) return none.value;
    }
};

}  // namespace

namespace {

// A name that is not the table's, kept for good from its first arrival on.
// A type of this file's own, so that no container code is exported beside
// the driver's operations.
struct Kept {
    const char* text;
};

}  // namespace

// The names a log entry brings back: the table's own, which live as long as
// the library, or else kept ones.
const char* staticName(const std::string& name) {
    for (const char* n : kCallNames)
        if (name == n) return n;
    static std::vector<Kept>* kept = new std::vector<Kept>;
    for (const Kept& k : *kept)
        if (name == k.text) return k.text;
    char* text = new char[name.size() + 1];
    std::memcpy(text, name.c_str(), name.size() + 1);
    kept->push_back(Kept{text});
    return text;
}

}  // namespace kxbridge

extern "C" {

// Each call of the table defined as declared, its body the forwarding.
#define KXBRIDGE_FORWARD(ret, name, params, args, answer)                                        \
    const kxbridge::Forward<kxbridge::kCall_##name, ret params> forward{                         \
        kxbridge::answerOf<ret>(answer)};                                                        \
    return forward args;

#define KXBRIDGE_OPERATION(ret, name, params, args, answer) \
    ret KXDRV_CALL name params { KXBRIDGE_FORWARD(ret, name, params, args, answer) }
KXBRIDGE_DRIVER_OPERATIONS(KXBRIDGE_OPERATION)

#if defined(KXBRIDGE_CONTROL_PORT_CLIENT)
#define KXBRIDGE_PORT_CALL(ret, name, params, args, answer) \
    ret name params { KXBRIDGE_FORWARD(ret, name, params, args, answer) }
KXBRIDGE_CONTROL_PORT(KXBRIDGE_PORT_CALL)
#endif

int64_t kxbridge_server_pid(void) {
    kxbridge::Client& cl = kxbridge::client();
    std::lock_guard<std::mutex> lock(cl.mutex);
    return cl.serverPid();
}

#if defined(KXBRIDGE_CONTROL_PORT_CLIENT)
// The client's own answer, not the server's: whether a server took the calls.
const char* kxsim_unreachable(void) {
    if (!kxbridge::unreached) return nullptr;
    kxbridge::unreached = false;
    return kxbridge::unreachedWhy;
}
#endif

const char* kxbridge_problem(void) {
    static char text[256];
    kxbridge::Client& cl = kxbridge::client();
    std::lock_guard<std::mutex> lock(cl.mutex);
    std::strncpy(text, cl.problem().c_str(), sizeof text - 1);
    return text;
}

}  // extern "C"
