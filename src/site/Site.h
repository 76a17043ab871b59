// The watched web site: the one object that holds the current list of online users.
#pragma once

#include "model/UserList.h"
#include "util/StopToken.h"

#include <mutex>

class Site
{
public:
    Site();
    virtual ~Site();
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    /// Refreshes the list; the polling interval in milliseconds after success, 0 after a failure.
    virtual int UpdateUserList() = 0;
    virtual bool OnInit() = 0;
    virtual void OnExit() = 0;

    /// The site constructed last, null before any.
    static Site* GetInstance();

    /// A copy of the current list: the polling thread may replace it at any moment. Cheap: the
    /// copy shares the list's contents.
    UserList GetUserList() const;
    void SetUserList(const UserList& list);
    /// The same, taking the list over.
    void SetUserList(UserList&& list);

    /// Heeded during a refresh: once its caller requests a stop, a transfer or a wait for the
    /// user ends at once. Set while no refresh runs (before the polling thread starts).
    void SetStopToken(const StopToken& token);
    const StopToken& GetStopToken() const { return stopToken; }
    bool IsStopRequested() const { return stopToken.IsStopRequested(); }
    /// True while failures are being retried quietly instead of reported; from any thread.
    virtual bool IsOffline() const { return false; }

private:
    static Site* instance;

    mutable std::mutex userListMutex;
    UserList userList;
    StopToken stopToken;
};
