// The configuration store behind one lock: the polling thread reads it while the GUI writes.
#include "util/Settings.h"

#include "util/SettingsKeys.h"

#include <wx/config.h>

#include <mutex>

namespace
{
// wxFileConfig keeps its entries in one in-memory tree that no thread may read while another
// writes; every access of the system goes through this lock.
std::recursive_mutex storeMutex;

// The simulated site's default listeners, so that a fresh install runs against it.
const char* const kDefaultWebServer = "127.0.0.1:18080";
const char* const kDefaultImageServer = "127.0.0.1:18081";
const char* const kDefaultPreviewServer = "127.0.0.1:18082";
} // namespace

namespace Settings
{
long ReadLong(const wxString& key, long defaultValue)
{
    std::lock_guard<std::recursive_mutex> lock(storeMutex);
    return wxConfigBase::Get()->ReadLong(key, defaultValue);
}

wxString ReadString(const wxString& key, const wxString& defaultValue)
{
    std::lock_guard<std::recursive_mutex> lock(storeMutex);
    return wxConfigBase::Get()->Read(key, defaultValue);
}

bool ReadBool(const wxString& key, bool defaultValue)
{
    std::lock_guard<std::recursive_mutex> lock(storeMutex);
    return wxConfigBase::Get()->ReadBool(key, defaultValue);
}

bool HasEntry(const wxString& key)
{
    std::lock_guard<std::recursive_mutex> lock(storeMutex);
    return wxConfigBase::Get()->HasEntry(key);
}

void WriteLong(const wxString& key, long value)
{
    std::lock_guard<std::recursive_mutex> lock(storeMutex);
    wxConfigBase::Get()->Write(key, value);
}

void WriteString(const wxString& key, const wxString& value)
{
    std::lock_guard<std::recursive_mutex> lock(storeMutex);
    wxConfigBase::Get()->Write(key, value);
}

void WriteBool(const wxString& key, bool value)
{
    std::lock_guard<std::recursive_mutex> lock(storeMutex);
    wxConfigBase::Get()->Write(key, value);
}

void DeleteEntry(const wxString& key)
{
    std::lock_guard<std::recursive_mutex> lock(storeMutex);
    wxConfigBase::Get()->DeleteEntry(key);
}

void Flush()
{
    std::lock_guard<std::recursive_mutex> lock(storeMutex);
    wxConfigBase::Get()->Flush();
}

wxString WebServer()
{
    return ReadString(SettingsKeys::kWebServer, kDefaultWebServer);
}

wxString ImageServer()
{
    return ReadString(SettingsKeys::kImageServer, kDefaultImageServer);
}

wxString PreviewServer()
{
    return ReadString(SettingsKeys::kPreviewServer, kDefaultPreviewServer);
}
} // namespace Settings
