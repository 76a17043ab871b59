// The History page and the last-seen tooltip as a person sees them: rows in order, a new poll
// followed, the filters, and an offline favourite's last time.
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistoryView.h"
#include "model/PopupChoice.h"
#include "ui/AllTreeCtrl.h"
#include "ui/FavoriteTreeCtrl.h"
#include "ui/HistoryListCtrl.h"
#include "ui/HistoryPanel.h"

#include "HistoryFill.h"
#include "TestFiles.h"
#include "TestGuiServices.h"
#include "TimeLimit.h"
#include "UserStatuses.h"

#include <gtest/gtest.h>

#include <wx/checkbox.h>
#include <wx/dataview.h>
#include <wx/fileconf.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/sstream.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <ctime>
#include <memory>

namespace
{
class HistoryPageTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(scratch.path + "/history.sqlite")); }
    // Hands a list to the recorder as the polling thread does.
    void Poll(const Statuses& statuses)
    {
        const UserList newer = ListOf(statuses);
        UserList added, deleted, changed;
        current.GetDifference(newer, added, deleted, changed);
        if (current.IsEmpty())
            recorder.OnFirstList(newer);
        else
            recorder.OnDifference(current, added, deleted, changed);
        current = newer;
        now += 60;
    }
    // The rows as shown: "name event" each, top to bottom.
    static std::string Rows(HistoryListCtrl* list)
    {
        std::string shown;
        for (long row = 0; row < list->GetRowCount(); ++row)
            shown += (row ? ", " : "") + (list->GetRowText(row, 1) + " " + list->GetRowText(row, 2)).utf8_string();
        return shown;
    }

    ScratchFolder scratch;
    HistoryStore store;
    long long now = wxDateTime(15, wxDateTime::Jun, 2024, 12, 0, 0).GetTicks();
    HistoryRecorder recorder{&store, [this] { return now; }};
    UserList current;
    // Goes first, with the page and the tree on it.
    const std::unique_ptr<wxFrame> frame = std::make_unique<wxFrame>(nullptr, wxID_ANY, "history");
};
} // namespace

TEST_F(HistoryPageTest, ShowsEventsNewestFirstFollowsPollsAndFilters)
{
    Poll({{"ann", 0x03}, {"bob", 0x05}});
    Poll({{"ann", 0x05}, {"bob", 0x05}, {"cat", 0x03}});
    auto* panel = new HistoryPanel(frame.get(), &store, [] { return std::vector<wxString>{"bob"}; });
    HistoryListCtrl* list = panel->GetListCtrl();
    ASSERT_EQ(4, list->GetRowCount());
    // Within one list the order is the polling thread's: arrivals before changes.
    EXPECT_EQ("ann busy, cat came online", Rows(list).substr(0, 25));
    EXPECT_EQ("2024-06-15 12:01:00", list->GetRowText(0, 0));
    EXPECT_EQ("online at start", list->GetRowText(3, 2));

    // A new poll, then its events reaching the page: it shows them on top.
    Poll({{"ann", 0x05}, {"cat", 0x03}});
    UserEvent gone(User("bob", 0x05), EVT_USER_DELETED, UserEvent::kNoStatus);
    list->GetEventHandler()->AddPendingEvent(gone);
    ASSERT_TRUE(PumpUntil([&] { return list->GetRowCount() == 5; }, TimeLimit(5000)));
    EXPECT_EQ("bob went offline", Rows(list).substr(0, 16));

    // The name filter narrows, ignoring case; the favourites switch keeps the favourites'.
    panel->SetNameFilter("AN");
    EXPECT_EQ("ann busy, ann online at start", Rows(list));
    panel->SetNameFilter("");
    panel->GetFavoritesOnly()->SetValue(true);
    wxCommandEvent toggled(wxEVT_CHECKBOX, panel->GetFavoritesOnly()->GetId());
    toggled.SetInt(1);
    panel->GetFavoritesOnly()->GetEventHandler()->ProcessEvent(toggled);
    EXPECT_EQ("bob went offline, bob online at start", Rows(list));
    // Each event shows its icon beside its text, offline's as free's.
    auto* rows = static_cast<wxDataViewVirtualListModel*>(list->GetModel());
    for (const unsigned row : {0u, 1u})
    {
        wxVariant value;
        rows->GetValueByRow(value, row, HistoryListCtrl::kEventColumn);
        wxDataViewIconText shown;
        shown << value;
        EXPECT_TRUE(shown.GetBitmapBundle().IsOk()) << shown.GetText();
    }
}

// A row's context menu is for the row right-clicked, not the one selected: "Never pop up" chosen
// with its key there is stored for that performer.
TEST_F(HistoryPageTest, ContextMenuAppliesToTheRowRightClicked)
{
    wxStringInputStream nothing(wxEmptyString);
    delete wxConfigBase::Set(new wxFileConfig(nothing)); // the choice in memory, not in a file
    Poll({{"ann", 0x03}, {"bob", 0x03}});
    auto* panel = new HistoryPanel(frame.get(), &store, [] { return std::vector<wxString>(); });
    HistoryListCtrl* list = panel->GetListCtrl();
    frame->Show();
    ASSERT_EQ("ann online at start, bob online at start", Rows(list));
    list->SelectRow(0);
    // Once the menu is up, its key for "Never pop up", as a person types it.
    list->Bind(wxEVT_MENU_OPEN, [](wxMenuEvent&) { wxTheApp->CallAfter([] { wxUIActionSimulator().Char('n'); }); });
    wxDataViewEvent click(wxEVT_DATAVIEW_ITEM_CONTEXT_MENU, list,
                          static_cast<wxDataViewVirtualListModel*>(list->GetModel())->GetItem(1));
    list->GetEventHandler()->ProcessEvent(click);
    EXPECT_EQ(CHOICE_NEVER, ReadPopupChoice("bob"));
    EXPECT_EQ(CHOICE_AS_SETTINGS, ReadPopupChoice("ann"));
}

// Shift+F10 or the Menu key (a context-menu request without a position) opens each control's menu
// for its selected row: "Never pop up" chosen with its key there is stored for that performer.
TEST_F(HistoryPageTest, KeyboardOpensTheContextMenuOfTheSelectedRow)
{
    wxStringInputStream nothing(wxEmptyString);
    delete wxConfigBase::Set(new wxFileConfig(nothing));
    Poll({{"ann", 0x03}, {"bob", 0x03}});
    auto* panel = new HistoryPanel(frame.get(), &store, {});
    HistoryListCtrl* list = panel->GetListCtrl();
    auto* all = new AllTreeCtrl(frame.get(), wxID_ANY, wxDefaultPosition, {-1, 100}, wxTR_HIDE_ROOT);
    auto* favorites = new FavoriteTreeCtrl(frame.get(), wxID_ANY, wxDefaultPosition, {-1, 100}, wxTR_HIDE_ROOT);
    auto* column = new wxBoxSizer(wxVERTICAL);
    for (wxWindow* part : std::initializer_list<wxWindow*>{panel, all, favorites})
        column->Add(part, 1, wxEXPAND);
    frame->SetSizer(column);
    favorites->CreateGroups();
    const auto fill = [](UserListTreeCtrl* tree, int id, const Statuses& names, const char* selected) {
        UserListEvent filled(EVT_USER_LIST_INITIALIZED, id);
        filled.SetUserList(ListOf(names));
        tree->GetEventHandler()->ProcessEvent(filled);
        EXPECT_TRUE(tree->SelectName(selected)) << selected;
    };
    fill(all, -1, {{"cy", 0x03}, {"dee", 0x03}}, "dee");
    fill(favorites, FavoriteTreeCtrl::kFavoritesListId, {{"eve", 0x03}, {"fay", 0x03}}, "fay");
    frame->SetSize(500, 500);
    frame->Show();
    list->SelectRow(1);
    for (wxWindow* control : std::initializer_list<wxWindow*>{list, all, favorites})
    {
        control->Bind(wxEVT_MENU_OPEN,
                      [](wxMenuEvent&) { wxTheApp->CallAfter([] { wxUIActionSimulator().Char('n'); }); });
        wxContextMenuEvent request(wxEVT_CONTEXT_MENU, control->GetId(), wxDefaultPosition);
        // The tree takes the Menu key before any context-menu request is made of it.
        wxKeyEvent menuKey(wxEVT_KEY_DOWN);
        menuKey.m_keyCode = WXK_MENU;
        control->GetEventHandler()->ProcessEvent(control == favorites ? static_cast<wxEvent&>(menuKey) : request);
    }
    for (const char* name : {"bob", "dee", "fay"})
        EXPECT_EQ(CHOICE_NEVER, ReadPopupChoice(name)) << name;
    for (const char* name : {"ann", "cy", "eve"})
        EXPECT_EQ(CHOICE_AS_SETTINGS, ReadPopupChoice(name)) << name;
}

// A filter whose search takes several slices goes on by itself between the window's turns, the
// rows growing until every match is shown.
TEST_F(HistoryPageTest, LongSearchGoesOnBetweenTheWindowsTurns)
{
    store.Close();
    ASSERT_TRUE(FillHistory(scratch.path + "/history.sqlite", 400000, 50000, now));
    ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(scratch.path + "/history.sqlite"));
    auto* panel = new HistoryPanel(frame.get(), &store, [] { return std::vector<wxString>(); });
    HistoryListCtrl* list = panel->GetListCtrl();
    panel->SetNameFilter("p");
    EXPECT_LT(list->GetRowCount(), static_cast<long>(HistoryView::kFilteredLimit)) << "one slice found them all";
    ASSERT_TRUE(PumpUntil([&] { return list->GetRowCount() == static_cast<long>(HistoryView::kFilteredLimit); }));
    EXPECT_EQ(FilledName(400000, 50000), list->GetRowText(0, 1).utf8_string());
}

// The highlight and the rows being read stay with their events while a refresh adds rows above:
// Enter opens the performer chosen, and a chosen event filtered out leaves nothing selected.
TEST_F(HistoryPageTest, SelectionAndScrollFollowTheirEvents)
{
    // No "html" command on this desktop: the page opens through the services, seen here.
    wxSetEnv("XDG_DATA_DIRS", scratch.path + "/none"); // and the test's own XDG_DATA_HOME
    TestGuiServices gui;
    std::vector<wxString> opened;
    gui.openDefaultBrowser = [&opened](const wxString& page) { return opened.push_back(page), true; };
    Statuses statuses{{"Naomi_Grey", 0x03}};
    for (int i = 0; i < 60; ++i)
        statuses[wxString::Format("p%02d", i).utf8_string()] = 0x03;
    Poll(statuses);
    HistoryListCtrl* list = (new HistoryPanel(frame.get(), &store, {}))->GetListCtrl();
    frame->Show();
    long chosen = 0;
    while (list->GetRowText(chosen, 1) != "Naomi_Grey")
        ++chosen;
    list->SelectRow(chosen); // focused with it
    ASSERT_TRUE(PumpUntil([&] { return list->GetCountPerPage() > 3; }));
    list->EnsureVisible(static_cast<wxDataViewVirtualListModel*>(list->GetModel())->GetItem(30));
    ASSERT_TRUE(PumpUntil([&] { return list->GetTopRow() > 0; }));
    const wxString top = list->GetRowText(list->GetTopRow(), 1);
    // A refresh: three performers change, their events reach the page as the program's do.
    for (const char* name : {"p01", "p02", "p03"})
        statuses[name] = 0x05;
    Poll(statuses);
    UserEvent changed(User("p01", 0x05), EVT_USER_CHANGED, UserEvent::kNoStatus);
    list->GetEventHandler()->AddPendingEvent(changed);
    ASSERT_TRUE(PumpUntil([&] { return list->GetRowCount() == 64; }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(100)); // the scroll, once laid out
    EXPECT_TRUE(list->GetTopRow() > 0 && top == list->GetRowText(list->GetTopRow(), 1)) << top;
    wxKeyEvent enter(wxEVT_KEY_DOWN); // on the keyboard's row
    enter.m_keyCode = WXK_RETURN;
    EXPECT_EQ("Naomi_Grey", list->GetRowText(list->GetSelectedRow(), 1).utf8_string());
    list->GetEventHandler()->ProcessEvent(enter);
    EXPECT_TRUE(opened.size() == 1 && opened[0].EndsWith("Naomi_Grey"));
    static_cast<HistoryPanel*>(list->GetParent())->SetNameFilter("p"); // others' rows only
    EXPECT_EQ(0, list->GetSelectedItemsCount());
}

// At the very top the new rows show, though the highlight follows its event down and out of view.
TEST_F(HistoryPageTest, AtTheTopNewRowsShow)
{
    Statuses statuses;
    for (int i = 0; i < 60; ++i)
        statuses[wxString::Format("p%02d", i).utf8_string()] = 0x03;
    Poll(statuses);
    HistoryListCtrl* list = (new HistoryPanel(frame.get(), &store, {}))->GetListCtrl();
    frame->Show();
    ASSERT_TRUE(PumpUntil([&] { return list->GetCountPerPage() > 3; }));
    const wxString first = list->GetRowText(0, 1);
    list->SelectRow(0);
    for (int i = 1; i <= 40; ++i)
        statuses[wxString::Format("p%02d", i).utf8_string()] = 0x05;
    Poll(statuses);
    UserEvent changed(User("p01", 0x05), EVT_USER_CHANGED, UserEvent::kNoStatus);
    list->GetEventHandler()->AddPendingEvent(changed);
    ASSERT_TRUE(PumpUntil([&] { return list->GetRowCount() == 100; }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(100)); // the scroll, once laid out
    EXPECT_EQ(0, list->GetTopRow());
    EXPECT_EQ(40, list->GetSelectedRow());
    EXPECT_EQ(first, list->GetRowText(list->GetSelectedRow(), 1));
}

// An offline favourite's tooltip gives its last time online; an online one, or one never seen,
// gets none.
TEST_F(HistoryPageTest, OfflineFavoriteTooltipGivesLastTime)
{
    // Both seen, bob gone offline two hours ago; dan never seen.
    const long long left = now - 2 * 3600;
    ASSERT_TRUE(store.Record(
        {{0, left - 60, "ann", HistoryKind::OnlineAtStart, 3}, {0, left, "bob", HistoryKind::WentOffline, 3}}));

    auto* tree = new FavoriteTreeCtrl(frame.get(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                      wxTR_HIDE_ROOT | wxTR_HAS_BUTTONS);
    tree->SetLastSeenLookup([this](const wxString& name) { return store.GetLastSeen(name); });
    tree->CreateGroups();
    UserListEvent favorites(EVT_USER_LIST_INITIALIZED, FavoriteTreeCtrl::kFavoritesListId);
    favorites.SetUserList(ListOf({{"ann", 0x03}, {"bob", 0x00}, {"dan", 0x00}}));
    tree->GetEventHandler()->ProcessEvent(favorites);

    auto tip = [tree](const char* name, const wxDataViewItem& group) {
        const wxDataViewItem item = tree->FindItem(User(name, 0), group, false);
        EXPECT_TRUE(item.IsOk()) << name;
        return tree->ToolTipFor(item);
    };
    const wxString expected = HistoryView::LastSeenText(left, static_cast<long long>(std::time(nullptr)));
    EXPECT_EQ(expected, tip("bob", tree->GetOfflineGroup()));
    EXPECT_EQ("", tip("dan", tree->GetOfflineGroup()));
    EXPECT_EQ("", tip("ann", tree->GetOnlineGroup()));
}
