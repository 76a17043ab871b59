// The main window's menu commands, which the notification icon's menu and the pop-ups' favourites
// filter share with it.
#include "ui/MainMenu.h"

#include "model/PopupChoice.h"

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

void AppendPopupChoiceItems(wxMenu& menu, const wxString& name)
{
    menu.AppendRadioItem(ID_POPUP_ALWAYS, _("Al&ways pop up"));
    menu.AppendRadioItem(ID_POPUP_NEVER, _("&Never pop up"));
    menu.AppendRadioItem(ID_POPUP_AS_SETTINGS, _("As the &settings say"));
    switch (ReadPopupChoice(name))
    {
    case CHOICE_ALWAYS: menu.Check(ID_POPUP_ALWAYS, true); break;
    case CHOICE_NEVER: menu.Check(ID_POPUP_NEVER, true); break;
    case CHOICE_AS_SETTINGS: menu.Check(ID_POPUP_AS_SETTINGS, true); break;
    }
}

bool ApplyPopupChoiceItem(int id, const wxString& name)
{
    switch (id)
    {
    case ID_POPUP_ALWAYS: WritePopupChoice(name, CHOICE_ALWAYS); return true;
    case ID_POPUP_NEVER: WritePopupChoice(name, CHOICE_NEVER); return true;
    case ID_POPUP_AS_SETTINGS: WritePopupChoice(name, CHOICE_AS_SETTINGS); return true;
    default: return false;
    }
}
