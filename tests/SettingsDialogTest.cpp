// Everyday use on a virtual display: the settings dialog and its effect on the polling, the
// autostart tick, pausing pop-ups, the search field and the offline group.
#include "ui/SettingsDialog.h"
#include "model/PopupChoice.h"
#include "model/PopupPause.h"
#include "ui/AllTreeCtrl.h"
#include "ui/FavoriteTreeCtrl.h"
#include "ui/PopupDialogManager.h"
#include "util/AutostartEntry.h"

#include "TestFiles.h"
#include "UserStatuses.h"
#include "WindowTest.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/srchctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <ctime>

namespace
{
using SettingsDialogTest = WindowTest;

// Hands an event to a window as the toolkit does.
void Send(wxWindow* window, wxEvent&& event)
{
    window->GetEventHandler()->ProcessEvent(event);
}

void Press(wxButton* button)
{
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

// Runs the dialog from the frame's menu as a person would; `act` fills it and ends it.
void RunSettings(MainFrame* main, const std::function<void(SettingsDialog*)>& act)
{
    wxTheApp->CallAfter([act] {
        SettingsDialog* dialog = nullptr;
        PumpUntil([&] {
            for (wxWindow* window : wxTopLevelWindows)
                dialog = dialog ? dialog : dynamic_cast<SettingsDialog*>(window);
            return dialog && dialog->IsModal();
        });
        ASSERT_TRUE(dialog);
        act(dialog);
    });
    Send(main, wxCommandEvent(wxEVT_MENU, ID_SETTINGS));
}
} // namespace

// The stored values are shown; each server is checked as it is typed, and one bad server keeps
// "OK" disabled.
TEST_F(SettingsDialogTest, StoredValuesShownAndServersCheckedAsTyped)
{
    Settings::WriteLong("/System/syncinterval", 42);
    Settings::WriteLong("/PopupDialog/duration", 7);
    Settings::WriteBool("/PopupDialog/free", false);
    Settings::WriteBool("/System/keeptrying", true);
    Settings::WriteLong("/History/days", 12);
    Settings::WriteString("/Site/previewserver", "preview.example:81");
    SettingsDialog dialog(nullptr);
    EXPECT_EQ(wxString(sim.WebServer()), dialog.GetServerText(SettingsDialog::WEB_SERVER)->GetValue());
    EXPECT_EQ("preview.example:81", dialog.GetServerText(SettingsDialog::PREVIEW_SERVER)->GetValue());
    EXPECT_EQ(42, dialog.GetIntervalSpin()->GetValue());
    EXPECT_EQ(7, dialog.GetDurationSpin()->GetValue());
    EXPECT_EQ(12, dialog.GetHistorySpin()->GetValue());
    EXPECT_TRUE(dialog.GetOnlineCheck()->GetValue());
    EXPECT_FALSE(dialog.GetFreeCheck()->GetValue());
    EXPECT_TRUE(dialog.GetKeepTryingRadio()->GetValue());
    EXPECT_TRUE(dialog.GetOkButton()->IsEnabled());
    // At 2x scale a 1280 px screen is 640 wide: the dialog fits in that.
    EXPECT_LE(dialog.GetSize().x, 600);

    // The rules themselves are the address check's own tests; here, that typing reaches them.
    const std::pair<const char*, bool> cases[] = {{"host:", false}, {"http://x", false}, {"[::1]:8080", true}};
    wxTextCtrl* image = dialog.GetServerText(SettingsDialog::IMAGE_SERVER);
    for (const auto& [address, valid] : cases)
    {
        SCOPED_TRACE(address);
        image->SetValue(address); // sends the text event, as typing does
        EXPECT_EQ(valid, dialog.IsServerValid(SettingsDialog::IMAGE_SERVER));
        EXPECT_EQ(valid, dialog.GetOkButton()->IsEnabled());
        EXPECT_EQ(valid, image->GetBackgroundColour() != wxColour(255, 204, 204));
    }
}

// The pop-up page shows what is stored and stores what is changed; a time that is not one keeps
// "OK" disabled and says how to write it; a name removed from a list leaves the stored list, one
// chosen elsewhere meanwhile stays.
TEST_F(SettingsDialogTest, PopupPageRoundTripsItsValuesAndRefusesABadTime)
{
    // Key, value stored before, value stored after the changes below and "OK".
    const char* const rows[][3] = {
        {"perMinute", "3", "0"},         {"flapSeconds", "30", "600"},       {"quietHours", "1", "0"},
        {"quietFrom", "23:15", "23:15"}, {"quietTo", "06:05", "07:30"},      {"notFullScreen", "0", "1"},
        {"style", "desktop", "own"},     {"always", "ann,bob,", "ann,eve,"}, {"never", "cat,dan,", "dan,"}};
    for (const auto& row : rows)
        Settings::WriteString(wxString("/PopupDialog/") + row[0], row[1]);
    SettingsDialog dialog(nullptr);
    PopupSettingsPage* page = dialog.GetPopupPage();
    EXPECT_EQ("3 30 1 23:15 06:05 0 010 ann,bob|cat,dan",
              wxString::Format("%d %d %d %s %s %d %d%d%d %s|%s", page->GetPerMinuteSpin()->GetValue(),
                               page->GetFlapSpin()->GetValue(), page->GetQuietCheck()->GetValue(),
                               page->GetQuietFromText()->GetValue(), page->GetQuietToText()->GetValue(),
                               page->GetNotFullScreenCheck()->GetValue(), page->GetStyleRadio(0)->GetValue(),
                               page->GetStyleRadio(1)->GetValue(), page->GetStyleRadio(2)->GetValue(),
                               wxJoin(page->GetAlwaysList()->GetStrings(), ','),
                               wxJoin(page->GetNeverList()->GetStrings(), ',')));
    EXPECT_LE(dialog.GetSize().x, 600);

    const wxString hint = page->GetQuietMessage()->GetLabel();
    for (const char* time : {"24:00", "7:5", "ab:cd", "", "12:60", "1:2:3", "+1:30", " 7:30"})
    {
        const bool good = time[0] == ' ';
        page->GetQuietToText()->SetValue(time);
        EXPECT_EQ(good, dialog.GetOkButton()->IsEnabled()) << time;
        EXPECT_EQ(good, hint == page->GetQuietMessage()->GetLabel()) << time;
    }
    page->GetPerMinuteSpin()->SetValue(0);
    page->GetFlapSpin()->SetValue(600);
    page->GetQuietCheck()->SetValue(false);
    page->GetNotFullScreenCheck()->SetValue(true);
    page->GetStyleRadio(0)->SetValue(true);
    // "bob" by the button, "cat" by the Delete key; "eve" chosen meanwhile from a context menu.
    page->GetNeverList()->SetSelection(1);
    page->GetAlwaysList()->SetSelection(1);
    wxCommandEvent selected(wxEVT_LISTBOX, page->GetAlwaysList()->GetId());
    selected.SetEventObject(page->GetAlwaysList());
    selected.SetInt(1);
    Send(page->GetAlwaysList(), std::move(selected));
    EXPECT_EQ(wxNOT_FOUND, page->GetNeverList()->GetSelection()); // "Remove" takes one name, not two
    Press(page->GetRemoveButton());
    wxKeyEvent del(wxEVT_KEY_DOWN);
    del.m_keyCode = WXK_DELETE;
    del.SetEventObject(page->GetNeverList());
    page->GetNeverList()->SetSelection(0);
    Send(page->GetNeverList(), std::move(del));
    WritePopupChoice("eve", CHOICE_ALWAYS);
    Press(dialog.GetOkButton());
    for (const auto& row : rows)
        EXPECT_EQ(row[2], Settings::ReadString(wxString("/PopupDialog/") + row[0], "?")) << row[0];
}

// "OK" stores and applies at once: the next list request goes to the new server without waiting
// for the old ten-second interval, and the ones after it one new interval apart. "Cancel" stores
// nothing and sends nothing elsewhere. "Start at login" follows its tick.
TEST_F(SettingsDialogTest, OkAppliesTheNewServerAndIntervalCancelChangesNothingAutostartFollowsTheTick)
{
    watcher.show = true;
    sitesim::SiteSim other;
    ASSERT_TRUE(other.SetPerformerListFromFile(SOLVANE_TEST_DATA "/performers/typical.js"));
    ASSERT_TRUE(other.Start());
    MainFrame* main = Open();
    ASSERT_TRUE(PumpUntil([&] { return CountRequests(kListPath) > 0; }));

    RunSettings(main, [&](SettingsDialog* dialog) {
        dialog->GetServerText(SettingsDialog::WEB_SERVER)->SetValue(other.WebServer());
        dialog->GetIntervalSpin()->SetValue(99);
        Press(dialog->GetCancelButton());
    });
    EXPECT_EQ(wxString(sim.WebServer()), Settings::WebServer());
    EXPECT_FALSE(Settings::HasEntry("/System/syncinterval"));
    EXPECT_EQ(0u, CountRequests(kListPath, &other));

    RunSettings(main, [&](SettingsDialog* dialog) {
        dialog->GetServerText(SettingsDialog::WEB_SERVER)->SetValue(other.WebServer());
        dialog->GetIntervalSpin()->SetValue(1);
        dialog->GetOnlyFavoriteCheck()->SetValue(true);
        Press(dialog->GetOkButton());
    });
    EXPECT_EQ(wxString(other.WebServer()), Settings::WebServer());
    EXPECT_EQ(1, Settings::ReadLong("/System/syncinterval", 0));
    EXPECT_TRUE(main->GetMenuBar()->IsChecked(ID_POPUP_ONLY_FAVORITE));
    EXPECT_TRUE(PumpUntil([&] { return CountRequests(kListPath, &other) >= 1; }, TimeLimit(2500)));
    const auto first = steady_clock::now();
    EXPECT_TRUE(PumpUntil([&] { return CountRequests(kListPath, &other) >= 3; }, TimeLimit(4000)));
    EXPECT_GE(steady_clock::now() - first, milliseconds(1500)); // two intervals of 1 s

    // Ticking writes the autostart entry, unticking removes it; an entry of someone else's shows
    // ticked and stays as it was when "OK" changes nothing about it.
    ASSERT_TRUE(AutostartEntry::Remove());
    for (const bool tick : {true, false})
    {
        RunSettings(main, [&](SettingsDialog* dialog) {
            EXPECT_EQ(!tick, dialog->GetAutostartCheck()->GetValue());
            dialog->GetAutostartCheck()->SetValue(tick);
            Press(dialog->GetOkButton());
        });
        EXPECT_EQ(tick, AutostartEntry::Exists());
        EXPECT_EQ(tick, ReadBytes(AutostartEntry::GetPath()).find("\nExec=") != std::string::npos);
    }
    const std::string foreign = "[Desktop Entry]\nType=Application\nName=Mine\nExec=/bin/true --mine\n";
    WriteBytes(AutostartEntry::GetPath(), foreign);
    RunSettings(main, [&](SettingsDialog* dialog) {
        EXPECT_TRUE(dialog->GetAutostartCheck()->GetValue());
        dialog->GetIntervalSpin()->SetValue(30);
        Press(dialog->GetOkButton());
    });
    EXPECT_EQ(foreign, ReadBytes(AutostartEntry::GetPath()));
    wxRemoveFile(AutostartEntry::GetPath());
}

// No pop-up is queued while paused; the pause outlives a restart; "Resume pop-ups" and the end of
// a pause let them come again.
TEST_F(SettingsDialogTest, PausedPopupsStayAwayUntilTheEnd)
{
    const auto announce = [](MainFrame* main, const char* name) {
        PopupDialogManager* manager = main->GetPopupDialogManager();
        UserEvent added(User(name, 0x03), EVT_USER_ADDED, UserEvent::kNoStatus);
        manager->ProcessEvent(added);
        return manager->GetPopups().size() + manager->GetWaitingCount();
    };
    MainFrame* main = Open();
    EXPECT_FALSE(main->GetMenuBar()->IsEnabled(ID_RESUME_POPUPS));
    for (const int id : {ID_PAUSE_ONE_HOUR, ID_PAUSE_UNTIL_MORNING, ID_PAUSE_UNTIL_RESUMED})
    {
        Send(main, wxCommandEvent(wxEVT_MENU, id));
        EXPECT_TRUE(main->GetMenuBar()->IsEnabled(ID_RESUME_POPUPS)) << id;
        EXPECT_EQ(0u, announce(main, "anna")) << id;
    }
    EXPECT_EQ(PopupPause::kUntilResumed, Settings::ReadLong("/PopupDialog/pausedUntil", 0));

    ExitBy([&] { main->Destroy(); });
    main = Open();
    EXPECT_TRUE(main->GetMenuBar()->IsEnabled(ID_RESUME_POPUPS));
    EXPECT_EQ(0u, announce(main, "bert"));
    Send(main, wxCommandEvent(wxEVT_MENU, ID_RESUME_POPUPS));
    EXPECT_FALSE(main->GetMenuBar()->IsEnabled(ID_RESUME_POPUPS));
    EXPECT_EQ(1u, announce(main, "carl"));

    // A pause about to end: the frame notices its end by itself.
    Settings::WriteLong("/PopupDialog/pausedUntil", static_cast<long>(std::time(nullptr)) + 1);
    main->UpdatePauseState();
    EXPECT_EQ(1u, announce(main, "dora"));
    EXPECT_TRUE(PumpUntil([&] { return !main->GetMenuBar()->IsEnabled(ID_RESUME_POPUPS); }, TimeLimit(4000)));
    EXPECT_EQ(2u, announce(main, "emil"));
}

namespace
{
std::chrono::nanoseconds ThreadCpuTime()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}
} // namespace

// At 10,000 performers each keystroke filters both trees within 50 ms of the GUI thread's time;
// the groups count what shows of all; a poll while filtered keeps the filter; Escape empties
// the field.
TEST_F(SettingsDialogTest, FindFiltersBothTreesQuicklyAndKeepsFilteringThroughPolls)
{
    MainFrame* main = Open();
    AllTreeCtrl* all = main->GetAllTreeCtrl();
    ASSERT_TRUE(PumpUntil([&] { return all->GetGroupLabel(all->GetOnlineGroup()) == "Online (4)"; }));
    UserList many;
    for (int i = 0; i < 10000; ++i)
        many.AddUser(User(wxString::Format("perf%05d_%s", i, i % 10 == 0 ? "Kitty" : "x"), i % 2 ? 0x03 : 0x05));
    UserListEvent list(EVT_USER_LIST_INITIALIZED, -1);
    list.SetUserList(many);
    all->GetEventHandler()->ProcessEvent(list);
    // A first list this long goes into the tree in slices, between the window's other work.
    ASSERT_TRUE(PumpUntil([&] { return all->GetGroupLabel(all->GetOnlineGroup()) == "Online (10004)"; }))
        << all->GetGroupLabel(all->GetOnlineGroup());

    wxSearchCtrl* search = main->GetSearchCtrl();
    const std::pair<const char*, const char*> keys[] = {
        {"k", "Online (1001 of 10004)"},      {"ki", "Online (1001 of 10004)"},     {"KITTY", "Online (1001 of 10004)"},
        {"perf0001", "Online (10 of 10004)"}, {"perf00012", "Online (1 of 10004)"}, {"", "Online (10004)"}};
    for (const auto& [text, label] : keys)
    {
        SCOPED_TRACE(text);
        // The GUI thread's own processor time: another program busy on the machine does not count.
        const auto start = ThreadCpuTime();
        search->SetValue(text);
        EXPECT_LT(ThreadCpuTime() - start, TimeLimit(50));
        EXPECT_EQ(label, all->GetGroupLabel(all->GetOnlineGroup()));
    }
    // All 10,000 back: the first slice at once, the rest a slice an idle turn.
    EXPECT_GT(all->GetWaitingCount(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return all->GetWaitingCount() == 0; }));
    EXPECT_EQ(10004u, all->GetNames(all->GetOnlineGroup()).size());

    // A poll while filtered: one matching and one hidden newcomer, one hidden performer leaves.
    search->SetValue("kitty");
    Send(all, UserEvent(User("NewKitty", 0x03), EVT_USER_ADDED, UserEvent::kNoStatus));
    Send(all, UserEvent(User("Zed", 0x03), EVT_USER_ADDED, UserEvent::kNoStatus));
    Send(all, UserEvent(User("perf00001_x", 0x03), EVT_USER_DELETED, UserEvent::kNoStatus));
    EXPECT_EQ("Online (1002 of 10005)", all->GetGroupLabel(all->GetOnlineGroup())); // MissKitty42 too
    EXPECT_TRUE(all->FindItem(User("NewKitty", 0), all->GetRootItem(), true).IsOk());
    EXPECT_FALSE(all->FindItem(User("Zed", 0), all->GetRootItem(), true).IsOk());

    // Ctrl+F's command focuses the field; Escape there empties it.
    Send(main, wxCommandEvent(wxEVT_MENU, ID_FIND));
    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    EXPECT_EQ(search, wxWindow::FindFocus());
    main->GetEventHandler()->ProcessEvent(escape);
    EXPECT_EQ("", search->GetValue());
    search->Clear();
    EXPECT_EQ("Online (10005)", all->GetGroupLabel(all->GetOnlineGroup()));
    // A performer who leaves while waiting for her slice does not come back.
    Send(all, UserEvent(User("perf00003_x", 0x03), EVT_USER_DELETED, UserEvent::kNoStatus));
    ASSERT_TRUE(PumpUntil([&] { return all->GetWaitingCount() == 0; }));
    EXPECT_TRUE(all->FindItem(User("Zed", 0), all->GetRootItem(), true).IsOk());
    EXPECT_FALSE(all->FindItem(User("perf00003_x", 0), all->GetRootItem(), true).IsOk());
    EXPECT_EQ("Online (10004)", all->GetGroupLabel(all->GetOnlineGroup()));
    EXPECT_EQ(10004u, all->GetNames(all->GetOnlineGroup()).size());

    // The Favorite tree filters too, each group counting its own.
    FavoriteTreeCtrl* favorites = main->GetFavoriteTreeCtrl();
    favorites->CreateGroups();
    UserListEvent favoriteList(EVT_USER_LIST_INITIALIZED, FavoriteTreeCtrl::kFavoritesListId);
    favoriteList.SetUserList(ListOf({{"anna", 0x03}, {"annabel", 0}, {"bert", 0x05}, {"carla", 0}}));
    favorites->GetEventHandler()->ProcessEvent(favoriteList);
    search->SetValue("ANN");
    EXPECT_EQ("Online (1 of 2)", favorites->GetGroupLabel(favorites->GetOnlineGroup()));
    EXPECT_EQ("Offline (1 of 2)", favorites->GetGroupLabel(favorites->GetOfflineGroup()));
    // bert, hidden, goes offline: he moves group while hidden.
    Send(favorites, UserEvent(User("bert", 0x05), EVT_USER_DELETED, UserEvent::kNoStatus));
    search->SetValue("");
    EXPECT_EQ("Online (1)", favorites->GetGroupLabel(favorites->GetOnlineGroup()));
    EXPECT_EQ("Offline (3)", favorites->GetGroupLabel(favorites->GetOfflineGroup()));

    // The All tree's group says when the site is being retried quietly, and counts again once it answers.
    Send(all, UserListEvent(EVT_SITE_UNREACHABLE, -1));
    EXPECT_EQ("Online (No connection)", all->GetGroupLabel(all->GetOnlineGroup()));
    Send(all, UserListEvent(EVT_SITE_REACHABLE, -1));
    EXPECT_EQ("Online (10004)", all->GetGroupLabel(all->GetOnlineGroup()));
}
