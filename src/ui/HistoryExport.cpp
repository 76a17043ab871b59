// The History page's "Export...": the history to a CSV file, with progress and a clear failure.
#include "ui/HistoryExport.h"

#include "history/HistoryReport.h"
#include "util/Trace.h"

#include <wx/filedlg.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>

#include <memory>

namespace
{
// Below this the export is over before a progress box could be read.
const long long kProgressFrom = 50000;
} // namespace

bool ExportHistoryToFile(wxWindow* parent, HistoryStore* store, const wxString& path, bool quiet)
{
    SOLVANE_TRACE("ExportHistoryToFile(%s)", path);
    wxString error;
    HistoryStore reader;
    bool ok = store && !store->GetPath().empty() && reader.OpenForReading(store->GetPath(), &error);
    if (!store || store->GetPath().empty())
        error = _("No history is kept in this run.");
    std::unique_ptr<wxProgressDialog> progress;
    ok = ok && ExportHistory(reader, path, error, [&](long long done, long long count) {
             if (!progress && count >= kProgressFrom)
                 progress = std::make_unique<wxProgressDialog>(_("Export"), _("Writing the history..."), 1000, parent,
                                                               wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_AUTO_HIDE);
             return !progress || progress->Update(static_cast<int>(std::min(999LL, done * 1000 / count)));
         });
    progress.reset();
    if (!ok && !quiet)
        wxMessageBox(wxString::Format(_("The history could not be exported to %s:\n%s"), path, error), _("Export"),
                     wxOK | wxICON_ERROR, parent);
    return ok;
}

void ExportHistoryWithDialogs(wxWindow* parent, HistoryStore* store)
{
    SOLVANE_TRACE("ExportHistoryWithDialogs(void)");
    wxFileDialog dialog(parent, _("Export the history"), wxEmptyString, "history.csv", _("CSV files (*.csv)|*.csv"),
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    ExportHistoryToFile(parent, store, dialog.GetPath());
}
