// A tree of users kept in step with the user events; the base of the All and Favorite trees.
#pragma once

#include "model/NameFilter.h"
#include "model/UserEvent.h"
#include "model/UserListEvent.h"
#include "ui/UserItemIndex.h"

#include <wx/bmpbndl.h>
#include <wx/treectrl.h>

#include <functional>
#include <unordered_map>
#include <vector>

class UserListTreeItemData;

class UserListTreeCtrl : public wxTreeCtrl, public UserItemIndex
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
    /// Shift+F10 or the Menu key: the menu of the focused row, beside it.
    void OnContextMenu(wxContextMenuEvent& event);
    /// The Menu key: the same.
    void OnKeyDown(wxKeyEvent& event);
    void OnMenu(wxCommandEvent& event);

    /// A skin picture for a row, 16 x 16 (a transparent square when the skin lacks it), with its
    /// 2x rendering for scaled screens.
    static wxBitmapBundle SkinIconBundle(const wxString& name);
    /// The same as one bitmap, for an image list.
    static wxBitmap SkinIcon(const wxString& name);
    /// Called by an item's data as the item goes.
    void ForgetItem(const wxString& name, const wxTreeItemId& item) override;

    /// Shows only the users whose names pass; the others are kept aside, still following the
    /// events, and come back when the filter lets them. Thousands coming back at once do so in
    /// slices, one an idle turn, so that a keystroke never holds the window long.
    void SetFilter(const NameFilter& filter);
    const NameFilter& GetFilter() const { return nameFilter; }
    /// The users kept aside below a group by the filter (not those waiting for their slice).
    int CountHidden(const wxTreeItemId& group) const;
    /// Users the filter lets through that still wait for their slice.
    size_t GetWaitingCount() const { return waitingNames.size() - nextWaiting; }
    /// How many users coming back go into the tree in one idle turn: each new item is measured
    /// as the tree is laid out, which costs far more than adding it.
    static constexpr size_t kUsersPerSlice = 500;
    void DeleteChildren(const wxTreeItemId& item) override;

protected:
    /// Appends an item for the user under parent and lists it in the name index; while a filter
    /// keeps the name out, the user is kept aside instead and the result is invalid.
    wxTreeItemId AppendUserItem(const wxTreeItemId& parent, const User& user, int image);
    /// The picture a user's item gets when the filter brings it back.
    virtual int ImageForUser(const User& user) const;
    /// "Label (n)", or "Label (shown of all)" while a filter hides some.
    wxString GroupLabel(const wxString& label, const wxTreeItemId& group) const;
    /// After a new filter: the groups' counts are written anew.
    virtual void OnFilterChanged() {}
    /// The user data of an item, null for the root and the groups.
    UserListTreeItemData* GetUserData(const wxTreeItemId& item) const;
    /// Adds the skin's icon of that name to the tree's images (a transparent square when the
    /// skin lacks it); its index.
    int AddSkinIcon(const wxString& name);

private:
    bool IsBelow(const wxTreeItemId& item, const wxTreeItemId& parent, bool recursive) const;
    int CountAside(const wxTreeItemId& group, bool waiting) const;
    /// Calls visit(item, its parent, its data) for every user's item, group by group.
    void ForEachUserItem(
        const std::function<void(const wxTreeItemId&, const wxTreeItemId&, const UserListTreeItemData&)>& visit) const;
    /// Up to this many items the filter keeps out (or as many as stay) are taken out one by one.
    static constexpr size_t kFewLeaving = 200;
    void OnIdle(wxIdleEvent& event);
    /// Puts the next slice of waiting users into the tree.
    void ShowWaitingSlice();
    /// The context menu of a user's item at pos (client co-ordinates); nothing for a group.
    void ShowMenu(const wxTreeItemId& item, const wxPoint& pos);
    /// The context menu of the focused row, below it; nothing when no user's row has the focus.
    void ShowMenuOfFocused();

    // Items by user name, in the order they were added: the trees hold thousands of users and
    // every event looks one up.
    std::unordered_map<wxString, std::vector<wxTreeItemId>> nameIndex;
    wxVector<wxBitmapBundle> skinIcons;

    // Users the filter keeps out, by name, with the group they belong below; also those it lets
    // through that wait for their slice (waiting), named in waitingNames in the order they go in.
    struct HiddenUser
    {
        User user;
        wxTreeItemId parent;
        bool waiting = false;
    };
    std::unordered_map<wxString, HiddenUser> hiddenUsers;
    std::vector<wxString> waitingNames;
    size_t nextWaiting = 0;
    NameFilter nameFilter;
    // The performer whose context menu is up; empty otherwise.
    wxString menuName;

    wxDECLARE_EVENT_TABLE();
};
