// The message box that says the site stays unreachable, and the exit command that follows it.
#pragma once

#include "util/StopToken.h"

#include <wx/string.h>

#include <functional>

class wxWindow;

/// From any thread: shows the message box on the main thread, unless waited() says by then that
/// the refresh no longer waits for it or the main window is already going, and calls closed()
/// once it is gone.
void ShowServerFailureBox(const wxString& caption, const wxString& message, std::function<bool()> waited,
                          std::function<void()> closed);

/// The line that points to where the servers are set, in the menu's own words.
wxString ServerSettingsHint();

/// From any thread: shows the message box, with the line that points to the settings below the
/// message, on the main thread, unless the main window is already going, and returns once it is
/// gone; false at once when stop is requested first, and a box not
/// shown by then is dropped.
bool ShowServerFailureBoxAndWait(const wxString& caption, const wxString& message, const StopToken& stop);

/// From any thread: posts the exit command to the application's top window on the main thread.
void PostExitToTopWindow();

/// On the main thread: the program's main window, null once it is going (the program is closing).
wxWindow* FindMainWindow();
