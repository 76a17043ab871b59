// One program per person: the first start holds a lock for its settings folder, and a later start
// asks it to show its window instead of running beside it.
#pragma once

#include <wx/string.h>

#include <functional>
#include <memory>

class wxEventLoopSource;

class InstanceLock
{
public:
    InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    /// True when this process is now the one program for settingsFolder: it took the lock, or kept
    /// the one the same program handed over to it across its restart.
    bool Acquire(const wxString& settingsFolder);
    /// For a later start: asks the program that holds the lock to show its window, for up to
    /// milliseconds; shown tells whether it answered. False when that program ended meanwhile and
    /// this process took the lock: it is the one program now.
    bool HandOver(long milliseconds, bool& shown);
    /// Once the module runs: every later start's request calls show on the main thread.
    void Listen(std::function<void()> show);
    /// Stops answering; the lock is kept until the process ends.
    void StopListening();
    /// Right before the program replaces itself (execv): the lock stays held by the new image,
    /// which finds it through the environment, so that no other start slips in between.
    void KeepAcrossExec();

private:
    class Listener;

    /// True unless another process holds the lock.
    bool TakeLock();

    int lockFd = -1;
    int listenFd = -1;
    std::string lockPath;
    std::string socketPath;
    std::unique_ptr<Listener> listener;
    std::unique_ptr<wxEventLoopSource> source;
};
