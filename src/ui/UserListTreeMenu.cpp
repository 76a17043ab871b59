// What a person's clicks and keys do in the user trees: a group's row opens and closes it, a
// performer's opens her page (with Shift, her card), and the context menu as the keyboard asks.
#include "ui/UserListTreeCtrl.h"

#include "site/SiteAddress.h"
#include "ui/MainMenu.h"
#include "ui/PerformerCard.h"
#include "ui/UserListViewModel.h"
#include "util/Trace.h"
#include "util/Util.h"

#include <wx/utils.h>

using Group = UserListViewModel::Group;

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
    else if (event.GetId() == wxID_INFO)
        ShowPerformerCard(this, name);
    else
        ApplyPopupChoiceItem(event.GetId(), name);
}

wxDataViewItem UserListTreeCtrl::GroupOfRow(const wxDataViewItem& item) const
{
    Group* group = nullptr;
    size_t index = 0;
    if (!item.IsOk() || !viewModel->Locate(viewModel->GetRow(item), group, index) || index != SIZE_MAX)
        return wxDataViewItem();
    return UserListViewModel::HandleOf(group);
}

bool UserListTreeCtrl::IsGroupOpen(const wxDataViewItem& group) const
{
    const Group* found = viewModel->GroupOf(group);
    return found && found->open;
}

void UserListTreeCtrl::OpenGroup(const wxDataViewItem& group, bool open)
{
    Group* found = viewModel->GroupOf(group);
    if (!found || found->open == open)
        return;
    const wxString selected = GetSelectedName();
    const bool inGroup = GroupOfRow(GetCurrentItem()) == group || (!selected.empty() && GroupOf(selected) == group);
    viewModel->SetOpen(*found, open);
    // The selection stays with its performer; closed away, it goes to her group's row, as does
    // the keyboard's place when it was on the group.
    if ((selected.empty() || !SelectName(selected)) && inGroup)
        Select(viewModel->GetItem(viewModel->RowOfGroup(*found)));
    if (const wxDataViewItem current = GetSelection(); current.IsOk())
        SetCurrentItem(current);
}

void UserListTreeCtrl::OnTreeItemActivated(wxDataViewEvent& event)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::OnTreeItemActivated(void)", static_cast<void*>(this));
    // A group's row opens or closes the group, as a tree's does.
    if (const wxDataViewItem group = GroupOfRow(event.GetItem()); group.IsOk())
    {
        OpenGroup(group, !IsGroupOpen(group));
        return;
    }
    // With Shift, the performer's card instead of her page.
    if (const User* user = GetUser(event.GetItem()); user && wxGetKeyState(WXK_SHIFT))
    {
        ShowPerformerCard(this, user->GetName());
        return;
    }
    wxCommandEvent open(wxEVT_MENU, wxID_OPEN);
    open.SetEventObject(this);
    Command(open);
}
