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
} // namespace Settings
