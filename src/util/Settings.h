// The configuration store behind one lock: the polling thread reads it while the GUI writes.
#pragma once

#include <wx/string.h>

namespace Settings
{
long ReadLong(const wxString& key, long defaultValue);
wxString ReadString(const wxString& key, const wxString& defaultValue);
bool ReadBool(const wxString& key, bool defaultValue);
bool HasEntry(const wxString& key);
void WriteLong(const wxString& key, long value);
void WriteString(const wxString& key, const wxString& value);
void WriteBool(const wxString& key, bool value);
void DeleteEntry(const wxString& key);
void Flush();

/// The site's servers, "host[:port]", each read where it is used.
wxString WebServer();
wxString ImageServer();
wxString PreviewServer();

/// Numbers read as their users take them: a stored value out of its range gives the default or
/// the nearest end of the range, as each says.
/// The polling interval: below the least, the default; never so large that its milliseconds
/// overflow an int.
long SyncIntervalSeconds();
/// The longest quiet wait between two attempts: outside its range, the default.
long RetryMaxDelaySeconds();
/// The days the history keeps, held to their range.
long HistoryDays();
/// A pop-up's time: below the least, the default; above the most, the most.
long PopupDurationSeconds();
/// The splash screen's time, at most the most; not positive: no splash screen.
long SplashScreenSeconds();
} // namespace Settings
