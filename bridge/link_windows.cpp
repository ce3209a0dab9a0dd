// The channel on Windows: a named file mapping and two named auto-reset
// events, and each process waiting on the other's process handle, so that
// either sees the other end at once.
//
// The server is started in its own folder, with no window and in a process
// group of its own (Ctrl-C in the host's console does not reach it). The
// client library pins itself: a host that unloads its plug-ins keeps the
// server, and with it the driver session, as it keeps a driver's.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "calls.h"
#include "channel.h"

namespace kxbridge {

namespace {

std::wstring wide(const std::string& s) {
    if (s.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

std::string narrow(const std::wstring& w) {
    if (w.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::string failed(const char* what) {
    return std::string(what) + ": error " + std::to_string(GetLastError());
}

class WindowsLink : public Link {
public:
    WindowsLink(HANDLE mapping, Channel* view, HANDLE request, HANDLE reply, HANDLE peer,
                DWORD peerId, bool client)
        : mapping_(mapping), view_(view), request_(request), reply_(reply), peer_(peer),
          peerId_(peerId), client_(client) {}

    ~WindowsLink() override {
        // The client's peer is the handle CreateProcess gave it: its own
        // child, which no other process can take the place of while open.
        if (client_ && peer_ != nullptr && WaitForSingleObject(peer_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(peer_, 1);
            WaitForSingleObject(peer_, 5000);
        }
        CloseHandle(peer_);
        CloseHandle(request_);
        CloseHandle(reply_);
        UnmapViewOfFile(view_);
        CloseHandle(mapping_);
    }

    Channel& channel() override { return *view_; }

    void wake(Doorbell& bell) override { SetEvent(event(bell)); }

    bool block(Doorbell& bell, uint32_t, int64_t timeoutNs) override {
        const HANDLE handles[2] = {event(bell), peer_};
        const DWORD ms =
            timeoutNs < 0 ? INFINITE : static_cast<DWORD>((timeoutNs + 999999) / 1000000);
        const DWORD r = WaitForMultipleObjects(2, handles, FALSE, ms);
        return r == WAIT_OBJECT_0 || r == WAIT_TIMEOUT;
    }

    // Timed waits keep to the system's timer tick, often 15.6 ms.
    bool preciseTimeouts() const override { return false; }

    uint32_t cpu() const override { return static_cast<uint32_t>(GetCurrentProcessorNumber()) + 1; }

    int64_t peer() const override { return peerId_; }

    std::string end() const override {
        DWORD code = STILL_ACTIVE;
        if (!GetExitCodeProcess(peer_, &code) || code == STILL_ACTIVE) return "";
        return "exit code " + std::to_string(code);
    }

private:
    HANDLE event(Doorbell& bell) const { return &bell == &view_->request ? request_ : reply_; }

    HANDLE mapping_;
    Channel* view_;
    HANDLE request_;
    HANDLE reply_;
    HANDLE peer_;
    DWORD peerId_;
    bool client_;
};

void anchor() {}

}  // namespace

std::unique_ptr<Link> Link::start(const std::string& server, std::string& problem) {
    static std::atomic<unsigned> serial{0};
    const std::wstring name = L"Local\\kxdrv-bridge-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(++serial) + L"-" +
                              std::to_wstring(GetTickCount64());

    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&anchor), &self);

    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(Channel), name.c_str());
    if (mapping == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
        problem = failed("the channel's memory");
        if (mapping) CloseHandle(mapping);
        return nullptr;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Channel));
    HANDLE request = CreateEventW(nullptr, FALSE, FALSE, (name + L"-request").c_str());
    HANDLE reply = CreateEventW(nullptr, FALSE, FALSE, (name + L"-reply").c_str());
    if (view == nullptr || request == nullptr || reply == nullptr) {
        problem = failed("the channel");
        if (view) UnmapViewOfFile(view);
        if (request) CloseHandle(request);
        if (reply) CloseHandle(reply);
        CloseHandle(mapping);
        return nullptr;
    }
    // A new mapping reads as zeros: only the header is written.
    Channel* c = new (view) Channel;
    c->magic = kMagic;
    c->signature = tableSignature();
    c->payloadBytes = kPayloadBytes;

    const std::wstring path = wide(server);
    const std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
    std::wstring command = L"\"" + path + L"\" --channel " + name + L" --parent " +
                           std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP, nullptr, folder.c_str(), &si,
                        &pi)) {
        problem = failed(("cannot start " + server).c_str());
        UnmapViewOfFile(view);
        CloseHandle(request);
        CloseHandle(reply);
        CloseHandle(mapping);
        return nullptr;
    }
    CloseHandle(pi.hThread);
    return std::unique_ptr<Link>(
        new WindowsLink(mapping, c, request, reply, pi.hProcess, pi.dwProcessId, true));
}

std::unique_ptr<Link> Link::attach(int argc, char** argv, std::string& problem) {
    const char* nameText = option(argc, argv, "--channel");
    const char* parentText = option(argc, argv, "--parent");
    if (nameText == nullptr || parentText == nullptr) {
        problem = "started without --channel and --parent";
        return nullptr;
    }
    SetConsoleCtrlHandler(nullptr, TRUE);
    const DWORD parentId = static_cast<DWORD>(std::strtoul(parentText, nullptr, 10));
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, parentId);
    if (parent == nullptr) {
        problem = "the client has ended";
        return nullptr;
    }
    const std::wstring name = wide(nameText);
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Channel)) : nullptr;
    const DWORD access = EVENT_MODIFY_STATE | SYNCHRONIZE;
    HANDLE request = OpenEventW(access, FALSE, (name + L"-request").c_str());
    HANDLE reply = OpenEventW(access, FALSE, (name + L"-reply").c_str());
    if (view == nullptr || request == nullptr || reply == nullptr) {
        problem = failed("the channel");
        if (view) UnmapViewOfFile(view);
        if (mapping) CloseHandle(mapping);
        if (request) CloseHandle(request);
        if (reply) CloseHandle(reply);
        CloseHandle(parent);
        return nullptr;
    }
    return std::unique_ptr<Link>(new WindowsLink(mapping, static_cast<Channel*>(view), request,
                                                 reply, parent, parentId, false));
}

std::string serverBesideLibrary() {
    HMODULE self = nullptr;
    wchar_t path[MAX_PATH * 4];
    DWORD n = 0;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&anchor), &self))
        n = GetModuleFileNameW(self, path, sizeof path / sizeof path[0]);
    std::wstring folder = n > 0 ? std::wstring(path, n) : std::wstring(L".\\x");
    folder = folder.substr(0, folder.find_last_of(L"\\/"));
    return narrow(folder + L"\\kxdrv-server\\kxdrv-server.exe");
}

}  // namespace kxbridge
