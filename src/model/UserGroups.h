// Where a user shows in the trees: the icon a status gets and the group a favourite belongs in.
#pragma once

#include <cstdint>

/// The picture beside a user's name.
enum class StatusIcon
{
    None,
    Offline,
    Free,
    Busy
};

/// The two groups of the Favorite tree, None where a favourite belongs in neither.
enum class FavoriteGroup
{
    None,
    Online,
    Offline
};

/// Free wins over busy; a status of 0 is offline; online with neither bit shows no icon.
StatusIcon IconForStatus(uint32_t status);
/// Offline for 0, Online with the online bit, None for anything else.
FavoriteGroup FavoriteGroupFor(uint32_t status);
/// The group a favourite's item leaves when its status goes from oldStatus to status: Offline
/// on coming online from 0, Online on going to 0 from online, None when the item stays.
FavoriteGroup FavoriteGroupLeft(uint32_t oldStatus, uint32_t status);
