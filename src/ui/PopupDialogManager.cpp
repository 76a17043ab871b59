// Turns the polling thread's changes into pop-ups: a performer who comes online or becomes free.
#include "ui/PopupDialogManager.h"

#include "model/PopupPause.h"
#include "model/PopupRules.h"
#include "ui/MainFrame.h"
#include "ui/PopupDialog.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"

#include <wx/display.h>
#include <wx/menu.h>

#include <algorithm>
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
    const PopupKind kind = PopupKindFor(event.GetOldStatus(), user.GetStatus());
    if (kind == POPUP_NONE || !IsPopupWanted(kind) || !PassesFavoritesFilter(user.GetName()))
        return;
    queue.Add(user, kind);
    StartWaiting();
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
    return IsFavoriteName(Settings::ReadString("/favorites", wxEmptyString), name);
}

wxRect PopupDialogManager::GetWorkArea() const
{
    return workAreaSource ? workAreaSource() : wxGetClientDisplayRect();
}

void PopupDialogManager::StartWaiting()
{
    SOLVANE_TRACE("[%p]PopupDialogManager::StartWaiting(void)", static_cast<void*>(this));
    // Only slots wholly inside the work area count; a work area lower than one pop-up still
    // has the bottom slot, or nothing would ever show.
    const int slotCount = std::max(1, GetWorkArea().height / PopupDialog::kHeight);
    PopupQueue::Entry next;
    int slot = 0;
    while (queue.TakeNext(slotCount, next, slot))
    {
        popups.push_back(new PopupDialog(next.user, next.kind, nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                         wxDefaultSize, PopupDialog::kStyle, this, slot));
    }
}

void PopupDialogManager::OnPopupReady(PopupDialog* popup)
{
    SOLVANE_TRACE("[%p]PopupDialogManager::OnPopupReady(%p)", static_cast<void*>(this), static_cast<void*>(popup));
    queue.DownloadEnded();
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
    if (popup->IsWaitingForPicture())
        queue.DownloadEnded();
    queue.Release(popup->GetSlot());
    if (startNext)
        StartWaiting();
}
