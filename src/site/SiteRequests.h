// How each request to the site is made: its time limits, the largest reply it takes and its
// headers, beside the addresses it goes to (SiteAddress).
#pragma once

#include <cstddef>

namespace SiteRequests
{
/// The performer list, and the probe of its address while the site is unreachable: a site that
/// sends nothing for this long counts as unreachable.
constexpr long kListStallMilliseconds = 3000;
/// Far above any real list (10,000 performers are under 2 MiB), counted unpacked; a server that
/// keeps sending fails here instead of filling the memory.
constexpr long long kListSizeLimit = 32LL << 20;
/// How long the whole list may take to arrive: this many polling intervals, and at least the
/// least, so that a long list on a slow line still arrives.
constexpr long kListIntervals = 3;
constexpr long kListMinimumMilliseconds = 60000;

/// A performer's picture: a picture server that sends nothing for this long has failed, and one
/// that trickles gives its download place back after the overall limit; the pop-up then shows
/// the placeholder. A larger body is never held.
constexpr long kPictureStallMilliseconds = 10000;
constexpr long kPictureOverallMilliseconds = 30000;
constexpr size_t kPictureSizeLimit = 2 * 1024 * 1024;
/// The image server answers for the site's own name (SiteAddress::ProfileImageHost), not its own.
constexpr const char* kPictureHostHeader = "Host";

/// The login check: connecting, or a reply that stops arriving, fails after this long.
constexpr long kLoginStallSeconds = 30;
/// The login reply names the favourites, a few bytes each: a reply past this is not the site's.
constexpr long long kLoginReplySizeLimit = 1 << 20;

/// The update service: nothing received for this long ends a request, and none runs longer
/// than the overall limit, however steadily it trickles.
constexpr long kUpdateStallMilliseconds = 5000;
constexpr long kUpdateOverallMilliseconds = 60000;
/// A signature is a few dozen bytes.
constexpr long long kUpdateSignatureSizeLimit = 1024;
} // namespace SiteRequests
