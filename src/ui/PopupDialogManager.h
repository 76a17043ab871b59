// Turns the polling thread's changes into pop-ups: a performer who comes online or becomes free.
//
// Usage (GUI thread):
//   popupDialogManager = std::make_unique<PopupDialogManager>(menuBar);
//   daemonThread->AddEventHandler(popupDialogManager.get());   // right after the All tree
//   ...
//   daemonThread->Stop();           // nothing more is posted to the manager
//   popupDialogManager.reset();     // every pop-up goes with it
//
// The pop-ups stack in a column at the bottom right of the work area, each in the lowest slot
// that no open pop-up holds. When the column is full, or enough pictures are already on their
// way, further pop-ups wait, as data only, and appear as room frees: favourites' first, then
// the newest. The manager follows every change, deletions too, so that a pop-up waiting (or
// still fetching its picture) that is no longer true, or has waited too long, never shows.
//
// Before a pop-up waits, the gate (model/PopupGate) applies the person's settings, read here:
// a pause, the per-performer choice, the favourites-only limit, the cap per minute, flapping
// and quiet hours. What it holds back is counted in one summary pop-up, updated in place. With
// an outlet the pop-ups and the summary go there instead of into windows of the program's own.
#pragma once

#include "model/PopupGate.h"
#include "model/UserEvent.h"
#include "ui/PopupSlots.h"

#include <wx/event.h>
#include <wx/gdicmn.h>
#include <wx/weakref.h>

#include <functional>
#include <unordered_map>
#include <vector>

class PopupDialog;
class PopupOutlet;
class PopupSummary;
class wxMenuBar;

class PopupDialogManager : public wxEvtHandler, public PopupSlots
{
public:
    /// At most this many pictures are fetched at once.
    static constexpr size_t kMaxDownloads = 4;
    /// An outlet shows pop-ups at once; the waiting line is as long as for a column this high.
    static constexpr int kOutletSlots = 6;

    /// menuBar: the main window's menus, whose "&PopupOnlyFavorite" item limits the pop-ups to
    /// favourites while it is enabled and checked; null: never limited.
    explicit PopupDialogManager(wxMenuBar* menuBar = nullptr);
    /// Closes every pop-up and forgets the waiting ones.
    ~PopupDialogManager() override;

    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnUserDeleted(UserEvent& event);

    /// The screen area the pop-ups stack in: the display's work area unless a test sets one.
    void SetWorkAreaSource(std::function<wxRect()> source) { workAreaSource = std::move(source); }
    /// The notification-area icon's place on the screen (empty when there is none): the column
    /// starts above it.
    void SetTrayIconSource(std::function<wxRect()> source) { trayIconSource = std::move(source); }
    /// The open pop-ups, shown or still waiting for their pictures.
    const std::vector<PopupDialog*>& GetPopups() const { return popups; }
    size_t GetWaitingCount() const { return queue.GetWaitingCount(); }
    /// How many pop-ups went unshown for that reason so far.
    size_t GetDropCount(PopupQueue::DropReason reason) const { return queue.GetDropCount(reason); }
    /// The summary window while it is up.
    PopupSummary* GetSummary() const { return summary; }
    /// What a click on the summary runs: the main window shows its History page.
    void SetShowHistory(std::function<void()> show) { showHistory = std::move(show); }
    /// What a click on the summary does.
    void ShowHistory() const
    {
        if (showHistory)
            showHistory();
    }
    /// Pop-ups and the summary go to outlet (not owned; it outlives the manager or is unset
    /// first) instead of into windows; null: the program's own windows.
    void SetOutlet(PopupOutlet* outlet_) { outlet = outlet_; }

    /// From a pop-up whose picture is there: it is placed and shown.
    void OnPopupReady(PopupDialog* popup) override;
    /// From a pop-up that goes; startNext false while the program closes.
    void OnPopupClosed(PopupDialog* popup, bool startNext) override;
    /// Passed to the window whose menu bar this manager was given.
    void OnPopupCommand(wxCommandEvent& event) override;

private:
    /// Whether the "&PopupOnlyFavorite" item limits the pop-ups to favourites.
    bool IsLimitedToFavorites() const;
    /// The settings the gate follows, as they are now.
    PopupGate::Rules ReadRules() const;
    /// A performer's newest status (0: she left): pop-ups still fetching their pictures that it
    /// makes untrue go. True when one went.
    bool DropUntrue(const User& user, PopupQueue::DropReason reason);
    /// Closes a pop-up that has not shown, its slot and download given back.
    void Drop(PopupDialog* popup, PopupQueue::DropReason reason);
    void StartWaiting();
    /// Shows the summary, or its new count, when something was held back since it was last shown.
    void UpdateSummary(long long now, const std::function<bool()>& isFullScreen);
    void OnSummaryClosed();
    /// An outlet's summary is gone after the pop-ups' duration: its count starts again.
    void ExpireOutletSummary(long long now);
    wxPoint SlotPosition(int slot, const wxSize& size) const;
    wxRect GetWorkArea() const;
    static long long Now();

    wxWeakRef<wxMenuBar> menuBar;
    PopupGate gate;
    PopupQueue& queue; // the gate's waiting line
    PopupSummary* summary = nullptr;
    size_t summaryShownCount = 0; // the count the summary shows
    long long outletSummaryAt = 0;
    std::function<void()> showHistory;
    PopupOutlet* outlet = nullptr;
    bool fullScreenKnown = false; // for the events being handled now
    bool fullScreen = false;
    std::vector<PopupDialog*> popups;
    std::unordered_map<const PopupDialog*, long long> arrivals; // when each one's event came
    int slotCount = 1;                                          // as the work area was last seen
    std::function<wxRect()> workAreaSource;
    std::function<wxRect()> trayIconSource;

    wxDECLARE_EVENT_TABLE();
};
