// Where a user shows in the trees: the icon a status gets and the group a favourite belongs in.
#include "model/UserGroups.h"

#include "model/User.h"

StatusIcon IconForStatus(uint32_t status)
{
    if (status == 0)
        return StatusIcon::Offline;
    if (status & STATUS_FREE)
        return StatusIcon::Free;
    if (status & STATUS_BUSY)
        return StatusIcon::Busy;
    return StatusIcon::None;
}

FavoriteGroup FavoriteGroupFor(uint32_t status)
{
    if (status == 0)
        return FavoriteGroup::Offline;
    if (status & STATUS_ONLINE)
        return FavoriteGroup::Online;
    return FavoriteGroup::None;
}

FavoriteGroup FavoriteGroupLeft(uint32_t oldStatus, uint32_t status)
{
    if (oldStatus == 0 && (status & STATUS_ONLINE))
        return FavoriteGroup::Offline;
    if ((oldStatus & STATUS_ONLINE) && status == 0)
        return FavoriteGroup::Online;
    return FavoriteGroup::None;
}
