// The growing wait between quiet attempts while the site stays unreachable.
#pragma once

/// The wait before the next attempt after `quietFailures` failures in a row (1 for the first),
/// doubling from `first` and never above `longest` (milliseconds).
long long RetryDelayMilliseconds(int quietFailures, long long first, long long longest);
