// A whole list of users to show from scratch: the polling thread's first list, or the favourites.
#include "model/UserListEvent.h"

#include "util/Trace.h"

// Braces, not the toolkit's definition macro: the name followed by "(" would expand as the
// event-table macro of the same name.
const wxEventTypeTag<UserListEvent> EVT_USER_LIST_INITIALIZED{wxNewEventType()};
const wxEventTypeTag<UserListEvent> EVT_SITE_UNREACHABLE{wxNewEventType()};
const wxEventTypeTag<UserListEvent> EVT_SITE_REACHABLE{wxNewEventType()};

UserListEvent::UserListEvent(wxEventType type, int id) : wxEvent(id, type), userList(std::make_shared<UserList>())
{
    SOLVANE_TRACE("[%p]UserListEvent::UserListEvent(%d, %d)", static_cast<void*>(this), type, id);
}

UserListEvent::UserListEvent(const UserListEvent& other) : wxEvent(other), userList(other.userList)
{
    SOLVANE_TRACE("[%p]UserListEvent::UserListEvent(%p)", static_cast<void*>(this), static_cast<const void*>(&other));
}

UserListEvent::~UserListEvent()
{
    SOLVANE_TRACE("[%p]UserListEvent::~UserListEvent(void)", static_cast<void*>(this));
}

wxEvent* UserListEvent::Clone() const
{
    SOLVANE_TRACE("[%p]UserListEvent::Clone(void)", static_cast<const void*>(this));
    return new UserListEvent(*this);
}

void UserListEvent::SetUserList(const UserList& list)
{
    SOLVANE_TRACE("[%p]UserListEvent::SetUserList(%zu)", static_cast<void*>(this), list.GetCount());
    userList = std::make_shared<const UserList>(list);
}
