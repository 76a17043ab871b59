// The user events: static-table binding with any identifier, and clones that own their data.
#include "model/UserEvent.h"
#include "model/UserListEvent.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

namespace
{
class Listener : public wxEvtHandler
{
public:
    std::vector<wxString> seen; // "type id what status oldStatus"

private:
    void OnList(UserListEvent& e)
    {
        seen.push_back(wxString::Format("%d %d n%zu %x 0", e.GetEventType(), e.GetId(), e.GetUserList().GetCount(),
                                        e.GetUserList().GetUser("carol").GetStatus()));
    }
    void OnUser(UserEvent& e)
    {
        seen.push_back(wxString::Format("%d %d %s %x %x", e.GetEventType(), e.GetId(), e.GetUser().GetName(),
                                        e.GetUser().GetStatus(), e.GetOldStatus()));
    }

    wxDECLARE_EVENT_TABLE();
};

wxBEGIN_EVENT_TABLE(Listener, wxEvtHandler)
    EVT_USER_LIST_INITIALIZED(-1, Listener::OnList)
    EVT_USER_ADDED(-1, Listener::OnUser)
    EVT_USER_DELETED(-1, Listener::OnUser)
    EVT_USER_CHANGED(-1, Listener::OnUser)
wxEND_EVENT_TABLE()
} // namespace

// As the polling thread hands them over: clones of events that are gone by the time a handler
// in a static table with id -1 gets them. A user event has no id but -1.
TEST(UserEventTest, ClonesOutliveTheirOriginalsAndReachTheStaticTable)
{
    const std::vector<wxEventType> types{EVT_USER_LIST_INITIALIZED, EVT_USER_ADDED, EVT_USER_DELETED, EVT_USER_CHANGED};
    EXPECT_EQ(types.size(), std::set<wxEventType>(types.begin(), types.end()).size()); // all distinct

    std::vector<std::unique_ptr<wxEvent>> clones;
    {
        UserList users;
        users.AddUser(User("carol", 0x15));
        UserListEvent list(EVT_USER_LIST_INITIALIZED, -1);
        list.SetUserList(users);
        clones.emplace_back(list.Clone());
        for (size_t i = 1; i < types.size(); ++i)
        {
            UserEvent event(User("alice", 0x0D), types[i], 0x03);
            clones.emplace_back(event.Clone());
            event.SetOldStatus(0x15); // a clone does not follow its original
        }
    }
    Listener listener;
    std::vector<wxString> expected;
    for (size_t i = 0; i < clones.size(); ++i)
    {
        EXPECT_TRUE(listener.ProcessEvent(*clones[i]));
        expected.push_back(wxString::Format("%d -1 %s", types[i], i ? "alice d 3" : "n1 15 0"));
    }
    EXPECT_EQ(expected, listener.seen);
}
