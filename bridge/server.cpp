// kxdrv-server: the driver server. Loads kxdrv, binds its calls and
// answers its client's calls over the channel, one at a time, until the
// client ends.
//
//   kxdrv-server --channel-fd N --parent PID     (Linux, started by the client)
//   kxdrv-server --channel NAME --parent PID     (Windows, started by the client)
//   kxdrv-server --check [--driver FILE]         loads the driver, binds it, opens
//                                                and closes a session, and says how
//                                                each step went; 0 if all went well
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "calls.h"
#include "channel.h"
#include "kxdrv.h"
#include "kxdrv_ordinals.h"
#include "kxsim.h"
#include "library.h"
#include "wire.h"

// The table's declarations must be the headers': a call that differs from
// its declaration there does not compile.
extern "C" {
#define KXBRIDGE_DECLARE_OPERATION(ret, name, params, args, answer) \
    KXDRV_OP ret KXDRV_CALL name params;
KXBRIDGE_DRIVER_OPERATIONS(KXBRIDGE_DECLARE_OPERATION)
#define KXBRIDGE_DECLARE_PORT_CALL(ret, name, params, args, answer) KXDRV_API ret name params;
KXBRIDGE_CONTROL_PORT(KXBRIDGE_DECLARE_PORT_CALL)
}
static_assert(kxbridge::kLogBlock == KXSIM_LOG_BLOCK, "a log block has the board's length");

namespace {

using namespace kxbridge;

// Spinning for the next call before blocking: calls in a plug-in's loop
// follow each other within microseconds.
constexpr int64_t kIdleSpinNs = 100000;

using Serve = bool (*)(AnyFunction, Reader&, Writer&);

#define KXBRIDGE_SERVE(ret, name, params, args, answer)                                     \
    [](AnyFunction f, Reader& in, Writer& out) {                                            \
        return Wire<kCall_##name, ret params>::serve(reinterpret_cast<decltype(&::name)>(f), \
                                                     in, out);                              \
    },
const Serve kServe[kCallCount] = {KXBRIDGE_CALLS(KXBRIDGE_SERVE)};

struct Driver {
    Library library;
    AnyFunction bound[kCallCount] = {};
    bool controlPort = false;

    // Loads the library and binds its calls; every operation must be there.
    bool load(const std::string& path, std::string& problem) {
        if (!library.open(path, problem)) return false;
#define KXBRIDGE_BIND_OPERATION(ret, name, params, args, answer)                            \
    bound[kCall_##name] = library.operation(KXBRIDGE_ORDINAL_##name, #name);                \
    if (bound[kCall_##name] == nullptr) {                                                   \
        problem = library.file() + " has no " #name " (ordinal " +                          \
                  std::to_string(KXBRIDGE_ORDINAL_##name) + ")";                            \
        return false;                                                                       \
    }
        KXBRIDGE_DRIVER_OPERATIONS(KXBRIDGE_BIND_OPERATION)
#define KXBRIDGE_BIND_PORT_CALL(ret, name, params, args, answer) \
    bound[kCall_##name] = library.symbol(#name);                  \
    controlPort = controlPort || bound[kCall_##name] != nullptr;
        KXBRIDGE_CONTROL_PORT(KXBRIDGE_BIND_PORT_CALL)
        return true;
    }

    template <class F>
    F get(Call c) const {
        return reinterpret_cast<F>(bound[c]);
    }
};

// Answers the call in the channel, in place of its request.
void answer(Channel& c, const Driver& d) {
    const uint32_t call = c.call;
    if (call >= kCallCount || c.size > kPayloadBytes) {
        c.outcome = kMalformed;
        c.size = 0;
        return;
    }
    if (d.bound[call] == nullptr) {
        c.outcome = kUnbound;
        c.size = 0;
        return;
    }
    // serve reads the whole request before it writes the reply over it.
    Reader in(c.payload, c.size);
    Writer out(c.payload, kPayloadBytes);
    const bool ok = kServe[call](d.bound[call], in, out);
    c.outcome = ok ? kAnswered : kMalformed;
    c.size = ok ? static_cast<uint32_t>(out.size()) : 0;
}

void report(Channel& c, const std::string& problem) {
    std::snprintf(c.problem, sizeof c.problem, "kxdrv-server: %s", problem.c_str());
    c.state = kFailed;
}

int serve(int argc, char** argv) {
    std::string problem;
    std::unique_ptr<Link> link = Link::attach(argc, argv, problem);
    if (!link) {
        std::fprintf(stderr, "kxdrv-server: %s\n", problem.c_str());
        return 2;
    }
    Channel& c = link->channel();
    Driver driver;
    if (c.magic != kMagic || c.signature != tableSignature() || c.payloadBytes != kPayloadBytes) {
        report(c, "the client was built from another call table");
    } else if (!driver.load(std::string(), problem)) {
        report(c, problem);
    } else {
        c.state = kReady;
    }
    ring(*link, c.reply);
    if (c.state != kReady) return 1;

    for (uint32_t seen = 0;; ++seen) {
        if (!await(*link, c.request, c.reply, seen, Patience{kIdleSpinNs, 0, -1})) return 0;
        answer(c, driver);
        ring(*link, c.reply);
    }
}

// A session opened and closed on board 0, step by step.
int check(int argc, char** argv) {
    const char* path = option(argc, argv, "--driver");
    std::printf("kxdrv-server: %d-bit\n", static_cast<int>(sizeof(void*) * 8));
    Driver d;
    std::string problem;
    if (!d.load(path ? path : "", problem)) {
        std::printf("kxdrv-server: %s\n", problem.c_str());
        return 1;
    }
    std::printf("driver: %s\n", d.library.file().c_str());
    std::printf("operations: all %d bound %s\n", static_cast<int>(kCall_ReadTimerCounter) + 1,
                Library::binding());
    std::printf("control port: %s\n", d.controlPort ? "yes (simulated board)" : "none");

    std::printf("GetLibraryVersion: %x\n",
                d.get<decltype(&::GetLibraryVersion)>(kCall_GetLibraryVersion)());
    uint16_t boards = 0;
    const KxStatus opened = d.get<decltype(&::OpenDriver)>(kCall_OpenDriver)(&boards);
    std::printf("OpenDriver: status %d, %d board(s)\n", opened, boards);
    if (opened != 0) return 1;
    uint16_t version = 0;
    const KxStatus versioned = d.get<decltype(&::GetDriverVersion)>(kCall_GetDriverVersion)(&version);
    std::printf("GetDriverVersion: status %d, version %x\n", versioned, version);
    uint16_t address = 0, irq = 0, bus = 0, slot = 0;
    const KxStatus located = d.get<decltype(&::GetBoardAddress)>(kCall_GetBoardAddress)(
        0, &address, &irq, &bus, &slot);
    std::printf("GetBoardAddress(0): status %d, address %x, irq %d, bus %d, slot %d\n", located,
                address, irq, bus, slot);
    const KxStatus closed = d.get<decltype(&::CloseDriver)>(kCall_CloseDriver)();
    std::printf("CloseDriver: status %d\n", closed);
    return versioned == 0 && located == 0 && closed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--check") == 0) return check(argc, argv);
    return serve(argc, argv);
}
