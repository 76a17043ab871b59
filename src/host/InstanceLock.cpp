// One program per person: the first start holds a lock for its settings folder, and a later start
// asks it to show its window instead of running beside it.
#include "host/InstanceLock.h"

#include "update/UpdateSignature.h"
#include "util/Trace.h"

#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
// The restarted program finds the lock its predecessor held under this name.
const char* const kInheritedLock = "SOLVANE_INSTANCE_LOCK_FD";
// A later start waits this long between tries while the first one is still setting up.
constexpr auto kConnectRetry = std::chrono::milliseconds(50);

// The session's private folder; without one (a session started without a login manager) a private
// folder under /tmp that nobody else made for us. Empty when neither can be trusted.
std::string RuntimeFolder()
{
    struct stat info;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid())
        return runtime;
    const std::string folder = "/tmp/solvane-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    if (lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
        (info.st_mode & 077) == 0)
        return folder;
    return std::string();
}

bool SocketAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}
} // namespace

// Each later start connects once: it is answered after the window was asked to show itself.
class InstanceLock::Listener : public wxEventLoopSourceHandler
{
public:
    Listener(int fd_, std::function<void()> show_) : fd(fd_), show(std::move(show_)) {}
    void OnReadWaiting() override
    {
        const int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            return;
        SOLVANE_TRACE("a later start asks for the window");
        show();
        send(client, "shown\n", 6, MSG_NOSIGNAL);
        close(client);
    }
    void OnWriteWaiting() override {}
    void OnExceptionWaiting() override {}

private:
    int fd;
    std::function<void()> show;
};

InstanceLock::InstanceLock() = default;

InstanceLock::~InstanceLock()
{
    StopListening();
    if (lockFd >= 0)
        close(lockFd);
}

bool InstanceLock::Acquire(const wxString& settingsFolder)
{
    SOLVANE_TRACE("[%p]InstanceLock::Acquire(%s)", static_cast<void*>(this), settingsFolder);
    const std::string folder = RuntimeFolder();
    // Nowhere to keep a lock: the program runs as it always did.
    if (folder.empty())
        return true;
    const std::string name = folder + "/Solvane-" + UpdateSignature::Sha256(settingsFolder.utf8_string()).substr(0, 16);
    lockPath = name + ".lock";
    socketPath = name + ".socket";
    if (const char* inherited = std::getenv(kInheritedLock))
    {
        const int fd = std::atoi(inherited);
        unsetenv(kInheritedLock);
        struct stat held, here;
        // Re-locking the description it already locks succeeds at once; anything else is not ours.
        if (fd > 2 && fstat(fd, &held) == 0 && stat(lockPath.c_str(), &here) == 0 && held.st_dev == here.st_dev &&
            held.st_ino == here.st_ino && flock(fd, LOCK_EX | LOCK_NB) == 0)
        {
            fcntl(fd, F_SETFD, FD_CLOEXEC);
            lockFd = fd;
            return true;
        }
    }
    return TakeLock();
}

bool InstanceLock::TakeLock()
{
    // Close-on-exec: a browser the program starts must not keep the lock once the program ends.
    lockFd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd < 0)
        return true;
    if (flock(lockFd, LOCK_EX | LOCK_NB) == 0)
        return true;
    const bool held = errno == EWOULDBLOCK;
    close(lockFd);
    lockFd = -1;
    return !held;
}

bool InstanceLock::HandOver(long milliseconds, bool& shown)
{
    SOLVANE_TRACE("[%p]InstanceLock::HandOver(%ld)", static_cast<void*>(this), milliseconds);
    shown = false;
    sockaddr_un address;
    if (!SocketAddress(socketPath, address))
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    // The first start may hold the lock but not listen yet (it is still loading its module), or
    // listen no more (it is ending, and this start then takes its place).
    while (std::chrono::steady_clock::now() < deadline)
    {
        if (TakeLock())
            return false;
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return true;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        {
            send(fd, "show\n", 5, MSG_NOSIGNAL);
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd wait = {fd, POLLIN, 0};
            char reply[8];
            shown = poll(&wait, 1, static_cast<int>(std::max<long>(0, left.count()))) == 1 &&
                    read(fd, reply, sizeof reply) > 0;
            close(fd);
            return true;
        }
        close(fd);
        std::this_thread::sleep_for(kConnectRetry);
    }
    return true;
}

void InstanceLock::Listen(std::function<void()> show)
{
    SOLVANE_TRACE("[%p]InstanceLock::Listen(void)", static_cast<void*>(this));
    sockaddr_un address;
    if (lockFd < 0 || listenFd >= 0 || !SocketAddress(socketPath, address))
        return;
    listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd < 0)
        return;
    // The lock is ours: a socket left there belongs to a program that has ended.
    unlink(socketPath.c_str());
    if (bind(listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(listenFd, 4) != 0)
    {
        close(listenFd);
        listenFd = -1;
        return;
    }
    listener = std::make_unique<Listener>(listenFd, std::move(show));
    // On the toolkit's main context: answered while a modal box runs its own loop too.
    source.reset(wxEventLoopBase::AddSourceForFD(listenFd, listener.get(), wxEVENT_SOURCE_INPUT));
}

void InstanceLock::StopListening()
{
    source.reset();
    listener.reset();
    if (listenFd < 0)
        return;
    close(listenFd);
    listenFd = -1;
    unlink(socketPath.c_str());
}

void InstanceLock::KeepAcrossExec()
{
    StopListening();
    if (lockFd < 0)
        return;
    fcntl(lockFd, F_SETFD, 0);
    setenv(kInheritedLock, std::to_string(lockFd).c_str(), 1);
}
