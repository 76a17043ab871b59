// The slow name server of the tests (SlowLookup.cpp): how many of its lookups have begun.
#pragma once

#include <chrono>

#define SLOW_LOOKUP_API __attribute__((visibility("default")))

/// Lookups of names ending in ".slow.test" begun so far in this process.
SLOW_LOOKUP_API int SlowLookupsBegun();
/// True once count of them have begun, false after limit.
SLOW_LOOKUP_API bool WaitForSlowLookups(int count, std::chrono::milliseconds limit);
