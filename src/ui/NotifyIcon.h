// The icon in the notification area: the way back to a hidden main window, and a way out.
#pragma once

#include <wx/taskbar.h>

#include <memory>

class wxMenu;
class wxWindow;

class NotifyIcon : public wxTaskBarIcon
{
public:
    NotifyIcon(wxWindow* frame, const wxIcon& icon, const wxString& tooltip);
    ~NotifyIcon() override;

    void OnMenu(wxCommandEvent& event);
    void OnLButtonDClick(wxTaskBarIconEvent& event);
    void OnRButtonUp(wxTaskBarIconEvent& event);
    /// The icon's menu, whose items the frame enables.
    wxMenu* GetMenu() const { return menu.get(); }

private:
    wxWindow* frame; // receives every command; owns this icon
    std::unique_ptr<wxMenu> menu;

    wxDECLARE_EVENT_TABLE();
};
