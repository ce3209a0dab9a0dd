// The channel between the driver client and the driver server: one block of
// shared memory and a wake-up object per direction.
//
// One call at a time: the client writes the call's number and its request
// into the payload and rings the request doorbell; the server answers in the
// same payload and rings the reply doorbell. A side that waits spins on the
// doorbell's count for a while, then says it sleeps and blocks on the
// platform's wake-up object (a futex on the count itself on Linux, an event
// on Windows); the ringing side wakes it only when it sleeps, so a call in a
// tight loop costs no system call at all.
//
// The two ends may be a 64-bit client and a 32-bit server: every field has a
// fixed width and a fixed place, checked below.
#ifndef KX4410_BRIDGE_CHANNEL_H
#define KX4410_BRIDGE_CHANNEL_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kxbridge {

constexpr uint32_t kMagic = 0x3142584B;  // "KXB1"
// Room for a call's arguments: a queue of half a million readings.
constexpr uint32_t kPayloadBytes = 4u << 20;

struct Doorbell {
    std::atomic<uint32_t> count;
    std::atomic<uint32_t> sleeping;
    // The processor the receiver last waited on (its number + 1; 0 unknown).
    std::atomic<uint32_t> cpu;
    uint32_t unused[13];  // a cache line of its own
};

enum ServerState : uint32_t { kStarting = 0, kReady = 1, kFailed = 2 };
enum Outcome : uint32_t { kAnswered = 0, kUnbound = 1, kMalformed = 2 };

struct Channel {
    // Written by the client before the server starts.
    uint32_t magic;
    uint32_t signature;  // of the call table (calls.h)
    uint32_t payloadBytes;
    // Written by the server once, before its first reply ring.
    uint32_t state;
    char problem[240];  // why it failed, NUL-terminated
    Doorbell request;
    Doorbell reply;
    // The call in flight.
    uint32_t call;
    uint32_t size;     // bytes of the payload in use
    uint32_t outcome;  // of the reply
    uint32_t unused[13];
    unsigned char payload[kPayloadBytes];
};

static_assert(sizeof(std::atomic<uint32_t>) == 4, "a doorbell count is a plain 32-bit word");
static_assert(std::atomic<uint32_t>::is_always_lock_free, "doorbells work across processes");
static_assert(sizeof(Doorbell) == 64, "doorbell layout");
static_assert(offsetof(Channel, problem) == 16, "channel layout");
static_assert(offsetof(Channel, request) == 256, "channel layout");
static_assert(offsetof(Channel, reply) == 320, "channel layout");
static_assert(offsetof(Channel, call) == 384, "channel layout");
static_assert(offsetof(Channel, payload) == 448, "channel layout");
static_assert(sizeof(Channel) == 448 + kPayloadBytes, "channel layout");

// The platform's side of one end: the mapping, the wake-up objects and the
// other process (link_linux.cpp, link_windows.cpp).
class Link {
public:
    // Client: a new channel, its header written, and the server at path
    // started on it. Null, and the reason in problem, if that fails.
    static std::unique_ptr<Link> start(const std::string& server, std::string& problem);
    // Server: the channel its command line names, and the client that
    // started it. Null, and the reason in problem, if that fails.
    static std::unique_ptr<Link> attach(int argc, char** argv, std::string& problem);

    virtual ~Link() = default;
    virtual Channel& channel() = 0;
    // Wakes the other side, which sleeps on bell.
    virtual void wake(Doorbell& bell) = 0;
    // Blocks while bell's count is seen, at most timeoutNs (negative: no
    // limit). False once the other process has ended.
    virtual bool block(Doorbell& bell, uint32_t seen, int64_t timeoutNs) = 0;
    // Whether a timed block keeps to its time within microseconds.
    virtual bool preciseTimeouts() const = 0;
    // The processor this thread runs on now, + 1 (0 unknown).
    virtual uint32_t cpu() const = 0;
    // The other process's id.
    virtual int64_t peer() const = 0;
    // How the other process ended, once block has said so: "killed by
    // signal 9", "exit status 1"; "" where this end cannot tell.
    virtual std::string end() const = 0;
};

// Where the client finds its server: kxdrv-server/kxdrv-server (.exe on
// Windows) in the folder of the library this is linked into.
std::string serverBesideLibrary();

// The value that follows name ("--parent") on the server's command line;
// null where it is not given.
const char* option(int argc, char** argv, const char* name);

// Rings bell: its count moves on, and a sleeping receiver is woken.
void ring(Link& link, Doorbell& bell);

// How to wait for a ring.
struct Patience {
    int64_t spinNs;      // spinning before blocking
    int64_t expectedNs;  // how long the answer is expected to take (0: at once)
    int64_t limitNs;     // give up after this long (negative: never)
};

// Waits until bell's count moves on from seen; other is the bell the other
// side waits on. False if the other process ended first, or the limit
// passed.
bool await(Link& link, Doorbell& bell, const Doorbell& other, uint32_t seen,
           const Patience& patience);

}  // namespace kxbridge

#endif
