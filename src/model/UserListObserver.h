// What watches each refresh on the polling thread itself, before the refresh's events go out.
#pragma once

#include "model/UserList.h"
#include "util/StopToken.h"

class UserListObserver
{
public:
    virtual ~UserListObserver() = default;
    /// The first list of a run.
    virtual void OnFirstList(const UserList& list) = 0;
    /// A later refresh: older is the list before it, the rest as UserList::GetDifference gives them.
    virtual void OnDifference(const UserList& older, const UserList& added, const UserList& deleted,
                              const UserList& changed) = 0;
    /// Between refreshes, once the first list is out: one short piece of work that can wait
    /// (a few milliseconds), called again while it returns true and the next refresh is not due.
    virtual bool OnIdle(const StopToken& stop)
    {
        (void)stop;
        return false;
    }
};
