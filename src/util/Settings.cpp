// The configuration store behind one lock: the polling thread reads it while the GUI writes.
#include "util/Settings.h"

#include "util/SettingsKeys.h"

#include <wx/config.h>

#include <algorithm>
#include <climits>
#include <mutex>

namespace
{
// wxFileConfig keeps its entries in one in-memory tree that no thread may read while another
// writes; every access of the system goes through this lock.
std::recursive_mutex storeMutex;
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
    return ReadString(SettingsKeys::kWebServer, SettingsKeys::kWebServerDefault);
}

wxString ImageServer()
{
    return ReadString(SettingsKeys::kImageServer, SettingsKeys::kImageServerDefault);
}

wxString PreviewServer()
{
    return ReadString(SettingsKeys::kPreviewServer, SettingsKeys::kPreviewServerDefault);
}

long SyncIntervalSeconds()
{
    using namespace SettingsKeys;
    const long seconds = ReadLong(kSyncInterval, kSyncIntervalDefault);
    // Below a second the polling thread would read every interval as a failure and hammer the site.
    if (seconds < kSyncIntervalMin)
        return kSyncIntervalDefault;
    return std::min(seconds, static_cast<long>(INT_MAX / 1000));
}

long RetryMaxDelaySeconds()
{
    using namespace SettingsKeys;
    const long seconds = ReadLong(kRetryMaxDelay, kRetryMaxDelayDefault);
    return seconds >= kRetryMaxDelayMin && seconds <= kRetryMaxDelayMax ? seconds : kRetryMaxDelayDefault;
}

long HistoryDays()
{
    using namespace SettingsKeys;
    return std::clamp(ReadLong(kHistoryDays, kHistoryDaysDefault), kHistoryDaysMin, kHistoryDaysMax);
}

long PopupDurationSeconds()
{
    using namespace SettingsKeys;
    const long seconds = ReadLong(kPopupDuration, kPopupDurationDefault);
    if (seconds < kPopupDurationMin)
        return kPopupDurationDefault;
    return std::min(seconds, kPopupDurationMax);
}

long SplashScreenSeconds()
{
    using namespace SettingsKeys;
    return std::min(ReadLong(kSplashScreenDuration, kSplashScreenDurationDefault), kSplashScreenDurationMax);
}
} // namespace Settings
