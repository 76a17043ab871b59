// The message box that says the site stays unreachable, and the exit command that follows it.
#include "ui/ServerFailureBox.h"

#include "util/MainThreadCall.h"
#include "util/MainThreadPost.h"
#include "util/Trace.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/intl.h>
#include <wx/msgdlg.h> // declares the base of the toolkit's own message dialog
#include <wx/splash.h>
#include <wx/generic/msgdlgg.h>

namespace
{
// A window closed with Destroy() lives on until the next idle time.
bool IsGoing(wxWindow* window)
{
    return window->IsBeingDeleted() || wxTheApp->IsScheduledForDestruction(window);
}

// On the main thread. A box whose main window is already going would hold up the exit until
// someone answered it.
// The toolkit's own dialog rather than the desktop's: a program that is closing can end it (the
// main window does so as it goes), where the desktop's box would hold the exit until somebody
// answered it.
void ShowNow(const wxString& caption, const wxString& message)
{
    if (!FindMainWindow())
        return;
    // Without a parent: the toolkit would otherwise make the main window its parent, and the main
    // window deletes its children as it goes, this box included, while the box is still on the
    // stack.
    wxGenericMessageDialog box(nullptr, message, caption, wxOK | wxCENTRE | wxICON_ERROR | wxDIALOG_NO_PARENT);
    box.ShowModal();
}

// A menu label as words: without its mnemonic, also in the form "(&T)" that Japanese labels
// carry (the toolkit strips that form only at a label's very end, before any "...").
wxString MenuWords(const wxString& label)
{
    wxString words = label;
    const size_t open = words.find("(&");
    if (open != wxString::npos && open + 3 < words.length() && words[open + 3] == ')')
        words.erase(open, 4);
    return wxStripMenuCodes(words, wxStrip_Mnemonics);
}
} // namespace

// The window the box and its exit command speak for: the first top-level window that is
// neither the splash screen nor a dialog and is not already going.
wxWindow* FindMainWindow()
{
    for (wxWindow* window : wxTopLevelWindows)
    {
        if (!dynamic_cast<wxSplashScreen*>(window) && !dynamic_cast<wxDialog*>(window) && !IsGoing(window))
            return window;
    }
    return nullptr;
}

// The refresh runs on the polling thread, where a window would never return: the box belongs
// to the main thread.
void ShowServerFailureBox(const wxString& caption, const wxString& message, std::function<bool()> waited,
                          std::function<void()> closed)
{
    SOLVANE_TRACE("[static]ShowServerFailureBox(%s)", caption);
    const bool posted = PostToMainThread([caption, message, waited, closed] {
        // A box left over from a caller that no longer waits for it would hold up the exit too.
        if (waited())
            ShowNow(caption, message);
        closed();
    });
    if (!posted)
        closed();
}

wxString ServerSettingsHint()
{
    // The menu's labels themselves, looked up as the menu looks them up, so that the words match
    // what the user sees in the menu bar in any language.
    const wxString path = MenuWords(_("&Tool")) + L" \u2192 " + MenuWords(_("&Settings..."));
    return wxString::Format(_("To change the server, use %s"), path);
}

bool ShowServerFailureBoxAndWait(const wxString& caption, const wxString& message, const StopToken& stop)
{
    SOLVANE_TRACE("[static]ShowServerFailureBoxAndWait(%s)", caption);
    const wxString text = message + "\n" + ServerSettingsHint();
    return RunOnMainThread([caption, text] { ShowNow(caption, text); }, stop);
}

void PostExitToTopWindow()
{
    SOLVANE_TRACE("[static]PostExitToTopWindow(void)");
    PostToMainThread([] {
        wxWindow* top = wxTheApp->GetTopWindow();
        // For its first seconds the splash screen is the first window, and it ignores the exit
        // command: the command belongs to the main window behind it.
        if (!top || dynamic_cast<wxSplashScreen*>(top) || IsGoing(top))
            top = FindMainWindow();
        if (top)
            wxQueueEvent(top, new wxCommandEvent(wxEVT_MENU, wxID_EXIT));
    });
}
