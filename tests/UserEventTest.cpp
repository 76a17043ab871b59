// The user events: static-table binding with any identifier, and clones that own their data.
#include "model/UserEvents.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
struct Seen
{
    wxEventType type;
    int id;
    wxString name;
    uint32_t status;
    uint32_t oldStatus;
    size_t listSize;
};

class Listener : public wxEvtHandler
{
public:
    std::vector<Seen> seen;

private:
    void OnUserListInitialized(UserListEvent& event)
    {
        seen.push_back(
            {event.GetEventType(), event.GetId(), "", 0, 0, event.GetUserList().GetCount()});
    }
    void OnUser(UserEvent& event)
    {
        seen.push_back({event.GetEventType(), event.GetId(), event.GetUser().GetName(),
                        event.GetUser().GetStatus(), event.GetOldStatus(), 0});
    }

    wxDECLARE_EVENT_TABLE();
};

wxBEGIN_EVENT_TABLE(Listener, wxEvtHandler)
    EVT_USER_LIST_INITIALIZED(-1, Listener::OnUserListInitialized)
    EVT_USER_ADDED(-1, Listener::OnUser)
    EVT_USER_DELETED(-1, Listener::OnUser)
    EVT_USER_CHANGED(-1, Listener::OnUser)
wxEND_EVENT_TABLE()

UserList ThreeUsers()
{
    UserList list;
    list.AddUser(User("alice", 0x03));
    list.AddUser(User("bob", 0x0D));
    list.AddUser(User("carol", 0x15));
    return list;
}
} // namespace

TEST(UserEventTest, EachTypeReachesItsStaticTableEntry)
{
    const std::vector<wxEventType> types{EVT_USER_LIST_INITIALIZED, EVT_USER_ADDED,
                                         EVT_USER_DELETED, EVT_USER_CHANGED};
    for (size_t i = 0; i < types.size(); ++i)
    {
        EXPECT_NE(wxEVT_NULL, types[i]);
        for (size_t j = i + 1; j < types.size(); ++j)
            EXPECT_NE(types[i], types[j]);
    }

    Listener listener;
    UserListEvent favorites(EVT_USER_LIST_INITIALIZED, 0);
    favorites.SetUserList(ThreeUsers());
    EXPECT_TRUE(listener.ProcessEvent(favorites));
    UserEvent added(User("dave", 0x01), EVT_USER_ADDED, UserEvent::kNoStatus);
    EXPECT_TRUE(listener.ProcessEvent(added));
    UserEvent deleted(User("bob", 0x0D), EVT_USER_DELETED, UserEvent::kNoStatus);
    EXPECT_TRUE(listener.ProcessEvent(deleted));
    UserEvent changed(User("alice", 0x0D), EVT_USER_CHANGED, UserEvent::kNoStatus);
    changed.SetOldStatus(0x03);
    EXPECT_TRUE(listener.ProcessEvent(changed));

    ASSERT_EQ(4u, listener.seen.size());
    EXPECT_EQ(EVT_USER_LIST_INITIALIZED, listener.seen[0].type);
    EXPECT_EQ(0, listener.seen[0].id);
    EXPECT_EQ(3u, listener.seen[0].listSize);
    EXPECT_EQ(EVT_USER_ADDED, listener.seen[1].type);
    EXPECT_EQ(-1, listener.seen[1].id);
    EXPECT_EQ("dave", listener.seen[1].name);
    EXPECT_EQ(0xFFFFFFFFu, listener.seen[1].oldStatus);
    EXPECT_EQ(EVT_USER_DELETED, listener.seen[2].type);
    EXPECT_EQ("bob", listener.seen[2].name);
    EXPECT_EQ(0x0Du, listener.seen[2].status);
    EXPECT_EQ(EVT_USER_CHANGED, listener.seen[3].type);
    EXPECT_EQ(0x0Du, listener.seen[3].status);
    EXPECT_EQ(0x03u, listener.seen[3].oldStatus);
}

TEST(UserEventTest, ClonesOutliveAndIgnoreTheirOriginals)
{
    auto list = std::make_unique<UserListEvent>(EVT_USER_LIST_INITIALIZED, -1);
    list->SetUserList(ThreeUsers());
    std::unique_ptr<wxEvent> listClone(list->Clone());
    list.reset();
    auto* listCopy = dynamic_cast<UserListEvent*>(listClone.get());
    ASSERT_NE(nullptr, listCopy);
    EXPECT_EQ(EVT_USER_LIST_INITIALIZED, listCopy->GetEventType());
    EXPECT_EQ(-1, listCopy->GetId());
    ASSERT_EQ(3u, listCopy->GetUserList().GetCount());
    EXPECT_EQ(0x15u, listCopy->GetUserList().GetUser("carol").GetStatus());

    auto user = std::make_unique<UserEvent>(User("alice", 0x0D), EVT_USER_CHANGED, 0x03);
    std::unique_ptr<wxEvent> userClone(user->Clone());
    user->SetOldStatus(0x15);
    user.reset();
    auto* userCopy = dynamic_cast<UserEvent*>(userClone.get());
    ASSERT_NE(nullptr, userCopy);
    EXPECT_EQ(EVT_USER_CHANGED, userCopy->GetEventType());
    EXPECT_EQ(-1, userCopy->GetId());
    EXPECT_EQ("alice", userCopy->GetUser().GetName());
    EXPECT_EQ(0x0Du, userCopy->GetUser().GetStatus());
    EXPECT_EQ(0x03u, userCopy->GetOldStatus());
}
