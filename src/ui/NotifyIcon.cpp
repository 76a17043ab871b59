// The icon in the notification area: the way back to a hidden main window, and a way out.
#include "ui/NotifyIcon.h"

#include "ui/MainMenu.h"
#include "ui/NotificationHints.h"
#include "ui/StatusNotifierItem.h"
#include "util/Trace.h"

#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/toplevel.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <chrono>
#include <cstdint>

namespace
{
// How often a missing notification area is looked for: a panel started after the program (at a
// desktop's start, say) gets the icon within this time.
const int kTrayCheckMilliseconds = 2000;
} // namespace

wxBEGIN_EVENT_TABLE(NotifyIcon, wxTaskBarIcon)
    EVT_MENU(wxID_ANY, NotifyIcon::OnMenu)
    EVT_TASKBAR_LEFT_DCLICK(NotifyIcon::OnLButtonDClick)
    EVT_TASKBAR_RIGHT_UP(NotifyIcon::OnRButtonUp)
#ifdef __WXGTK__
    // GTK's tray reports a right click only as the request for a menu, never as a button going up.
    EVT_TASKBAR_CLICK(NotifyIcon::OnRButtonUp)
#endif
    EVT_TIMER(wxID_ANY, NotifyIcon::OnTrayTimer)
wxEND_EVENT_TABLE()

NotifyIcon::NotifyIcon(wxWindow* frame_, const wxIcon& icon_, const wxString& tooltip_,
                       const std::vector<wxImage>& pixmaps)
    : frame(frame_), icon(icon_), tooltip(tooltip_), trayTimer(this)
{
    SOLVANE_TRACE("[%p]NotifyIcon::NotifyIcon(%p)", static_cast<void*>(this), static_cast<void*>(frame_));
    menu = std::make_unique<wxMenu>();
    // The icon is the only way back to a hidden window.
    menu->Append(wxID_OPEN, _("&Open"), _("Show the main window."));
    menu->AppendSeparator();
    // The frame's own commands: it handles them as it does its menu's.
    menu->AppendSubMenu(NewPauseMenu(), _("P&ause pop-ups"));
    menu->Append(ID_RESUME_POPUPS, _("Resu&me pop-ups"));
    menu->Append(ID_SETTINGS, _("&Settings..."));
    menu->AppendSeparator();
    menu->Append(wxID_EXIT, _("E&xit"), _("Exit the application."));
    // Notification areas hold X11 windows: a desktop without X11 has none that takes this icon.
    if (icon.IsOk() && wxGetDisplayInfo().type == wxDisplayX11 && !ShowInTray())
        trayTimer.Start(kTrayCheckMilliseconds);
    if (icon.IsOk() && !pixmaps.empty())
        item = std::make_unique<StatusNotifierItem>(frame, menu.get(), pixmaps, tooltip,
                                                    [this](bool registered) { OnItemRegistered(registered); });
}

NotifyIcon::~NotifyIcon()
{
    SOLVANE_TRACE("[%p]NotifyIcon::~NotifyIcon(void)", static_cast<void*>(this));
    trayTimer.Stop();
    item.reset();
    RemoveIcon();
}

void NotifyIcon::OnItemRegistered(bool registered)
{
    SOLVANE_TRACE("[%p]NotifyIcon::OnItemRegistered(%d)", static_cast<void*>(this), registered);
    if (registered)
    {
        trayTimer.Stop();
        RemoveIcon();
    }
    else if (wxGetDisplayInfo().type == wxDisplayX11 && !IsIconInstalled() && !ShowInTray())
    {
        // The panel went: the tray, now or once one starts, is the way back again.
        trayTimer.Start(kTrayCheckMilliseconds);
    }
}

bool NotifyIcon::CanBringBack() const
{
    return (IsIconInstalled() && IsAvailable()) || (item && item->IsRegistered());
}

void NotifyIcon::SetTooltip(const wxString& text)
{
    SOLVANE_TRACE("[%p]NotifyIcon::SetTooltip(%s)", static_cast<void*>(this),
                  static_cast<const char*>(text.utf8_str()));
    tooltip = text;
    if (IsIconInstalled())
        SetIcon(icon, tooltip);
    if (item)
        item->Update(tooltip);
}

bool NotifyIcon::ShowInTray()
{
    SOLVANE_TRACE("[%p]NotifyIcon::ShowInTray(void)", static_cast<void*>(this));
    // An icon set where no notification area exists shows nowhere, and makes the toolkit warn.
    return IsAvailable() && SetIcon(icon, tooltip);
}

wxRect NotifyIcon::GetScreenRect() const
{
    return IsIconInstalled() ? TrayIconScreenRect() : wxRect();
}

void NotifyIcon::OnTrayTimer(wxTimerEvent&)
{
    SOLVANE_TRACE("[%p]NotifyIcon::OnTrayTimer(void)", static_cast<void*>(this));
    if (ShowInTray())
        trayTimer.Stop();
}

void NotifyIcon::OnMenu(wxCommandEvent& event)
{
    SOLVANE_TRACE("[%p]NotifyIcon::OnMenu(%d)", static_cast<void*>(this), event.GetId());
    // The icon decides nothing itself: every command goes to the frame's queue.
    if (frame)
        frame->GetEventHandler()->AddPendingEvent(event);
}

void NotifyIcon::OnLButtonDClick(wxTaskBarIconEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]NotifyIcon::OnLButtonDClick(void)", static_cast<void*>(this));
    // GTK's tray reports every single click this way, so a double click comes as two: the second
    // of a pair within the double-click time is the same request again.
    // The clicks' own times, as the display server saw them: a busy program that handles the
    // second click late still sees the pair.
    unsigned long now = CurrentEventMilliseconds();
    if (now == 0)
        now = static_cast<unsigned long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    const unsigned long doubleClick = static_cast<unsigned long>(wxSystemSettings::GetMetric(wxSYS_DCLICK_MSEC));
    // The server's clock is 32 bits wide and wraps: the difference is taken in its width.
    const bool second = firstOfPair && static_cast<uint32_t>(now - lastClickMilliseconds) <= doubleClick;
    firstOfPair = !second;
    lastClickMilliseconds = now;
    if (second || !frame)
        return;
    // A minimised window is not in sight, whether or not it has been hidden yet: the window
    // manager's minimise may come before the frame has hidden itself, and a click then must bring
    // it back, not hide it for good.
    const auto* top = dynamic_cast<wxTopLevelWindow*>(frame);
    const bool inSight = frame->IsShown() && !(top && top->IsIconized());
    wxCommandEvent toggle(wxEVT_MENU, inSight ? wxID_CLOSE : wxID_OPEN);
    AddPendingEvent(toggle);
}

void NotifyIcon::OnRButtonUp(wxTaskBarIconEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]NotifyIcon::OnRButtonUp(void)", static_cast<void*>(this));
    PopupMenu(menu.get());
}
