// The watched web site: the one object that holds the current list of online users.
#include "site/Site.h"

#include "util/Trace.h"

Site* Site::instance = nullptr;

Site::Site()
{
    SOLVANE_TRACE("[%p]Site::Site(void)", static_cast<void*>(this));
    instance = this;
}

Site::~Site()
{
    SOLVANE_TRACE("[%p]Site::~Site(void)", static_cast<void*>(this));
    // A pointer to a destroyed site would be a trap for any late caller.
    if (instance == this)
        instance = nullptr;
}

Site* Site::GetInstance()
{
    SOLVANE_TRACE("[static]Site::GetInstance(void)");
    return instance;
}

UserList Site::GetUserList() const
{
    std::lock_guard<std::mutex> lock(userListMutex);
    return userList;
}

void Site::SetUserList(const UserList& list)
{
    SOLVANE_TRACE("[%p]Site::SetUserList(%zu)", static_cast<const void*>(this), list.GetCount());
    SetUserList(UserList(list));
}

void Site::SetUserList(UserList&& list)
{
    SOLVANE_TRACE("[%p]Site::SetUserList(&&%zu)", static_cast<const void*>(this), list.GetCount());
    // The list that goes is dropped outside the lock (a copy elsewhere may keep its contents).
    UserList old(std::move(list));
    {
        std::lock_guard<std::mutex> lock(userListMutex);
        std::swap(userList, old);
    }
}

void Site::SetStopToken(const StopToken& token)
{
    stopToken = token;
}
