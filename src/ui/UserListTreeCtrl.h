// A tree of users kept in step with the user events; the base of the All and Favorite trees.
#pragma once

#include "model/NameFilter.h"
#include "model/UserEvent.h"
#include "model/UserListEvent.h"
#include "model/UserListModel.h"
#include "ui/UserItemIndex.h"

#include <wx/bmpbndl.h>
#include <wx/treectrl.h>

#include <memory>
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
    /// events, and come back at their places in the name order when the filter lets them.
    /// Thousands coming back at once do so in slices, one an idle turn, so that a keystroke never
    /// holds the window long.
    void SetFilter(const NameFilter& filter);
    const NameFilter& GetFilter() const { return nameFilter; }
    /// The users kept aside below a group by the filter (not those waiting for their slice).
    int CountHidden(const wxTreeItemId& group) const;
    /// Users the filter lets through that still wait for their slice.
    size_t GetWaitingCount() const;
    /// How many users coming back go into the tree in one idle turn: each new item is measured
    /// as the tree is laid out, which costs far more than adding it.
    static constexpr size_t kUsersPerSlice = 500;
    void DeleteChildren(const wxTreeItemId& item) override;
    /// The users below a group, in the order of its items; created empty on first use.
    UserListModel& GetModel(const wxTreeItemId& group);
    const UserListModel* FindModel(const wxTreeItemId& group) const;

protected:
    /// Adds the user below group at her place in the name order, or changes her item (data and
    /// picture) when she is there; while the filter keeps her out she is kept aside instead.
    void PutUser(const wxTreeItemId& group, const User& user);
    /// The users of a list below group: sorted once, then put into the tree a slice at a time
    /// (SliceSize() users an idle turn, the first slice at once).
    void PutUsers(const wxTreeItemId& group, const UserList& users, size_t firstSlice);
    /// Takes the user of that name away from below group; false when she was not there.
    bool RemoveUser(const wxTreeItemId& group, const wxString& name);
    /// The group holding a user of that name, shown or not; invalid if none.
    wxTreeItemId GroupOf(const wxString& name) const;
    /// The picture a user's item gets.
    virtual int ImageForUser(const User& user) const;
    /// "Label (n)", or "Label (shown of all)" while a filter hides some.
    wxString GroupLabel(const wxString& label, const wxTreeItemId& group) const;
    /// After a new filter: the groups' counts are written anew.
    virtual void OnFilterChanged() {}
    /// Users put into the tree in the next idle turn.
    virtual size_t SliceSize() const { return kUsersPerSlice; }
    /// After an idle turn's slice.
    virtual void OnSliceShown() {}
    /// The user data of an item, null for the root and the groups.
    UserListTreeItemData* GetUserData(const wxTreeItemId& item) const;
    /// Adds the skin's icon of that name to the tree's images (a transparent square when the
    /// skin lacks it); its index.
    int AddSkinIcon(const wxString& name);
    /// Puts up to max waiting users of each group into the tree at their places.
    void ShowWaiting(size_t max);

private:
    bool IsBelow(const wxTreeItemId& item, const wxTreeItemId& parent, bool recursive) const;
    /// Inserts the item of a user the model has just shown; index is hers among the shown, which
    /// are the group's items in order.
    wxTreeItemId InsertUserItem(const wxTreeItemId& group, const User& user, size_t index);
    /// Up to this many items the filter keeps out (or as many as stay) are taken out one by one.
    static constexpr size_t kFewLeaving = 200;
    void OnIdle(wxIdleEvent& event);
    /// The context menu of a user's item at pos (client co-ordinates); nothing for a group.
    void ShowMenu(const wxTreeItemId& item, const wxPoint& pos);
    /// The context menu of the focused row, below it; nothing when no user's row has the focus.
    void ShowMenuOfFocused();

    wxVector<wxBitmapBundle> skinIcons;
    // The users of each group, shown or kept aside, in name order, each shown one with her item:
    // the trees hold thousands of users and every event looks one up.
    std::vector<std::pair<wxTreeItemId, std::unique_ptr<UserListModel>>> models;
    NameFilter nameFilter;
    // The performer last seen selected as a filter came: selected again when she shows.
    wxString keptSelection;
    // The performer whose context menu is up; empty otherwise.
    wxString menuName;

    wxDECLARE_EVENT_TABLE();
};
