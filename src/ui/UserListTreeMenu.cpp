// The context menu of the user trees as the keyboard asks for it, and the menu's commands.
#include "ui/UserListTreeCtrl.h"

#include "site/SiteAddress.h"
#include "ui/MainMenu.h"
#include "ui/UserListViewModel.h"
#include "util/Trace.h"
#include "util/Util.h"

void UserListTreeCtrl::OnContextMenu(wxContextMenuEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnContextMenu(%d, %d)", static_cast<void*>(this), event.GetPosition().x,
                  event.GetPosition().y);
    // A click brings its own position and is served by the right-click event, for the row under
    // the mouse; the keyboard brings none, and its menu is for the focused row.
    if (event.GetPosition() != wxDefaultPosition)
    {
        event.Skip();
        return;
    }
    ShowMenuOfFocused();
}

void UserListTreeCtrl::OnKeyDown(wxKeyEvent& event)
{
    // Left and Right close and open the group of the focused group row, as in a tree.
    const int key = event.GetKeyCode();
    if ((key == WXK_LEFT || key == WXK_RIGHT) && !event.HasAnyModifiers())
    {
        if (const wxDataViewItem group = GroupOfRow(GetCurrentItem()); group.IsOk())
        {
            OpenGroup(group, key == WXK_RIGHT);
            return;
        }
    }
    // The tree takes the Menu key itself and sends only a tree event, which the release of a right
    // click sends as well: the key is caught first, to open the same menu as Shift+F10.
    if (event.GetKeyCode() != WXK_MENU || event.HasAnyModifiers())
    {
        event.Skip();
        return;
    }
    ShowMenuOfFocused();
}

void UserListTreeCtrl::ShowMenuOfFocused()
{
    const wxDataViewItem item = GetCurrentItem();
    if (!GetUser(item))
        return;
    // Beside the row rather than at the mouse, which may be anywhere: just below its label.
    EnsureVisible(item);
    const wxRect row = GetItemRect(item, column);
    ShowMenu(item, row.IsEmpty() ? wxPoint(0, 0) : row.GetBottomLeft() + wxPoint(0, 1));
}

void UserListTreeCtrl::OnMenu(wxCommandEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnMenu(%d)", static_cast<void*>(this), event.GetId());
    wxString name = menuName;
    if (name.empty())
    {
        // Enter or a double click: the selected row.
        name = GetSelectedName();
        if (name.empty())
            return;
    }
    if (event.GetId() == wxID_OPEN)
        Util::LaunchBrowser(SiteAddress::PerformerPage(name));
    else
        ApplyPopupChoiceItem(event.GetId(), name);
}
