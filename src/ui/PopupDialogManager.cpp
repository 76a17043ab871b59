// Turns the polling thread's changes into pop-ups: a performer who comes online or becomes free.
#include "ui/PopupDialogManager.h"

#include "model/PopupPause.h"
#include "model/PopupRules.h"
#include "ui/FullScreen.h"
#include "ui/MainMenu.h"
#include "ui/PopupDialog.h"
#include "ui/PopupPlace.h"
#include "ui/PopupOutlet.h"
#include "ui/PopupSummary.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"

#include <wx/display.h>
#include <wx/frame.h>
#include <wx/intl.h>
#include <wx/menu.h>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace
{
// A stored number outside its range reads as the default.
long ReadInRange(const char* key, long defaultValue, long min, long max)
{
    const long value = Settings::ReadLong(key, defaultValue);
    return value >= min && value <= max ? value : defaultValue;
}

int MinuteOfDay()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_hour * 60 + local.tm_min;
}

// "12 more came online", with a second line for those free now.
wxString SummaryText(size_t online, size_t free)
{
    wxString text;
    if (online > 0)
        text = wxString::Format(wxPLURAL("%d more came online", "%d more came online", static_cast<unsigned>(online)),
                                static_cast<int>(online));
    if (free > 0)
        text += (text.empty() ? "" : "\n") +
                wxString::Format(wxPLURAL("%d more is free now", "%d more are free now", static_cast<unsigned>(free)),
                                 static_cast<int>(free));
    return text;
}
} // namespace

wxBEGIN_EVENT_TABLE(PopupDialogManager, wxEvtHandler)
    EVT_USER_ADDED(wxID_ANY, PopupDialogManager::OnUserAdded)
    EVT_USER_CHANGED(wxID_ANY, PopupDialogManager::OnUserChanged)
    EVT_USER_DELETED(wxID_ANY, PopupDialogManager::OnUserDeleted)
wxEND_EVENT_TABLE()

PopupDialogManager::PopupDialogManager(wxMenuBar* menuBar_)
    : menuBar(menuBar_), gate(kMaxDownloads), queue(gate.GetQueue())
{
    SOLVANE_TRACE("[%p]PopupDialogManager::PopupDialogManager(%p)", static_cast<void*>(this),
                  static_cast<void*>(menuBar_));
}

PopupDialogManager::~PopupDialogManager()
{
    SOLVANE_TRACE("[%p]PopupDialogManager::~PopupDialogManager(void)", static_cast<void*>(this));
    // A pop-up left open would keep the program running after its main window has gone.
    for (PopupDialog* popup : std::vector<PopupDialog*>(popups))
    {
        popup->Detach();
        popup->Destroy();
    }
    if (summary)
    {
        summary->Detach();
        summary->Destroy();
    }
}

void PopupDialogManager::OnUserAdded(UserEvent& event)
{
    SOLVANE_TRACE("[%p]PopupDialogManager::OnUserAdded(%s)", static_cast<void*>(this), event.GetUser().GetName());
    // A newly listed user counts as one whose status changed from 0.
    UserEvent changed(event);
    changed.SetEventType(EVT_USER_CHANGED);
    changed.SetOldStatus(0);
    ProcessEvent(changed);
}

void PopupDialogManager::OnUserChanged(UserEvent& event)
{
    const User& user = event.GetUser();
    SOLVANE_TRACE("[%p]PopupDialogManager::OnUserChanged(%s, %x, %x)", static_cast<void*>(this), user.GetName(),
                  event.GetOldStatus(), user.GetStatus());
    const long long now = Now();
    ExpireOutletSummary(now);
    queue.Follow(user);
    if (user.GetStatus() == 0)
        gate.Left(user.GetName(), now);
    const bool closed = DropUntrue(user, PopupQueue::DROP_NO_LONGER_TRUE);
    const PopupKind kind = PopupKindFor(event.GetOldStatus(), user.GetStatus());
    PopupGate::Verdict verdict = PopupGate::UNWANTED;
    if (kind != POPUP_NONE)
    {
        gate.SetRules(ReadRules());
        // Favourites go ahead of the others whether or not the pop-ups are limited to them.
        const bool favorite =
            IsFavoriteName(Settings::ReadString(SettingsKeys::kFavorites, wxEmptyString), user.GetName());
        verdict = gate.Offer(user, kind, favorite, ReadPopupChoice(user.GetName()), now, MinuteOfDay(), slotCount);
    }
    // A new pop-up waits, the summary has more to tell, or one that went has freed its slot.
    if (verdict != PopupGate::UNWANTED || closed)
        StartWaiting();
}

void PopupDialogManager::OnUserDeleted(UserEvent& event)
{
    const wxString& name = event.GetUser().GetName();
    SOLVANE_TRACE("[%p]PopupDialogManager::OnUserDeleted(%s)", static_cast<void*>(this), name);
    gate.Left(name, Now());
    // A pop-up closed frees its slot for those waiting.
    if (DropUntrue(User(name, 0), PopupQueue::DROP_LEFT))
        StartWaiting();
}

bool PopupDialogManager::DropUntrue(const User& user, PopupQueue::DropReason reason)
{
    // Pop-ups already shown stay their time; those still fetching their pictures have shown
    // nothing yet.
    bool closed = false;
    for (PopupDialog* popup : std::vector<PopupDialog*>(popups))
    {
        if (popup->IsWaitingForPicture() && popup->GetUser().GetName() == user.GetName() &&
            !IsPopupStillTrue(popup->GetKind(), user.GetStatus()))
        {
            Drop(popup, reason);
            closed = true;
        }
    }
    return closed;
}

void PopupDialogManager::Drop(PopupDialog* popup, PopupQueue::DropReason reason)
{
    SOLVANE_TRACE("[%p]PopupDialogManager::Drop(%p, %d)", static_cast<void*>(this), static_cast<void*>(popup), reason);
    queue.CountDrop(reason);
    OnPopupClosed(popup, false);
    // Told nothing more: its picture, should it still come, finds it gone.
    popup->Detach();
    popup->Destroy();
}

bool PopupDialogManager::IsLimitedToFavorites() const
{
    // The main window's own menu decides, whatever window is on top (the splash screen, say).
    // The item is enabled only once there are favourites to limit the pop-ups to.
    const wxMenuBar* menus = menuBar.get();
    return menus && menus->FindItem(ID_POPUP_ONLY_FAVORITE) && menus->IsEnabled(ID_POPUP_ONLY_FAVORITE) &&
           menus->IsChecked(ID_POPUP_ONLY_FAVORITE);
}

PopupGate::Rules PopupDialogManager::ReadRules() const
{
    using namespace SettingsKeys;
    PopupGate::Rules rules;
    rules.perMinute = ReadInRange(kPopupPerMinute, kPopupPerMinuteDefault, kPopupPerMinuteMin, kPopupPerMinuteMax);
    rules.flapSeconds =
        ReadInRange(kPopupFlapSeconds, kPopupFlapSecondsDefault, kPopupFlapSecondsMin, kPopupFlapSecondsMax);
    rules.quietHours = Settings::ReadBool(kPopupQuietHours, kPopupQuietHoursDefault);
    rules.quietFrom = PopupGate::ParseClockTime(Settings::ReadString(kPopupQuietFrom, kPopupQuietFromDefault),
                                                PopupGate::ParseClockTime(kPopupQuietFromDefault, 0));
    rules.quietTo = PopupGate::ParseClockTime(Settings::ReadString(kPopupQuietTo, kPopupQuietToDefault),
                                              PopupGate::ParseClockTime(kPopupQuietToDefault, 0));
    rules.paused = PopupPause::IsPaused(Settings::ReadLong(kPopupPausedUntil, kPopupPausedUntilDefault), std::time(nullptr));
    rules.onlyFavorites = IsLimitedToFavorites();
    rules.online = Settings::ReadBool(kPopupOnline, kPopupOnlineDefault);
    rules.free = Settings::ReadBool(kPopupFree, kPopupFreeDefault);
    return rules;
}

wxRect PopupDialogManager::GetWorkArea() const
{
    const wxRect area = workAreaSource ? workAreaSource() : wxGetClientDisplayRect();
    // A notification area that reserves no room of its own would have its icon covered.
    return PopupColumnArea(area, trayIconSource ? trayIconSource() : wxRect(),
                           wxSize(PopupDialog::kWidth, PopupDialog::kHeight));
}

long long PopupDialogManager::Now()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void PopupDialogManager::StartWaiting()
{
    SOLVANE_TRACE("[%p]PopupDialogManager::StartWaiting(void)", static_cast<void*>(this));
    const long long now = Now();
    // Asked of the display only when something is about to show, and once for all the events
    // of a refresh: they are handled in one go, and the answer holds until the loop moves on.
    const auto isFullScreen = [this] {
        if (!fullScreenKnown)
        {
            fullScreenKnown = true;
            fullScreen =
                Settings::ReadBool(SettingsKeys::kPopupNotFullScreen, SettingsKeys::kPopupNotFullScreenDefault) &&
                IsActiveWindowFullScreen();
            CallAfter([this] { fullScreenKnown = false; });
        }
        return fullScreen;
    };
    PopupQueue::Entry next;
    int slot = 0;
    // Asking the window system for the work area takes a round trip to the display: not for
    // every arrival of a burst while the pictures already on their way are as many as may be.
    if (queue.MayStart() && isFullScreen())
        gate.HoldWaiting();
    else if (queue.MayStart() && outlet)
    {
        // The outlet fetches what it shows itself: no slot, no download is held here.
        while (gate.TakeNext(kOutletSlots, now, next, slot))
        {
            queue.DownloadEnded();
            queue.Release(slot);
            outlet->Show(next.user, next.kind);
        }
    }
    else if (queue.MayStart())
    {
        // Only slots wholly inside the work area count; a work area lower than one pop-up still
        // has the bottom slot, or nothing would ever show.
        slotCount = std::max(1, GetWorkArea().height / PopupDialog::kHeight);
        while (gate.TakeNext(slotCount, now, next, slot))
        {
            popups.push_back(new PopupDialog(next.user, next.kind, nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                             wxDefaultSize, PopupDialog::kStyle, this, slot));
            arrivals[popups.back()] = next.arrived;
        }
    }
    UpdateSummary(now, isFullScreen);
}

void PopupDialogManager::UpdateSummary(long long now, const std::function<bool()>& isFullScreen)
{
    const size_t count = gate.GetHeldCount();
    // Quiet hours keep counting: once they end, the summary tells how many came.
    if (count == 0 || count == summaryShownCount || gate.IsQuiet(MinuteOfDay()))
        return;
    const wxString text = SummaryText(gate.GetHeldCount(POPUP_ONLINE), gate.GetHeldCount(POPUP_FREE));
    const auto click = [this] { ShowHistory(); };
    if (outlet)
    {
        outlet->ShowSummary(text, click);
        outletSummaryAt = now;
    }
    else if (summary)
        summary->SetText(text);
    else
    {
        if (isFullScreen())
            return;
        slotCount = std::max(1, GetWorkArea().height / PopupDialog::kHeight);
        // The summary holds a slot like a pop-up; with none free it waits for one.
        const int slot = queue.TakeSlot(slotCount);
        if (slot == 0)
            return;
        summary = new PopupSummary(slot, click, [this] { OnSummaryClosed(); });
        summary->SetText(text);
        summary->ShowAt(SlotPosition(slot, summary->GetSize()));
    }
    summaryShownCount = count;
}

void PopupDialogManager::OnSummaryClosed()
{
    SOLVANE_TRACE("[%p]PopupDialogManager::OnSummaryClosed(void)", static_cast<void*>(this));
    queue.Release(summary->GetSlot());
    summary = nullptr;
    gate.ResetHeld();
    summaryShownCount = 0;
    StartWaiting();
}

void PopupDialogManager::ExpireOutletSummary(long long now)
{
    const long seconds = ReadInRange(SettingsKeys::kPopupDuration, SettingsKeys::kPopupDurationDefault, SettingsKeys::kPopupDurationMin,
                                     SettingsKeys::kPopupDurationMax);
    if (outlet && summaryShownCount > 0 && now - outletSummaryAt >= seconds * 1000LL)
    {
        gate.ResetHeld();
        summaryShownCount = 0;
    }
}

wxPoint PopupDialogManager::SlotPosition(int slot, const wxSize& size) const
{
    const wxRect area = GetWorkArea();
    // Slot 1 in the bottom right corner, each further slot one pop-up higher.
    return wxPoint(area.GetRight() + 1 - size.x, area.GetBottom() + 1 - slot * size.y);
}

void PopupDialogManager::OnPopupReady(PopupDialog* popup)
{
    SOLVANE_TRACE("[%p]PopupDialogManager::OnPopupReady(%p)", static_cast<void*>(this), static_cast<void*>(popup));
    queue.DownloadEnded();
    // A picture that came too late brings old news: the pop-up goes unseen.
    const auto arrived = arrivals.find(popup);
    if (arrived != arrivals.end() && Now() - arrived->second > PopupQueue::kMaxWaitMilliseconds)
    {
        Drop(popup, PopupQueue::DROP_TOO_OLD);
        StartWaiting();
        return;
    }
    popup->ShowAt(SlotPosition(popup->GetSlot(), popup->GetSize()));
    StartWaiting();
}

void PopupDialogManager::OnPopupClosed(PopupDialog* popup, bool startNext)
{
    SOLVANE_TRACE("[%p]PopupDialogManager::OnPopupClosed(%p, %d)", static_cast<void*>(this), static_cast<void*>(popup),
                  startNext);
    const auto found = std::find(popups.begin(), popups.end(), popup);
    if (found == popups.end())
        return;
    popups.erase(found);
    arrivals.erase(popup);
    if (popup->IsWaitingForPicture())
        queue.DownloadEnded();
    queue.Release(popup->GetSlot());
    if (startNext)
        StartWaiting();
}

void PopupDialogManager::OnPopupCommand(wxCommandEvent& event)
{
    SOLVANE_TRACE("[%p]PopupDialogManager::OnPopupCommand(%d)", static_cast<void*>(this), event.GetId());
    // Queued, as the notification icon's menu does: the frame handles it as one of its own menu's.
    wxMenuBar* menus = menuBar.get();
    if (menus && menus->GetFrame())
        menus->GetFrame()->GetEventHandler()->AddPendingEvent(event);
}
