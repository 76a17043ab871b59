// One file over HTTP into one local file, accepted only when it is whole and declared as a file.
#pragma once

#include "util/StopToken.h"

#include <wx/string.h>

/// The limits of one file download; the defaults are the ones the update uses.
struct DownloadLimits
{
    /// Nothing received for this long (before or during the body) ends the transfer.
    long stallMilliseconds = 5000;
    /// A transfer still running this long after it began ends, however steadily it trickles.
    long overallMilliseconds = 60000;
    /// A declared or received length above this is refused.
    long long sizeLimit = 64LL << 20;
};

/// Fetches url into target and accepts the result only as "application/octet-stream" (exactly)
/// with exactly the length that "Content-Length" declared (none declared: an empty body).
/// Blocks the calling thread; a stop request ends the transfer at once.
/// The file is written beside target (PartialDownloadName) and renamed over it only when
/// complete: a refused reply or a failure before the body leaves target untouched, a body of
/// another length deletes it. Neither name is followed when it is a symbolic link: the link is
/// replaced or deleted, whatever it leads to is left alone.
bool DownloadFile(const wxString& url, const wxString& target, const DownloadLimits& limits = DownloadLimits(),
                  const StopToken& stop = StopToken());

/// Where a download into target lives until it is whole: target followed by ".part". Inline: the
/// host, which links no transfer code, removes what a killed transfer left.
inline wxString PartialDownloadName(const wxString& target)
{
    return target + ".part";
}
