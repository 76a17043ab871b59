// The check of a harness: a property that does not hold ends the run, as a crash would, and so
// does an assertion of the toolkit.
#pragma once

#include <wx/debug.h>
#include <wx/string.h>

#include <cstdio>
#include <cstdlib>

// clang-format off
#define FUZZ_CHECK(condition) \
    do { if (!(condition)) { std::fprintf(stderr, "%s:%d: %s fails\n", __FILE__, __LINE__, #condition); std::abort(); } } while (0)
// clang-format on

inline const bool kToolkitAssertsAbort = [] {
    wxSetAssertHandler(
        [](const wxString& file, int line, const wxString&, const wxString& condition, const wxString& message) {
            std::fprintf(stderr, "toolkit assertion %s:%d: %s %s\n", static_cast<const char*>(file.utf8_str()), line,
                         static_cast<const char*>(condition.utf8_str()), static_cast<const char*>(message.utf8_str()));
            std::abort();
        });
    return true;
}();
