// A whole list of users to show from scratch: the polling thread's first list, or the favourites.
//
// Usage:
//   wxBEGIN_EVENT_TABLE(UserListTreeCtrl, wxTreeCtrl)
//       EVT_USER_LIST_INITIALIZED(-1, UserListTreeCtrl::OnUserListInitialized)
//   wxEND_EVENT_TABLE()                     // void OnUserListInitialized(UserListEvent&)
//   ...
//   UserListEvent event(EVT_USER_LIST_INITIALIZED, 0);
//   event.SetUserList(favorites);
//   favoriteTreeCtrl->AddPendingEvent(event);   // the queue holds a clone sharing the list
#pragma once

#include "model/UserList.h"

#include <wx/event.h>

#include <memory>

class UserListEvent : public wxEvent
{
public:
    explicit UserListEvent(wxEventType type = wxEVT_NULL, int id = 0);
    UserListEvent(const UserListEvent& other);
    ~UserListEvent() override;

    /// A copy sharing the list, which nobody changes once set: the poster destroys its event
    /// right after posting, and the list goes with the last copy.
    wxEvent* Clone() const override;

    const UserList& GetUserList() const { return *userList; }
    /// The list itself, for a receiver that goes on reading it after the event has gone.
    std::shared_ptr<const UserList> ShareUserList() const { return userList; }
    void SetUserList(const UserList& list);

private:
    std::shared_ptr<const UserList> userList;
};

wxDECLARE_EVENT(EVT_USER_LIST_INITIALIZED, UserListEvent);
/// Without a list: the site stopped answering and is being retried quietly, and its return.
wxDECLARE_EVENT(EVT_SITE_UNREACHABLE, UserListEvent);
wxDECLARE_EVENT(EVT_SITE_REACHABLE, UserListEvent);

typedef void (wxEvtHandler::*UserListEventFunction)(UserListEvent&);
#define UserListEventHandler(func) wxEVENT_HANDLER_CAST(UserListEventFunction, func)

#define EVT_USER_LIST_INITIALIZED(id, func) wx__DECLARE_EVT1(EVT_USER_LIST_INITIALIZED, id, UserListEventHandler(func))
#define EVT_SITE_UNREACHABLE(id, func) wx__DECLARE_EVT1(EVT_SITE_UNREACHABLE, id, UserListEventHandler(func))
#define EVT_SITE_REACHABLE(id, func) wx__DECLARE_EVT1(EVT_SITE_REACHABLE, id, UserListEventHandler(func))
