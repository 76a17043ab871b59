// The module's answer to a second start of the program: its main window comes forward.
#include "plugin/Exports.h"

#include "ui/ServerFailureBox.h"
#include "util/Trace.h"

#include <wx/event.h>
#include <wx/window.h>

/// Called by the host on its main thread: the main window is shown and raised as the tray's
/// "Open" shows it (restored when minimised, back from the tray when hidden).
SOLVANE_EXPORT void SiteShow()
{
    SOLVANE_TRACE("[extern]SiteShow(void)");
    if (wxWindow* main = FindMainWindow())
        wxQueueEvent(main, new wxCommandEvent(wxEVT_MENU, wxID_OPEN));
}
