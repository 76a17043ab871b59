// The yes/no box of the update, asked on the main thread for a caller on any thread.
#include "ui/ConfirmBox.h"

#include "ui/ServerFailureBox.h"
#include "util/MainThreadCall.h"
#include "util/Trace.h"

#include <wx/app.h>
#include <wx/msgdlg.h> // declares the base of the toolkit's own message dialog
#include <wx/splash.h>
#include <wx/generic/msgdlgg.h>

namespace
{
// On the main thread. A program that is closing is not held up by a question: it answers No.
// The toolkit's own dialog, which the closing main window can end, and without a parent, which
// would delete it while it is still on the stack.
bool AskNow(const wxString& caption, const wxString& message)
{
    SOLVANE_TRACE("[static]AskNow(%s)", caption);
    if (!wxTheApp->IsMainLoopRunning() || !FindMainWindow())
        return false;
    // The splash screen stays above every other window and would hide the question.
    for (wxWindow* window : wxWindowList(wxTopLevelWindows)) // Destroy() edits the list
    {
        if (dynamic_cast<wxSplashScreen*>(window))
            window->Destroy();
    }
    wxGenericMessageDialog box(nullptr, message, caption,
                               wxYES_NO | wxCENTRE | wxICON_INFORMATION | wxDIALOG_NO_PARENT);
    // Escape and the close box mean No: the toolkit would otherwise take them for the
    // affirmative answer and install the update.
    box.SetEscapeId(wxID_NO);
    return box.ShowModal() == wxID_YES;
}
} // namespace

// A box shown on a worker thread would never return: the question travels to the main thread,
// and the caller waits for the answer, never the other way round.
bool AskYesNo(const wxString& caption, const wxString& message, const StopToken& stop)
{
    SOLVANE_TRACE("[static]AskYesNo(%s)", caption);
    if (!wxTheApp)
        return false;
    return CallOnMainThread([caption, message] { return AskNow(caption, message); }, stop).value_or(false);
}
