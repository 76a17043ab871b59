// What a person can do with a pop-up besides opening the page: send it away by its close mark, and
// its context menu.
#include "ui/PopupDialog.h"

#include "model/PopupPause.h"
#include "site/SiteAddress.h"
#include "ui/MainMenu.h"
#include "ui/PopupSlots.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"
#include "util/Util.h"

#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/statbmp.h>
#include <wx/weakref.h>

#include <ctime>

namespace
{
// Only the pop-up's own menu uses it: no command of this id goes to any window.
const int ID_OPEN_PAGE = wxID_HIGHEST + 1;
} // namespace

wxRect PopupDialog::CloseMarkRect()
{
    // The red light at the right end of the title strip's picture: a circle of radius 3.5 around
    // (137, 9) of its 144 x 18 (the 2x picture draws it at the same logical place). The strip is
    // widened by repeating its last column, so the mark keeps its place on a wider pop-up.
    return wxRect(130, 2, 14, 14);
}

void PopupDialog::Dismiss()
{
    SOLVANE_TRACE("[%p]PopupDialog::Dismiss(void)", static_cast<void*>(this));
    timer.reset();
    if (PopupSlots* leaving = manager)
    {
        manager = nullptr;
        Hide();
        leaving->OnPopupClosed(this, true);
    }
    Destroy();
}

void PopupDialog::OnTitleBarLeftDown(wxMouseEvent& event)
{
    SOLVANE_TRACE("[%p]PopupDialog::OnTitleBarLeftDown(%d, %d)", static_cast<void*>(this), event.GetX(), event.GetY());
    if (CloseMarkRect().Contains(event.GetPosition()))
        Dismiss();
    else
        event.Skip();
}

void PopupDialog::OnTitleBarMotion(wxMouseEvent& event)
{
    const bool over = CloseMarkRect().Contains(event.GetPosition());
    if (over != overCloseMark)
    {
        overCloseMark = over;
        titleBar->SetCursor(over ? wxCursor(wxCURSOR_HAND) : wxNullCursor);
    }
    event.Skip();
}

void PopupDialog::OnContextMenu(wxContextMenuEvent&)
{
    SOLVANE_TRACE("[%p]PopupDialog::OnContextMenu(void)", static_cast<void*>(this));
    const wxString name = user.GetName();
    wxMenu menu;
    menu.Append(ID_OPEN_PAGE, _("&Open page"));
    menu.AppendSeparator();
    AppendPopupChoiceItems(menu, name);
    // The pause belongs to the main window, which a pop-up without a manager has none of.
    if (manager)
    {
        menu.AppendSeparator();
        menu.AppendSubMenu(NewPauseMenu(), _("P&ause pop-ups"));
        menu.Append(ID_RESUME_POPUPS, _("Resu&me pop-ups"));
        menu.Enable(ID_RESUME_POPUPS, PopupPause::IsPaused(Settings::ReadLong(SettingsKeys::kPopupPausedUntil, SettingsKeys::kPopupPausedUntilDefault),
                                                           std::time(nullptr)));
    }

    // The menu runs its own loop; the manager may close the pop-up meanwhile (the program ends).
    wxWeakRef<PopupDialog> alive(this);
    menuOpen = true;
    const int id = GetPopupMenuSelectionFromUser(menu);
    if (!alive)
        return;
    menuOpen = false;

    bool close = timeUp;
    if (id == ID_OPEN_PAGE)
    {
        Util::LaunchBrowser(SiteAddress::PerformerPage(name));
    }
    else if (ApplyPopupChoiceItem(id, name))
    {
        // Who is never to pop up again is not kept on screen either.
        close = close || id == ID_POPUP_NEVER;
    }
    else if (id != wxID_NONE && manager)
    {
        // The main window handles these as it does its own menu's.
        wxCommandEvent command(wxEVT_MENU, id);
        manager->OnPopupCommand(command);
    }
    if (close)
        Dismiss();
}
