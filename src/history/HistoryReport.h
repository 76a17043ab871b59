// The history put in a person's hands: one performer's sessions and weekly chart as text, and
// every event as a CSV file. Used by the command line (a store opened for reading) and by the
// History page's "Export...".
#pragma once

#include "history/HistorySessions.h"

#include <cstdio>
#include <functional>

/// The word for an event as the History page shows it, untranslated: "came online", "busy".
const char* HistoryEventWord(HistoryKind kind, uint32_t status);
/// Local ISO 8601 to the second: 2026-03-01T20:15:00.
wxString LocalIsoTime(long long time);

/// A header line, one line per session (start, end, seconds, and "offline", "exit" for one ended
/// by the program's exit or "online" for one going on, tab-separated),
/// a blank line and the weekly chart as a table of percentages ("-" for hours never watched).
wxString MakeHistoryReport(const wxString& name, const PerformerSummary& summary, const WeeklyChart& chart);

/// Writes every event to path as CSV ("time,name,event"), through a temporary file renamed at the
/// end, so that a failure or a stop leaves nothing half-written. progress gets the events done
/// and their count now and then and returns false to stop. False with error said on failure.
bool ExportHistory(HistoryStore& store, const wxString& path, wxString& error,
                   const std::function<bool(long long done, long long count)>& progress = {});
