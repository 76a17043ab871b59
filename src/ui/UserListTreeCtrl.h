// A tree of users kept in step with the user events; the base of the All and Favorite trees.
#pragma once

#include "model/UserEvent.h"
#include "model/UserListEvent.h"

#include <wx/treectrl.h>

#include <unordered_map>
#include <vector>

class UserListTreeItemData;

class UserListTreeCtrl : public wxTreeCtrl
{
public:
    UserListTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                     const wxSize& size = wxDefaultSize, long style = wxTR_HAS_BUTTONS,
                     const wxValidator& validator = wxDefaultValidator, const wxString& name = wxTreeCtrlNameStr);
    ~UserListTreeCtrl() override;

    /// The first item below parent (depth first) whose user has that name; invalid if none.
    wxTreeItemId FindItem(const User& user, const wxTreeItemId& parent, bool recursive);

    void OnUserListInitialized(UserListEvent& event);
    void OnUserAdded(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnTreeItemActivated(wxTreeEvent& event);
    void OnTreeItemRightClick(wxTreeEvent& event);
    void OnMenu(wxCommandEvent& event);

    /// Called by an item's data as the item goes.
    void ForgetItem(const wxString& name, const wxTreeItemId& item);

protected:
    /// Appends an item for the user under parent and lists it in the name index.
    wxTreeItemId AppendUserItem(const wxTreeItemId& parent, const User& user, int image);
    /// The user data of an item, null for the root and the groups.
    UserListTreeItemData* GetUserData(const wxTreeItemId& item) const;
    /// A skin bitmap for an image list; a transparent square when the skin lacks it.
    static wxBitmap SkinIcon(const wxString& name);

private:
    bool IsBelow(const wxTreeItemId& item, const wxTreeItemId& parent, bool recursive) const;

    // Items by user name, in the order they were added: the trees hold thousands of users and
    // every event looks one up.
    std::unordered_map<wxString, std::vector<wxTreeItemId>> nameIndex;

    wxDECLARE_EVENT_TABLE();
};
