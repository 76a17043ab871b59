// Where the pop-ups' column may stand: the work area, less the notification-area icon it would cover.
#include "ui/PopupPlace.h"

wxRect PopupColumnArea(const wxRect& workArea, const wxRect& icon, const wxSize& popupSize)
{
    const wxRect column(workArea.GetRight() + 1 - popupSize.x, workArea.y, popupSize.x, workArea.height);
    // A panel that reserves its room has its icon outside the work area already.
    if (icon.IsEmpty() || !column.Intersects(icon))
        return workArea;
    wxRect area = workArea;
    if (2 * icon.y + icon.height >= 2 * workArea.y + workArea.height)
    {
        area.height = icon.y - workArea.y;
    }
    else
    {
        area.y = icon.GetBottom() + 1;
        area.height = workArea.GetBottom() + 1 - area.y;
    }
    return area.height >= popupSize.y ? area : workArea;
}
