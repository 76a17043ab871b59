// When a change of a user's status announces itself with a pop-up, and whether a name is a favourite.
#include "model/PopupRules.h"

#include "model/User.h"

#include <wx/tokenzr.h>

PopupKind PopupKindFor(uint32_t oldStatus, uint32_t newStatus)
{
    if (oldStatus == 0 && (newStatus & STATUS_ONLINE))
        return POPUP_ONLINE;
    if ((oldStatus & STATUS_BUSY) && (newStatus & STATUS_FREE))
        return POPUP_FREE;
    return POPUP_NONE;
}

bool IsPopupStillTrue(PopupKind kind, uint32_t status)
{
    switch (kind)
    {
    case POPUP_ONLINE: return (status & STATUS_ONLINE) != 0;
    case POPUP_FREE: return (status & STATUS_FREE) != 0;
    case POPUP_NONE: break;
    }
    return false;
}

bool IsFavoriteName(const wxString& favorites, const wxString& name)
{
    if (name.empty())
        return false;
    wxStringTokenizer entries(favorites, ",", wxTOKEN_RET_EMPTY_ALL);
    while (entries.HasMoreTokens())
    {
        if (entries.GetNextToken() == name)
            return true;
    }
    return false;
}
