// The history's options on the command line: a performer's report and the export of every event,
// answered without a display and beside a running program, which goes on writing meanwhile.
#pragma once

#include <wx/string.h>

#include <cstdio>

/// --history-report NAME: the report on out; 1 with a message on err for an unknown name or an
/// unreadable history. The history is the one at historyPath.
int AnswerHistoryReport(const wxString& historyPath, const wxString& name, std::FILE* out, std::FILE* err);
/// --history-export FILE: every event as CSV to file; 0 when written, 1 with a message on err.
int AnswerHistoryExport(const wxString& historyPath, const wxString& file, std::FILE* err);
