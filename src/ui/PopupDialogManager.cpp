// Turns the polling thread's changes into pop-ups: a performer who comes online or becomes free.
#include "ui/PopupDialogManager.h"

#include "model/PopupPause.h"
#include "model/PopupRules.h"
#include "ui/MainMenu.h"
#include "ui/PopupDialog.h"
#include "ui/PopupPlace.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"

#include <wx/display.h>
#include <wx/frame.h>
#include <wx/menu.h>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace
{
// Each kind can be switched off, and a pause silences both until it ends.
bool IsPopupWanted(PopupKind kind)
{
    if (PopupPause::IsPaused(Settings::ReadLong(SettingsKeys::kPopupPausedUntil, 0), std::time(nullptr)))
        return false;
    return Settings::ReadBool(kind == POPUP_FREE ? SettingsKeys::kPopupFree : SettingsKeys::kPopupOnline, true);
}
} // namespace

wxBEGIN_EVENT_TABLE(PopupDialogManager, wxEvtHandler)
    EVT_USER_ADDED(wxID_ANY, PopupDialogManager::OnUserAdded)
    EVT_USER_CHANGED(wxID_ANY, PopupDialogManager::OnUserChanged)
    EVT_USER_DELETED(wxID_ANY, PopupDialogManager::OnUserDeleted)
wxEND_EVENT_TABLE()

PopupDialogManager::PopupDialogManager(wxMenuBar* menuBar_) : menuBar(menuBar_), queue(kMaxDownloads)
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
    queue.Follow(user);
    const bool closed = DropUntrue(user, PopupQueue::DROP_NO_LONGER_TRUE);
    const PopupKind kind = PopupKindFor(event.GetOldStatus(), user.GetStatus());
    // While paused, or for a kind switched off, nothing is queued.
    const bool wanted = kind != POPUP_NONE && IsPopupWanted(kind) && PassesFavoritesFilter(user.GetName());
    if (wanted)
    {
        // Favourites go ahead of the others whether or not the pop-ups are limited to them.
        const bool favorite =
            IsFavoriteName(Settings::ReadString(SettingsKeys::kFavorites, wxEmptyString), user.GetName());
        queue.Add({user, kind, favorite, Now()}, slotCount);
    }
    // A new pop-up waits, or one that went has freed its slot.
    if (wanted || closed)
        StartWaiting();
}

void PopupDialogManager::OnUserDeleted(UserEvent& event)
{
    const wxString& name = event.GetUser().GetName();
    SOLVANE_TRACE("[%p]PopupDialogManager::OnUserDeleted(%s)", static_cast<void*>(this), name);
    queue.Forget(name);
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

bool PopupDialogManager::PassesFavoritesFilter(const wxString& name) const
{
    SOLVANE_TRACE("[%p]PopupDialogManager::PassesFavoritesFilter(%s)", static_cast<const void*>(this), name);
    // The main window's own menu decides, whatever window is on top (the splash screen, say).
    // The item is enabled only once there are favourites to limit the pop-ups to.
    const wxMenuBar* menus = menuBar.get();
    if (!menus || !menus->FindItem(ID_POPUP_ONLY_FAVORITE) || !menus->IsEnabled(ID_POPUP_ONLY_FAVORITE) ||
        !menus->IsChecked(ID_POPUP_ONLY_FAVORITE))
        return true;
    // Read anew each time: a new login rewrites it.
    return IsFavoriteName(Settings::ReadString(SettingsKeys::kFavorites, wxEmptyString), name);
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
    // Asking the window system for the work area takes a round trip to the display: not for
    // every arrival of a burst while the pictures already on their way are as many as may be.
    if (!queue.MayStart())
        return;
    // Only slots wholly inside the work area count; a work area lower than one pop-up still
    // has the bottom slot, or nothing would ever show.
    slotCount = std::max(1, GetWorkArea().height / PopupDialog::kHeight);
    PopupQueue::Entry next;
    int slot = 0;
    while (queue.TakeNext(slotCount, Now(), next, slot))
    {
        popups.push_back(new PopupDialog(next.user, next.kind, nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                         wxDefaultSize, PopupDialog::kStyle, this, slot));
        arrivals[popups.back()] = next.arrived;
    }
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
    const wxRect area = GetWorkArea();
    const wxSize size = popup->GetSize();
    // Slot 1 in the bottom right corner, each further slot one pop-up higher.
    popup->ShowAt(wxPoint(area.GetRight() + 1 - size.x, area.GetBottom() + 1 - popup->GetSlot() * size.y));
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
