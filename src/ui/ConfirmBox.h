// The yes/no box of the update, asked on the main thread for a caller on any thread.
#pragma once

#include "util/StopToken.h"

#include <wx/string.h>

/// From any thread: shows a Yes/No box on the main thread and waits for the answer; true for
/// Yes. No box and No when the program is closing (no main loop or no main window), when the
/// box is ended by the closing program, or once stop is requested while the caller waits.
bool AskYesNo(const wxString& caption, const wxString& message, const StopToken& stop);
