// The main window's menu commands, which the notification icon's menu and the pop-ups' favourites
// filter share with it.
#include "ui/MainMenu.h"

#include <wx/intl.h>
#include <wx/menu.h>

wxMenu* NewPauseMenu()
{
    auto* pauseMenu = new wxMenu;
    pauseMenu->Append(ID_PAUSE_ONE_HOUR, _("For 1 &hour"));
    pauseMenu->Append(ID_PAUSE_UNTIL_MORNING, _("Until tomorrow 0&6:00"));
    pauseMenu->Append(ID_PAUSE_UNTIL_RESUMED, _("Until &resumed"));
    return pauseMenu;
}
