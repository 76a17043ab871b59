// The icon in the notification area: the way back to a hidden main window, and a way out.
#include "ui/NotifyIcon.h"

#include "ui/MainFrame.h"
#include "util/Trace.h"

#include <wx/icon.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/window.h>

wxBEGIN_EVENT_TABLE(NotifyIcon, wxTaskBarIcon)
    EVT_MENU(wxID_ANY, NotifyIcon::OnMenu)
    EVT_TASKBAR_LEFT_DCLICK(NotifyIcon::OnLButtonDClick)
    EVT_TASKBAR_RIGHT_UP(NotifyIcon::OnRButtonUp)
wxEND_EVENT_TABLE()

NotifyIcon::NotifyIcon(wxWindow* frame_, const wxIcon& icon, const wxString& tooltip) : frame(frame_)
{
    SOLVANE_TRACE("[%p]NotifyIcon::NotifyIcon(%p)", static_cast<void*>(this), static_cast<void*>(frame_));
    if (icon.IsOk())
        SetIcon(icon, tooltip);
    menu = std::make_unique<wxMenu>();
    // The frame's own commands: it handles them as it does its menu's.
    auto* pauseMenu = new wxMenu;
    pauseMenu->Append(ID_PAUSE_ONE_HOUR, _("For 1 &hour"));
    pauseMenu->Append(ID_PAUSE_UNTIL_MORNING, _("Until tomorrow 0&6:00"));
    pauseMenu->Append(ID_PAUSE_UNTIL_RESUMED, _("Until &resumed"));
    menu->AppendSubMenu(pauseMenu, _("P&ause pop-ups"));
    menu->Append(ID_RESUME_POPUPS, _("Resu&me pop-ups"));
    menu->Append(ID_SETTINGS, _("&Settings..."));
    menu->AppendSeparator();
    menu->Append(wxID_EXIT, _("E&xit"), _("Exit the application."));
}

NotifyIcon::~NotifyIcon()
{
    SOLVANE_TRACE("[%p]NotifyIcon::~NotifyIcon(void)", static_cast<void*>(this));
    RemoveIcon();
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
    if (!frame)
        return;
    wxCommandEvent toggle(wxEVT_MENU, frame->IsShown() ? wxID_CLOSE : wxID_OPEN);
    AddPendingEvent(toggle);
}

void NotifyIcon::OnRButtonUp(wxTaskBarIconEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]NotifyIcon::OnRButtonUp(void)", static_cast<void*>(this));
    PopupMenu(menu.get());
}
