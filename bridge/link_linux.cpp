// The channel on Linux: a memfd shared with the server as its descriptor 3,
// futexes on the doorbell counts, and the two processes watching each other.
//
// The server is the client's child. The client sees it end through waitpid
// (it also reaps it); the server sees the client end when its parent
// changes. PR_SET_PDEATHSIG is not used: it fires when the thread that
// started the server ends, and a host may start it from a passing thread.
// The client signals the server only through a pidfd where the kernel has
// them, else only while waitpid says its pid is still the unreaped child's:
// a host that reaps children itself cannot make it hit a process that has
// since taken that pid.
// The server runs in a process group of its own and ignores SIGINT, so that
// Ctrl-C in the host's terminal does not end the driver session.
#include <dlfcn.h>
#include <fcntl.h>
#include <sched.h>
#include <linux/futex.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "calls.h"
#include "channel.h"

extern char** environ;

namespace kxbridge {

namespace {

constexpr int kChannelFd = 3;
// How often a blocked end looks whether the other still runs.
constexpr int64_t kClientWatchNs = 10000000;
constexpr int64_t kServerWatchNs = 100000000;

long futex(std::atomic<uint32_t>& word, int op, uint32_t value, const timespec* timeout) {
    return syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), op, value, timeout, nullptr, 0);
}

std::string failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// A descriptor of the process itself (Linux 5.3); -1 where the kernel, or
// an emulator, has none.
int openPidfd(pid_t pid) {
#if defined(SYS_pidfd_open)
    const long fd = syscall(SYS_pidfd_open, pid, 0);
    return fd < 0 ? -1 : static_cast<int>(fd);
#else
    (void)pid;
    return -1;
#endif
}

class LinuxLink : public Link {
public:
    // The client's link: peer is its own child, pidfd that child's or -1.
    LinuxLink(Channel* channel, pid_t peer, int pidfd, bool client)
        : channel_(channel), peer_(peer), pidfd_(pidfd), client_(client) {}

    ~LinuxLink() override {
        if (client_ && peer_ > 0 && !reaped_) {
            killChild();
            while (!reaped_ && waitpid(peer_, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        if (pidfd_ >= 0) close(pidfd_);
        munmap(channel_, sizeof(Channel));
    }

    Channel& channel() override { return *channel_; }

    void wake(Doorbell& bell) override { futex(bell.count, FUTEX_WAKE, 1, nullptr); }

    bool block(Doorbell& bell, uint32_t seen, int64_t timeoutNs) override {
        int64_t ns = client_ ? kClientWatchNs : kServerWatchNs;
        if (timeoutNs >= 0 && timeoutNs < ns) ns = timeoutNs;
        const timespec t{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        if (futex(bell.count, FUTEX_WAIT, seen, &t) == -1 && errno == ETIMEDOUT) return peerRuns();
        return true;
    }

    bool preciseTimeouts() const override { return true; }

    uint32_t cpu() const override {
        const int n = sched_getcpu();
        return n < 0 ? 0 : static_cast<uint32_t>(n) + 1;
    }

    int64_t peer() const override { return peer_; }

    std::string end() const override {
        if (!ended_) return "";
        if (WIFSIGNALED(status_)) return "killed by signal " + std::to_string(WTERMSIG(status_));
        return "exit status " + std::to_string(WEXITSTATUS(status_));
    }

private:
    void killChild() {
#if defined(SYS_pidfd_send_signal)
        if (pidfd_ >= 0) {
            syscall(SYS_pidfd_send_signal, pidfd_, SIGKILL, nullptr, 0);
            return;
        }
#endif
        pid_t r;
        while ((r = waitpid(peer_, nullptr, WNOHANG)) < 0 && errno == EINTR) {
        }
        // Ended and reaped now, or reaped by the host (ECHILD): its pid may
        // be another process's already.
        if (r != 0) {
            reaped_ = true;
            return;
        }
        kill(peer_, SIGKILL);
    }

    bool peerRuns() {
        if (!client_) return getppid() == peer_;
        if (reaped_) return false;
        const pid_t r = waitpid(peer_, &status_, WNOHANG);
        if (r == 0 || (r < 0 && errno == EINTR)) return true;
        // Ended and reaped here, or reaped by the host (ECHILD).
        ended_ = r == peer_;
        reaped_ = true;
        return false;
    }

    Channel* channel_;
    pid_t peer_;
    int pidfd_;
    bool client_;
    bool reaped_ = false;
    bool ended_ = false;  // reaped here, with its status
    int status_ = 0;
};

Channel* map(int fd) {
    void* p = mmap(nullptr, sizeof(Channel), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<Channel*>(p);
}

pid_t spawn(const std::string& server, int fd, std::string& problem) {
    // Asked first: where exec fails in posix_spawn's child (an emulator's
    // fork), the failure would only show as a server that never reports.
    if (access(server.c_str(), X_OK) != 0) {
        problem = "cannot start " + server + ": " + std::strerror(errno);
        return -1;
    }
    char parent[24], channelFd[24];
    std::snprintf(parent, sizeof parent, "%ld", static_cast<long>(getpid()));
    std::snprintf(channelFd, sizeof channelFd, "%d", kChannelFd);
    char* argv[] = {const_cast<char*>(server.c_str()), const_cast<char*>("--channel-fd"), channelFd,
                    const_cast<char*>("--parent"), parent, nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    // dup2 onto the same number clears close-on-exec as well.
    posix_spawn_file_actions_adddup2(&actions, fd, kChannelFd);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // None of the host's other descriptors: a pipe the host's own caller
    // waits on would otherwise stay open until the server ends.
    posix_spawn_file_actions_addclosefrom_np(&actions, kChannelFd + 1);
#endif
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                        POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, server.c_str(), &actions, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        problem = "cannot start " + server + ": " + std::strerror(rc);
        return -1;
    }
    return pid;
}

}  // namespace

std::unique_ptr<Link> Link::start(const std::string& server, std::string& problem) {
    const int fd = memfd_create("kxdrv-bridge", MFD_CLOEXEC);
    if (fd < 0) {
        problem = failed("memfd_create");
        return nullptr;
    }
    Channel* c = nullptr;
    if (ftruncate(fd, sizeof(Channel)) != 0 || (c = map(fd)) == nullptr) {
        problem = failed("the channel's memory");
        close(fd);
        return nullptr;
    }
    // A new memfd reads as zeros: only the header is written, the payload's
    // pages stay untouched until a call needs them.
    c = new (c) Channel;
    c->magic = kMagic;
    c->signature = tableSignature();
    c->payloadBytes = kPayloadBytes;

    const pid_t pid = spawn(server, fd, problem);
    close(fd);
    if (pid < 0) {
        munmap(c, sizeof(Channel));
        return nullptr;
    }
    // Unreaped, the child cannot have given its pid away yet.
    return std::unique_ptr<Link>(new LinuxLink(c, pid, openPidfd(pid), true));
}

std::unique_ptr<Link> Link::attach(int argc, char** argv, std::string& problem) {
    const char* fdText = option(argc, argv, "--channel-fd");
    const char* parentText = option(argc, argv, "--parent");
    if (fdText == nullptr || parentText == nullptr) {
        problem = "started without --channel-fd and --parent";
        return nullptr;
    }
    const int fd = std::atoi(fdText);
    const pid_t parent = static_cast<pid_t>(std::atol(parentText));
    signal(SIGINT, SIG_IGN);
    Channel* c = map(fd);
    close(fd);
    if (c == nullptr) {
        problem = failed("the channel's memory");
        return nullptr;
    }
    if (getppid() != parent) {
        munmap(c, sizeof(Channel));
        problem = "the client has ended";
        return nullptr;
    }
    return std::unique_ptr<Link>(new LinuxLink(c, parent, -1, false));
}

std::string serverBesideLibrary() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&serverBesideLibrary), &info) == 0 || info.dli_fname == nullptr)
        return "kxdrv-server/kxdrv-server";
    std::string path = info.dli_fname;
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    return folder + "/kxdrv-server/kxdrv-server";
}

}  // namespace kxbridge
