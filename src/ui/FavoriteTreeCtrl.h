// The "Favorite" tree: the user's favourites under "Online" and "Offline", moved as they come and go.
#pragma once

#include "model/UserGroups.h"
#include "model/UserList.h"
#include "ui/UserListTreeCtrl.h"

#include <wx/timer.h>

#include <functional>
#include <unordered_map>

class FavoriteTreeCtrl : public UserListTreeCtrl
{
public:
    FavoriteTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                     const wxSize& size = wxDefaultSize, long style = wxTR_HAS_BUTTONS,
                     const wxValidator& validator = wxDefaultValidator, const wxString& name = wxTreeCtrlNameStr);
    ~FavoriteTreeCtrl() override;

    /// Makes the two groups; once, at the first successful favourites download.
    void CreateGroups();
    void UpdateCount();

    void OnUserListInitialized(UserListEvent& event);
    void OnUserAdded(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnUserStatusChanged(UserEvent& event);
    /// An offline favourite's tooltip says when it was last online, when the lookup knows.
    wxString ToolTipFor(const wxDataViewItem& item) const override;

    /// Gives a name's last time online (seconds since the epoch, 0 when unknown).
    void SetLastSeenLookup(std::function<long long(const wxString&)> lookup) { lastSeen = std::move(lookup); }

    wxDataViewItem GetOnlineGroup() const { return onlineGroup; }
    wxDataViewItem GetOfflineGroup() const { return offlineGroup; }
    const UserList& GetFavorites() const { return favorites; }

    /// The identifier of the list event that carries the favourites download's result.
    static const int kFavoritesListId = 0;

protected:
    int ImageForUser(const User& user) const override { return ImageFor(IconForStatus(user.GetStatus())); }
    /// An offline favourite's name says how long ago she was last online, when that is known.
    wxString TextForUser(const User& user) const override;
    void OnFilterChanged() override;

private:
    int ImageFor(StatusIcon icon) const;
    wxDataViewItem GroupItem(FavoriteGroup group) const;

    UserList favorites;
    wxString onlineLabel;
    wxDataViewItem onlineGroup;
    wxString offlineLabel;
    wxDataViewItem offlineGroup;
    int offlineImage;
    int freeImage;
    int busyImage;
    std::function<long long(const wxString&)> lastSeen;
    // The lookup's answers, asked once a name: the rows are drawn often.
    mutable std::unordered_map<wxString, long long> lastSeenKnown;
    // Each minute the "ago" of the offline rows is drawn anew.
    wxTimer agoTimer;
    void OnAgoTimer(wxTimerEvent& event);

    wxDECLARE_EVENT_TABLE();
};
