// Where the pop-ups' column may stand: the work area, less the notification-area icon it would cover.
#pragma once

#include <wx/gdicmn.h>

/// The part of workArea that a column of pop-ups of popupSize at its right edge may use: all of it,
/// unless icon (on the screen; empty when there is none) overlaps that column; then the part above
/// the icon, or below it for an icon in the upper half. When that part is lower than one pop-up,
/// all of it again: a pop-up over the icon is better than none.
wxRect PopupColumnArea(const wxRect& workArea, const wxRect& icon, const wxSize& popupSize);
