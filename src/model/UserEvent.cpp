// One user's change as the polling thread reports it to the GUI: added, deleted or changed.
#include "model/UserEvent.h"

#include "util/Trace.h"

// Braces, not the toolkit's definition macro: a type name followed by "(" would expand as the
// event-table macro of the same name.
const wxEventTypeTag<UserEvent> EVT_USER_ADDED{wxNewEventType()};
const wxEventTypeTag<UserEvent> EVT_USER_DELETED{wxNewEventType()};
const wxEventTypeTag<UserEvent> EVT_USER_CHANGED{wxNewEventType()};

UserEvent::UserEvent(const User& user_, wxEventType type, uint32_t oldStatus_)
    : wxEvent(-1, type), user(user_), oldStatus(oldStatus_)
{
    SOLVANE_TRACE("[%p]UserEvent::UserEvent(%s, %d, %x)", static_cast<void*>(this), user_.GetName(), type, oldStatus_);
}

UserEvent::UserEvent(const UserEvent& other) : wxEvent(other), user(other.user), oldStatus(other.oldStatus)
{
    SOLVANE_TRACE("[%p]UserEvent::UserEvent(%p)", static_cast<void*>(this), static_cast<const void*>(&other));
}

UserEvent::~UserEvent()
{
    SOLVANE_TRACE("[%p]UserEvent::~UserEvent(void)", static_cast<void*>(this));
}

wxEvent* UserEvent::Clone() const
{
    SOLVANE_TRACE("[%p]UserEvent::Clone(void)", static_cast<const void*>(this));
    return new UserEvent(*this);
}
