// When a change of a user's status announces itself with a pop-up, and whether a name is a favourite.
#pragma once

#include <wx/string.h>

#include <cstdint>

/// The style bar a pop-up shows.
enum PopupKind
{
    POPUP_NONE = -1,
    POPUP_ONLINE = 0,
    POPUP_FREE = 1
};

/// POPUP_ONLINE when a user comes online from 0 (a newly listed user counts as 0), POPUP_FREE
/// when a busy user becomes free, POPUP_NONE for every other change.
PopupKind PopupKindFor(uint32_t oldStatus, uint32_t newStatus);

/// Whether a pop-up of that kind still tells the truth about a user now of status: "ONLINE"
/// while the user is online, "FREE NOW" while free. A user who left the list has status 0.
bool IsPopupStillTrue(PopupKind kind, uint32_t status);

/// True when name equals one of the entries of favorites, a list in which each name is followed
/// by a comma. Entries are compared exactly (case and blanks count); an empty one matches nothing.
bool IsFavoriteName(const wxString& favorites, const wxString& name);
