// The performer's card as a person meets it: opened from the History page's context menu and with
// Shift+Enter, its sessions, its chart drawn (a busy hour looks unlike an empty one) and described
// for a screen reader, closed with Escape; and opened quickly on a full history.
#include "ui/PerformerCard.h"
#include "ui/AllTreeCtrl.h"
#include "history/HistoryStore.h"
#include "ui/HistoryExport.h"
#include "ui/HistoryListCtrl.h"
#include "ui/HistoryPanel.h"
#include "ui/NativeView.h"
#include "ui/WeeklyChartCtrl.h"

#include "HistoryFill.h"
#include "HistoryWeek.h"
#include "TestFiles.h"
#include "TimeLimit.h"

#include <gtest/gtest.h>

#include <wx/dataview.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/fileconf.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/sstream.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <chrono>
#include <memory>

namespace
{
PerformerCard* FindCard()
{
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* card = dynamic_cast<PerformerCard*>(window))
            return card;
    return nullptr;
}

// The colour in the middle of a cell, read back from the screen.
wxColour CellColour(WeeklyChartCtrl* chart, int day, int hour)
{
    const wxRect cell = chart->GetCellRect(day, hour);
    const wxPoint middle = chart->ClientToScreen(cell.GetPosition() + wxPoint(cell.width / 2, cell.height / 2));
    wxBitmap pixel(1, 1);
    wxMemoryDC memory(pixel);
    wxScreenDC screen;
    memory.Blit(0, 0, 1, 1, &screen, middle.x, middle.y);
    wxColour colour;
    memory.GetPixel(0, 0, &colour);
    return colour;
}
} // namespace

TEST(PerformerCardTest, OpensFromTheHistoryPageShowsTheWeekAndClosesWithEscape)
{
    wxStringInputStream nothing(wxEmptyString);
    delete wxConfigBase::Set(new wxFileConfig(nothing));
    ScratchFolder scratch;
    const wxString path = scratch.path + "/history.sqlite";
    const long long now = static_cast<long long>(std::time(nullptr));
    // A fortnight of runs; Alice_Moon stays away on four of her days, so that those hours are
    // hers on half of the weeks (or all: a skipped weekend day changes nothing).
    ASSERT_TRUE(FillWeek(path, now, 14, {1, 2, 3, 4}));
    HistoryStore store;
    ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(path));
    auto frame = std::make_unique<wxFrame>(nullptr, wxID_ANY, "history");
    auto* panel = new HistoryPanel(frame.get(), &store, {});
    HistoryListCtrl* list = panel->GetListCtrl();
    frame->Show();
    panel->SetNameFilter("Alice");
    while (list->GetRowCount() == 0)
        ASSERT_TRUE(PumpUntil([&] { return list->GetRowCount() > 0; }));

    // "Details..." with its key, once the menu is up.
    list->Bind(wxEVT_MENU_OPEN, [](wxMenuEvent&) { wxTheApp->CallAfter([] { wxUIActionSimulator().Char('d'); }); });
    wxDataViewEvent click(wxEVT_DATAVIEW_ITEM_CONTEXT_MENU, list,
                          static_cast<wxDataViewVirtualListModel*>(list->GetModel())->GetItem(0));
    list->GetEventHandler()->ProcessEvent(click);
    ASSERT_TRUE(PumpUntil([] { return FindCard() && FindCard()->IsShown(); }));
    PerformerCard* card = FindCard();
    EXPECT_EQ("Alice_Moon", card->GetPerformer());
    EXPECT_EQ("Offline now", card->GetStatus()->GetLabel());
    // Each of her weekdays in the last seven days that she did not skip, 20:00 to 23:00.
    int expected = 0;
    for (int day = 5; day <= 7; ++day)
        expected += WeeklyChart::DayAndHour(WeekLocalTime(now, -day, 12, 0)).first < 5 ? 1 : 0;
    ASSERT_EQ(static_cast<unsigned>(expected), static_cast<unsigned>(card->GetSessions()->GetItemCount()));
    if (expected > 0)
    {
        EXPECT_EQ("3 h 00 min", card->GetSessions()->GetTextValue(0, 2));
    }

    // Her evenings are shaded, her mornings are not; the words say when she is usually online.
    WeeklyChartCtrl* chart = card->GetChart();
    ASSERT_TRUE(PumpUntil([&] { return chart->IsShownOnScreen(); }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(200)); // drawn
    int monday = 0;
    while (chart->GetChart().Share(monday, 21) < 0.5)
        ASSERT_LT(++monday, 5);
    EXPECT_NE(CellColour(chart, monday, 21), CellColour(chart, monday, 18));
    EXPECT_NE(CellColour(chart, monday, 21), CellColour(chart, monday, 10)); // never watched
    const wxString described = GetAccessibleDescription(chart);
    EXPECT_TRUE(described.StartsWith("Usually online ")) << described;
    EXPECT_NE(wxNOT_FOUND, described.Find(wxString::FromUTF8("20:00–23:00"))) << described;
    EXPECT_TRUE(chart->AcceptsFocusFromKeyboard() && card->GetSessions()->AcceptsFocusFromKeyboard());

    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    escape.SetEventObject(card);
    card->GetEventHandler()->ProcessEvent(escape);
    EXPECT_TRUE(PumpUntil([] { return FindCard() == nullptr; }));

    // Enter on a row with Shift held opens the card too; without, the card does not open.
    list->SelectRow(0);
    wxUIActionSimulator keys;
    keys.KeyDown(WXK_SHIFT);
    PumpUntil([] { return wxGetKeyState(WXK_SHIFT); }, std::chrono::milliseconds(1000));
    wxKeyEvent enter(wxEVT_KEY_DOWN);
    enter.m_keyCode = WXK_RETURN;
    list->GetEventHandler()->ProcessEvent(enter);
    keys.KeyUp(WXK_SHIFT);
    EXPECT_TRUE(PumpUntil([] { return FindCard() != nullptr; }));
    if (FindCard())
        FindCard()->Destroy();
    PumpUntil([] { return FindCard() == nullptr; });

    // Outside a main window the card has no history to show, and says so.
    PerformerCard* lone = ShowPerformerCard(frame.get(), "Alice_Moon");
    EXPECT_EQ("No history is kept in this run.", lone->GetStatus()->GetLabel());
    lone->Destroy();
    PumpUntil([] { return FindCard() == nullptr; });
    // The All page's menu has "Details..." too.
    auto* tree = new AllTreeCtrl(frame.get());
    UserEvent added(User("Bella_Rose", 0x03), EVT_USER_ADDED, UserEvent::kNoStatus);
    tree->GetEventHandler()->ProcessEvent(added);
    tree->Bind(wxEVT_MENU_OPEN, [](wxMenuEvent&) { wxTheApp->CallAfter([] { wxUIActionSimulator().Char('d'); }); });
    wxDataViewEvent treeClick(wxEVT_DATAVIEW_ITEM_CONTEXT_MENU, tree,
                              tree->FindItem(User("Bella_Rose", 0), tree->GetRootItem()));
    tree->GetEventHandler()->ProcessEvent(treeClick);
    ASSERT_TRUE(PumpUntil([] { return FindCard() && FindCard()->IsShown(); }));
    EXPECT_EQ("Bella_Rose", FindCard()->GetPerformer());
    FindCard()->Destroy();
    // The page's export reads beside the store that writes.
    ASSERT_TRUE(ExportHistoryToFile(frame.get(), &store, scratch.path + "/all.csv", true));
    EXPECT_EQ("time,name,event\n", scratch.Read("all.csv").substr(0, 16));
}

// On the largest history kept, 3.5 million events of 300 names (11,700 events each), a card opens
// within the time a person takes for instant: the index by name serves it. The page exports it
// all with its progress box up, and the toolkit does not complain.
TEST(PerformerCardTest, OpensQuicklyOnAFullHistory)
{
    ScratchFolder scratch;
    const wxString path = scratch.path + "/history.sqlite";
    ASSERT_TRUE(FillHistory(path, 3500000, 300, static_cast<long long>(std::time(nullptr))));
    HistoryStore store;
    ASSERT_EQ(HistoryStore::OpenResult::Opened, store.Open(path));
    auto frame = std::make_unique<wxFrame>(nullptr, wxID_ANY, "history");
    frame->Show();
    for (const char* name : {"p7", "p123"})
    {
        const auto start = std::chrono::steady_clock::now();
        PerformerCard* card = ShowPerformerCard(frame.get(), name, &store);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::printf("the card of %s opened in %lld ms\n", name, static_cast<long long>(took.count()));
        EXPECT_LT(took, TimeLimit(300)) << name;
        card->Destroy();
        PumpUntil([] { return FindCard() == nullptr; });
    }
    // The page's export of it all, with its progress box.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(ExportHistoryToFile(frame.get(), &store, scratch.path + "/all.csv", true));
    std::printf(
        "exported in %lld ms\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count()));
}
