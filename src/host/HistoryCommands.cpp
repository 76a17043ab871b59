// The history's options on the command line: a performer's report and the export of every event.
#include "host/HistoryCommands.h"

#include "history/HistoryFile.h"
#include "history/HistoryReport.h"

#include <wx/log.h>


namespace
{
// The store opened to read only: the running program's writer's lock and its writes are left
// alone, and each read is one snapshot of the file.
bool OpenToRead(HistoryStore& store, const wxString& historyPath, std::FILE* err)
{
    wxString error;
    if (store.OpenForReading(historyPath, &error))
        return true;
    std::fprintf(err, "Solvane: %s\n", static_cast<const char*>(error.utf8_str()));
    return false;
}
} // namespace

int AnswerHistoryReport(const wxString& historyPath, const wxString& name, std::FILE* out, std::FILE* err)
{
    wxLogNull quiet; // a failure is said once, below
    HistoryStore store;
    if (!OpenToRead(store, historyPath, err))
        return 1;
    HistoryStore::NameHistory history;
    if (!store.ReadNameHistory(name, history))
    {
        std::fprintf(err, "Solvane: the history knows no performer named '%s'\n",
                     static_cast<const char*>(name.utf8_str()));
        return 1;
    }
    // The last run is under way while its program holds the writer's lock: a session open in it
    // goes on still, which the report tells from one ended by the program's exit only by its end.
    if (HistoryFile::IsWriterRunning(historyPath) && !history.runs.empty())
        history.currentRunStart = history.runs.back().start;
    const PerformerSummary summary = SummariseHistory(history.events, history.runs, history.currentRunStart);
    const WeeklyChart chart = MakeWeeklyChart(summary.sessions, WatchedSpans(history));
    std::fputs(MakeHistoryReport(name, summary, chart).utf8_str(), out);
    return std::fflush(out) == 0 ? 0 : 1;
}

int AnswerHistoryExport(const wxString& historyPath, const wxString& file, std::FILE* err)
{
    wxLogNull quiet;
    HistoryStore store;
    if (!OpenToRead(store, historyPath, err))
        return 1;
    wxString error;
    if (!ExportHistory(store, file, error))
    {
        std::fprintf(err, "Solvane: cannot export the history to %s: %s\n", static_cast<const char*>(file.utf8_str()),
                     static_cast<const char*>(error.utf8_str()));
        return 1;
    }
    return 0;
}
