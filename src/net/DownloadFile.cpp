// One file over HTTP into one local file, accepted only when it is whole and declared as a file.
#include "net/DownloadFile.h"

#include "net/HttpGet.h"
#include "util/Trace.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <algorithm>

namespace
{
// The update service says "here is a file" with this type and nothing else; any other reply
// means there is nothing to fetch.
const char* const kFileType = "application/octet-stream";

// Quietly: a file that is not there is no error, and a message box from a worker is not wanted.
void RemoveIfThere(const wxString& file)
{
    wxLogNull quiet;
    if (wxFileName::FileExists(file))
        wxRemoveFile(file);
}
} // namespace

bool DownloadFile(const wxString& url, const wxString& target, const DownloadLimits& limits, const StopToken& stop)
{
    SOLVANE_TRACE("[static]DownloadFile(%s, %s)", url, target);
    // Until it is whole the file lives under a name of its own: a transfer that breaks off never
    // leaves half a file under the target's name.
    const wxString part = target + ".part";
    HttpGet get(url);
    get.SetConnectTimeout(limits.stallMilliseconds);
    get.SetStallTimeout(limits.stallMilliseconds);
    get.SetOverallTimeout(limits.overallMilliseconds);
    get.SetSizeLimit(limits.sizeLimit);
    get.SetStopToken(stop);
    const bool fetched = get.FetchToFile(part); // the part is gone again when this fails
    const bool offered = get.GetStatus() >= 200 && get.GetStatus() < 300 && get.GetContentType() == kFileType;

    if (!fetched)
    {
        // A file that began to come and broke off (cut short, stalled, endless) can not have its
        // declared length; anything earlier, a declared length past the limit included, leaves
        // the target as it was.
        const bool refusedAtOnce = get.WasTooLarge() && get.GetContentLength() > limits.sizeLimit;
        if (offered && !get.WasAborted() && !refusedAtOnce)
        {
            SOLVANE_TRACE("different size: %s, %lld declared", get.GetError(), get.GetContentLength());
            RemoveIfThere(target);
        }
        else
        {
            SOLVANE_TRACE("failed to get %s: %s", url, get.GetError());
        }
        return false;
    }
    if (!offered)
    {
        SOLVANE_TRACE("Content-Type is %s", get.GetContentType());
        RemoveIfThere(part);
        return false;
    }

    // Measured on disk after the file was closed: a length taken while bytes are still buffered
    // would be short.
    const long long expected = std::max(0LL, get.GetContentLength());
    const wxULongLong size = wxFileName::GetSize(part);
    const long long written = size == wxInvalidSize ? -1 : static_cast<long long>(size.GetValue());
    if (written != expected)
    {
        SOLVANE_TRACE("different size between %lld and %lld", written, expected);
        RemoveIfThere(part);
        RemoveIfThere(target);
        return false;
    }
    wxLogNull quiet;
    if (!wxRenameFile(part, target, true))
    {
        SOLVANE_TRACE("failed to write to %s", target);
        RemoveIfThere(part);
        return false;
    }
    return true;
}
