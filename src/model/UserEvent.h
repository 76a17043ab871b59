// One user's change as the polling thread reports it to the GUI: added, deleted or changed.
//
// Usage:
//   wxBEGIN_EVENT_TABLE(AllTreeCtrl, UserListTreeCtrl)
//       EVT_USER_ADDED(-1, AllTreeCtrl::OnUserAdded)      // void OnUserAdded(UserEvent&)
//       EVT_USER_DELETED(-1, AllTreeCtrl::OnUserDeleted)
//       EVT_USER_CHANGED(-1, AllTreeCtrl::OnUserChanged)
//   wxEND_EVENT_TABLE()
//   ...
//   UserEvent changed(event.GetUser(), EVT_USER_CHANGED, UserEvent::kNoStatus);
//   ProcessEvent(changed);
// Bind() works too: Bind(EVT_USER_ADDED, &AllTreeCtrl::OnUserAdded, this).
// The type variables and the table macros share their names; a macro is only expanded when
// the name is followed by an opening parenthesis.
#pragma once

#include "model/User.h"

#include <wx/event.h>

#include <cstdint>

class UserEvent : public wxEvent
{
public:
    /// Old status of an added or deleted user: there is no previous one.
    static constexpr uint32_t kNoStatus = 0xFFFFFFFF;

    /// Always identifier -1; the user is copied.
    UserEvent(const User& user, wxEventType type, uint32_t oldStatus);
    UserEvent(const UserEvent& other);
    ~UserEvent() override;

    /// A copy that shares nothing with this event: the poster destroys its own at once.
    wxEvent* Clone() const override;

    const User& GetUser() const { return user; }
    uint32_t GetOldStatus() const { return oldStatus; }
    void SetOldStatus(uint32_t status) { oldStatus = status; }

private:
    User user;
    uint32_t oldStatus;
};

wxDECLARE_EVENT(EVT_USER_ADDED, UserEvent);
wxDECLARE_EVENT(EVT_USER_DELETED, UserEvent);
wxDECLARE_EVENT(EVT_USER_CHANGED, UserEvent);

typedef void (wxEvtHandler::*UserEventFunction)(UserEvent&);
#define UserEventHandler(func) wxEVENT_HANDLER_CAST(UserEventFunction, func)

// Event-table entries refer to the type variables themselves, whose values are handed out
// while the module loads.
#define EVT_USER_ADDED(id, func) wx__DECLARE_EVT1(EVT_USER_ADDED, id, UserEventHandler(func))
#define EVT_USER_DELETED(id, func) wx__DECLARE_EVT1(EVT_USER_DELETED, id, UserEventHandler(func))
#define EVT_USER_CHANGED(id, func) wx__DECLARE_EVT1(EVT_USER_CHANGED, id, UserEventHandler(func))
