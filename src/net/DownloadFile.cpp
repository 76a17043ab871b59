// One file over HTTP into one local file, accepted only when it is whole and declared as a file.
#include "net/DownloadFile.h"

#include "net/HttpGet.h"
#include "util/Trace.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace
{
// The update service says "here is a file" with this type and nothing else; any other reply
// means there is nothing to fetch.
const char* const kFileType = "application/octet-stream";

// Quietly: a file that is not there is no error, and a message box from a worker is not wanted.
// A link goes itself; what it leads to stays.
void RemoveIfThere(const wxString& file)
{
    ::unlink(file.fn_str());
}

// The part is always a new file of this process: whatever had the name before (a part a killed
// transfer left, a link planted to lead the bytes elsewhere) goes first, and the open fails
// rather than follow a link or reuse a file that appeared in between.
std::FILE* CreatePart(const wxString& part)
{
    RemoveIfThere(part);
    const int descriptor = ::open(part.fn_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return nullptr;
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (!file)
        ::close(descriptor);
    return file;
}
} // namespace

bool DownloadFile(const wxString& url, const wxString& target, const DownloadLimits& limits, const StopToken& stop)
{
    SOLVANE_TRACE("[static]DownloadFile(%s, %s)", url, target);
    // Until it is whole the file lives under a name of its own: a transfer that breaks off never
    // leaves half a file under the target's name.
    const wxString part = PartialDownloadName(target);
    std::FILE* out = CreatePart(part);
    if (!out)
    {
        SOLVANE_TRACE("can not create %s", part);
        return false;
    }
    HttpGet get(url);
    get.SetConnectTimeout(limits.stallMilliseconds);
    get.SetStallTimeout(limits.stallMilliseconds);
    get.SetOverallTimeout(limits.overallMilliseconds);
    get.SetSizeLimit(limits.sizeLimit);
    get.SetStopToken(stop);
    bool fetched = get.FetchToFile(out);
    // A failed close can be the write's own late report (a full disk).
    if (std::fclose(out) != 0)
        fetched = false;
    if (!fetched)
        RemoveIfThere(part);
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
    // rename replaces a link at target rather than writing through it, and never falls back to
    // a copy that would.
    if (std::rename(part.fn_str(), target.fn_str()) != 0)
    {
        SOLVANE_TRACE("failed to write to %s", target);
        RemoveIfThere(part);
        return false;
    }
    return true;
}
