// Time limits of the tests: what a plain build needs, stretched where the sanitizers slow it down.
#pragma once

#include <chrono>

/// The limit for this build of one that a plain build keeps within.
inline std::chrono::milliseconds TimeLimit(long long plainMilliseconds)
{
    return std::chrono::milliseconds(plainMilliseconds * SOLVANE_TEST_SLOWDOWN);
}
