// The message box that says the site stays unreachable, and the exit command that follows it.
#include "ui/ServerFailureBox.h"

#include "site/TaveloSite.h"
#include "util/Trace.h"

#include <wx/app.h>
#include <wx/msgdlg.h>

// The refresh runs on the polling thread, where a window would never return: both the box and
// the exit command are handed to the main thread.
void InstallServerFailureBox()
{
    SOLVANE_TRACE("[static]InstallServerFailureBox(void)");
    TaveloSite::SetFailureReporter(
        [](const wxString& caption, const wxString& message, std::function<void()> closed) {
            if (!wxTheApp)
            {
                closed();
                return;
            }
            wxTheApp->CallAfter([caption, message, closed] {
                wxMessageBox(message, caption, wxOK | wxCENTRE | wxICON_ERROR);
                closed();
            });
        });
    TaveloSite::SetExitRequester([] {
        if (!wxTheApp)
            return;
        wxTheApp->CallAfter([] {
            if (wxWindow* top = wxTheApp->GetTopWindow())
                wxQueueEvent(top, new wxCommandEvent(wxEVT_MENU, wxID_EXIT));
        });
    });
}
