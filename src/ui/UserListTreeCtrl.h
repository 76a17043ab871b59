// A tree of users kept in step with the user events; the base of the All and Favorite trees.
//
// The tree is the window system's own (a native view over a model of groups and performers), so
// that a screen reader reaches every row.
#pragma once

#include "model/NameFilter.h"
#include "model/UserEvent.h"
#include "model/UserListEvent.h"
#include "model/UserListModel.h"

#include <wx/bmpbndl.h>
#include <wx/dataview.h>
#include <wx/treebase.h>

#include <memory>
#include <vector>

class UserListViewModel;

class UserListTreeCtrl : public wxDataViewCtrl
{
public:
    /// style takes the tree styles the callers have always given; only the border is kept.
    UserListTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                     const wxSize& size = wxDefaultSize, long style = wxTR_HAS_BUTTONS,
                     const wxValidator& validator = wxDefaultValidator, const wxString& name = wxTreeCtrlNameStr);
    ~UserListTreeCtrl() override;

    /// The item of a user shown in parent (the root: in any group); invalid if none.
    wxDataViewItem FindItem(const User& user, const wxDataViewItem& parent, bool recursive = true) const;
    wxDataViewItem GetRootItem() const { return wxDataViewItem(); }

    // What a person sees, for those who check it.
    wxString GetGroupLabel(const wxDataViewItem& group) const;
    int GetGroupImage(const wxDataViewItem& group) const;
    /// The names shown in a group, in order.
    std::vector<wxString> GetNames(const wxDataViewItem& group) const;
    /// The picture of a shown user's row, -1 when she has none or is not shown.
    int GetUserImage(const wxString& name) const;
    /// Opens or closes a group, as its row's sign, a double click, Enter or the arrows do.
    void OpenGroup(const wxDataViewItem& group, bool open);
    bool IsGroupOpen(const wxDataViewItem& group) const;
    /// The group whose own row the item is; invalid for a performer's row.
    wxDataViewItem GroupOfRow(const wxDataViewItem& item) const;
    /// The name of the selected row, empty when none or a group is selected.
    wxString GetSelectedName() const;
    /// Selects the row of a shown user; false when she is not shown.
    bool SelectName(const wxString& name);

    void OnUserListInitialized(UserListEvent& event);
    void OnUserAdded(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnTreeItemActivated(wxDataViewEvent& event);
    void OnTreeItemRightClick(wxDataViewEvent& event);
    /// Shift+F10 or the Menu key: the menu of the focused row, beside it.
    void OnContextMenu(wxContextMenuEvent& event);
    /// The Menu key: the same.
    void OnKeyDown(wxKeyEvent& event);
    void OnMenu(wxCommandEvent& event);

    /// A skin picture for a row, 16 x 16 (a transparent square when the skin lacks it), with its
    /// 2x rendering for scaled screens.
    static wxBitmapBundle SkinIconBundle(const wxString& name);
    /// The same as one bitmap.
    static wxBitmap SkinIcon(const wxString& name);

    /// Shows only the users whose names pass; the others are kept aside, still following the
    /// events, and come back at their places in the name order when the filter lets them.
    /// Thousands coming back at once do so in slices, one an idle turn, so that a keystroke never
    /// holds the window long.
    void SetFilter(const NameFilter& filter);
    const NameFilter& GetFilter() const { return nameFilter; }
    /// The users kept aside below a group by the filter (not those waiting for their slice).
    int CountHidden(const wxDataViewItem& group) const;
    /// Users the filter lets through that still wait for their slice.
    size_t GetWaitingCount() const;
    /// How many users coming back go into the tree in one idle turn.
    static constexpr size_t kUsersPerSlice = 500;
    /// Every user of a group goes.
    void DeleteChildren(const wxDataViewItem& group);
    using wxDataViewCtrl::GetModel;
    /// The users below a group, in the order of its rows.
    UserListModel& GetModel(const wxDataViewItem& group);
    const UserListModel* FindModel(const wxDataViewItem& group) const;
    /// The tooltip of a row: none here.
    virtual wxString ToolTipFor(const wxDataViewItem& WXUNUSED(item)) const { return wxString(); }

protected:
    /// A new group after the others.
    wxDataViewItem AddGroup(const wxString& label, int image);
    void SetGroupLabel(const wxDataViewItem& group, const wxString& label);
    /// Adds the user below group at her place in the name order, or changes her row when she is
    /// there; while the filter keeps her out she is kept aside instead.
    void PutUser(const wxDataViewItem& group, const User& user);
    /// The users of a list below group: sorted once, then put into the tree a slice at a time
    /// (SliceSize() users an idle turn, the first slice at once).
    void PutUsers(const wxDataViewItem& group, const UserList& users, size_t firstSlice);
    /// The same, the list read and sorted a slice at a time too, so that a list of 100,000 never
    /// holds the window long; its users show once it is all read.
    void PutUsersLater(const wxDataViewItem& group, std::shared_ptr<const UserList> users, size_t firstSlice);
    /// Takes the user of that name away from below group; false when she was not there.
    bool RemoveUser(const wxDataViewItem& group, const wxString& name);
    /// The group holding a user of that name, shown or not; invalid if none.
    wxDataViewItem GroupOf(const wxString& name) const;
    /// The group a row belongs to; invalid for the groups.
    wxDataViewItem GroupOfItem(const wxDataViewItem& item) const;
    /// The user of a row, null for the groups.
    const User* GetUser(const wxDataViewItem& item) const;
    /// The picture a user's row gets.
    virtual int ImageForUser(const User& user) const;
    /// The text of a user's row: her name.
    virtual wxString TextForUser(const User& user) const { return user.GetName(); }
    /// "Label (n)", or "Label (shown of all)" while a filter hides some.
    wxString GroupLabel(const wxString& label, const wxDataViewItem& group) const;
    /// After a new filter: the groups' counts are written anew.
    virtual void OnFilterChanged() {}
    /// Users put into the tree in the next idle turn.
    virtual size_t SliceSize() const { return kUsersPerSlice; }
    /// After an idle turn's slice.
    virtual void OnSliceShown() {}
    /// Adds the skin's icon of that name to the tree's images; its index.
    int AddSkinIcon(const wxString& name);
    /// Puts up to max waiting users of each group into the tree at their places.
    void ShowWaiting(size_t max);

private:
    /// The view reads every row anew; the selection stays.
    void Refill();
    void OnIdle(wxIdleEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnMotion(wxMouseEvent& event);
    /// The context menu of a user's row at pos (client co-ordinates); nothing for a group.
    void ShowMenu(const wxDataViewItem& item, const wxPoint& pos);
    /// The context menu of the focused row, below it; nothing when no user's row has the focus.
    void ShowMenuOfFocused();

    wxVector<wxBitmapBundle> skinIcons;
    // Owned through the toolkit's reference count.
    UserListViewModel* viewModel;
    wxDataViewColumn* column;
    wxDataViewColumn* statusColumn;
    static constexpr int kStatusWidth = 52;
    NameFilter nameFilter;
    // The performer last seen selected as a filter came: selected again when she shows.
    wxString keptSelection;
    // The performer whose context menu is up; empty otherwise.
    wxString menuName;
    wxDataViewItem tipItem;

    wxDECLARE_EVENT_TABLE();
};
