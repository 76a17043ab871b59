// The main window's menu commands, which the notification icon's menu and the pop-ups' favourites
// filter share with it.
#pragma once

class wxMenu;

enum
{
    ID_UPDATE_FAVORITE = 6000,
    ID_POPUP_ONLY_FAVORITE = 6001,
    ID_SETTINGS = 6010,
    ID_PAUSE_ONE_HOUR = 6011,
    ID_PAUSE_UNTIL_MORNING = 6012,
    ID_PAUSE_UNTIL_RESUMED = 6013,
    ID_RESUME_POPUPS = 6014,
    ID_FIND = 6015
};

/// The "P&ause pop-ups" submenu, the same in the "&Tool" menu and the notification icon's.
wxMenu* NewPauseMenu();
