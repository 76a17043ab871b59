// The main window's menu commands, which the notification icon's menu and the pop-ups' favourites
// filter share with it.
#pragma once

class wxMenu;
class wxString;

enum
{
    ID_UPDATE_FAVORITE = 6000,
    ID_POPUP_ONLY_FAVORITE = 6001,
    ID_SETTINGS = 6010,
    ID_PAUSE_ONE_HOUR = 6011,
    ID_PAUSE_UNTIL_MORNING = 6012,
    ID_PAUSE_UNTIL_RESUMED = 6013,
    ID_RESUME_POPUPS = 6014,
    ID_FIND = 6015,
    ID_POPUP_ALWAYS = 6016,
    ID_POPUP_NEVER = 6017,
    ID_POPUP_AS_SETTINGS = 6018
};

/// The "P&ause pop-ups" submenu, the same in the "&Tool" menu and the notification icon's.
wxMenu* NewPauseMenu();

/// Appends the radio group "Always pop up", "Never pop up", "As the settings say" to a
/// performer's context menu, the item of name's stored choice checked.
void AppendPopupChoiceItems(wxMenu& menu, const wxString& name);
/// Stores the choice that one of those items stands for; false for any other id.
bool ApplyPopupChoiceItem(int id, const wxString& name);
