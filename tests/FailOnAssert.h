// A toolkit assert fails the test that tripped it: in a GUI run it would open a dialog and hang.
#pragma once

#include <gtest/gtest.h>

#include <wx/debug.h>
#include <wx/string.h>

inline void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                         const wxString& msg)
{
    ADD_FAILURE_AT(static_cast<const char*>(file.utf8_str()), line)
        << "toolkit assert in " << func.utf8_str() << ": " << cond.utf8_str() << " "
        << msg.utf8_str();
}
