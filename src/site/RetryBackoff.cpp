// The growing wait between quiet attempts while the site stays unreachable.
#include "site/RetryBackoff.h"

#include "util/Trace.h"

#include <algorithm>

long long RetryDelayMilliseconds(int quietFailures, long long first, long long longest)
{
    SOLVANE_TRACE("RetryDelayMilliseconds(%d, %lld, %lld)", quietFailures, first, longest);
    long long delay = std::max(1LL, first);
    for (int i = 1; i < quietFailures && delay < longest; ++i)
        delay *= 2;
    return std::min(delay, std::max(1LL, longest));
}
