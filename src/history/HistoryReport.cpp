// The history put in a person's hands: a performer's report and the CSV export.
#include "history/HistoryReport.h"

#include "model/UserGroups.h"
#include "util/AtomicFile.h"
#include "util/Trace.h"

#include <wx/intl.h>

#include <ctime>
#include <string>

namespace
{
// A field as CSV wants it: quoted, its quotes doubled, when it holds a comma, a quote or a break.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// Rows written to the temporary file at a time, and between two reports of progress.
const size_t kChunkBytes = 1 << 20;
} // namespace

const char* HistoryEventWord(HistoryKind kind, uint32_t status)
{
    switch (kind)
    {
    case HistoryKind::OnlineAtStart: return wxTRANSLATE("online at start");
    case HistoryKind::CameOnline: return wxTRANSLATE("came online");
    case HistoryKind::WentOffline: return wxTRANSLATE("went offline");
    case HistoryKind::Changed: break;
    }
    switch (IconForStatus(status))
    {
    case StatusIcon::Free: return wxTRANSLATE("now free");
    case StatusIcon::Busy: return wxTRANSLATE("busy");
    default: return wxTRANSLATE("online");
    }
}

wxString LocalIsoTime(long long time)
{
    const time_t at = static_cast<time_t>(time);
    struct tm local = {};
    localtime_r(&at, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

wxString MakeHistoryReport(const wxString& name, const PerformerSummary& summary, const WeeklyChart& chart)
{
    SOLVANE_TRACE("MakeHistoryReport(%s)", name);
    wxString text = wxString::Format("%s: %zu sessions (start\tend\tseconds\tended)\n", name, summary.sessions.size());
    for (size_t i = 0; i < summary.sessions.size(); ++i)
    {
        const HistorySession& session = summary.sessions[i];
        // Open: ended by the program's exit, unless it is the last and its run goes on.
        const char* ended = !session.open                                           ? "offline"
                            : i + 1 == summary.sessions.size() && summary.onlineNow ? "online"
                                                                                    : "exit";
        text += wxString::Format("%s\t%s\t%lld\t%s\n", LocalIsoTime(session.start), LocalIsoTime(session.end),
                                 session.end - session.start, ended);
    }
    text += "\n";
    for (int hour = 0; hour < WeeklyChart::kHours; ++hour)
        text += wxString::Format("\t%02d", hour);
    text += "\n";
    for (int day = 0; day < WeeklyChart::kDays; ++day)
    {
        text += WeekdayName(day);
        for (int hour = 0; hour < WeeklyChart::kHours; ++hour)
        {
            const double share = chart.Share(day, hour);
            text += share < 0 ? wxString("\t-") : wxString::Format("\t%d", static_cast<int>(share * 100 + 0.5));
        }
        text += "\n";
    }
    return text;
}

bool ExportHistory(HistoryStore& store, const wxString& path, wxString& error,
                   const std::function<bool(long long done, long long count)>& progress)
{
    SOLVANE_TRACE("ExportHistory(%s)", path);
    AtomicFile file(path);
    std::string chunk = "time,name,event\n";
    long long done = 0;
    bool stopped = false;
    const bool read = store.ForEachEvent([&](const HistoryEvent& event, long long count) {
        chunk += LocalIsoTime(event.time).utf8_string() + "," + CsvField(event.name.utf8_string()) + "," +
                 HistoryEventWord(event.kind, event.status) + "\n";
        ++done;
        if (chunk.size() < kChunkBytes)
            return true;
        if (!file.Write(chunk.data(), chunk.size()))
            return false;
        chunk.clear();
        stopped = progress && !progress(done, count);
        return !stopped;
    });
    if (stopped)
    {
        error = _("The export was stopped.");
        return false;
    }
    if (!read && file.GetError().empty())
    {
        error = _("The history could not be read.");
        return false;
    }
    if (!read || !file.Write(chunk.data(), chunk.size()) || !file.Commit())
    {
        error = file.GetError();
        return false;
    }
    return true;
}
