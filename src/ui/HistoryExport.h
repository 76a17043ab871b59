// The History page's "Export...": every event of the history to a CSV file that the person
// chooses, with progress for a long history and a clear message on failure.
#pragma once

#include <wx/string.h>

class HistoryStore;
class wxWindow;

/// Asks for a file and writes the store's events to it.
void ExportHistoryWithDialogs(wxWindow* parent, HistoryStore* store);
/// Writes the store's events to path, read through a connection of its own so that the polling
/// thread's writes go on meanwhile; a progress box for a long history. False, with a message box
/// when quiet is false, on failure or when stopped; nothing is left at path then.
bool ExportHistoryToFile(wxWindow* parent, HistoryStore* store, const wxString& path, bool quiet = false);
