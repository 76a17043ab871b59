// The icon in the notification area: the way back to a hidden main window, and a way out.
#pragma once

#include <wx/icon.h>
#include <wx/image.h>
#include <wx/taskbar.h>
#include <wx/timer.h>

#include <chrono>
#include <memory>
#include <vector>

class StatusNotifierItem;
class wxMenu;
class wxWindow;

class NotifyIcon : public wxTaskBarIcon
{
public:
    /// Shows the icon once a notification area is there: at once, or as soon as one starts. With
    /// pixmaps (the icon at each size), a panel's watcher on the session bus gets the icon as an
    /// item of its own instead, for as long as it is there.
    NotifyIcon(wxWindow* frame, const wxIcon& icon, const wxString& tooltip, const std::vector<wxImage>& pixmaps = {});
    ~NotifyIcon() override;

    void OnMenu(wxCommandEvent& event);
    void OnLButtonDClick(wxTaskBarIconEvent& event);
    void OnRButtonUp(wxTaskBarIconEvent& event);
    /// The icon's menu, whose items the frame enables.
    wxMenu* GetMenu() const { return menu.get(); }
    /// The icon's place on the screen; empty while it is in no notification area.
    wxRect GetScreenRect() const;
    void OnTrayTimer(wxTimerEvent& event);
    /// Some icon is on show that brings the window back: in a notification area or a panel.
    bool CanBringBack() const;
    /// The text shown over the icon; the menu's states are read again as well.
    void SetTooltip(const wxString& text);

private:
    /// Shows the icon if a notification area can take it; true when it is shown.
    bool ShowInTray();
    /// The tray's icon goes while a panel shows the item, so that no panel shows both.
    void OnItemRegistered(bool registered);

    wxWindow* frame; // receives every command; owns this icon
    std::unique_ptr<wxMenu> menu;
    wxIcon icon;
    wxString tooltip;
    // Looks for a notification area that starts after the program.
    wxTimer trayTimer;
    std::unique_ptr<StatusNotifierItem> item;
    // The click before, for telling a double click from two single ones.
    // In the display server's milliseconds when it tells the click's time, else this program's.
    unsigned long lastClickMilliseconds = 0;
    bool firstOfPair = false;

    wxDECLARE_EVENT_TABLE();
};
