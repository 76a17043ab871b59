// Entry of the core test programs: the toolkit's base library is set up, no display needed.
#include <gtest/gtest.h>

#include <wx/debug.h>
#include <wx/init.h>
#include <wx/string.h>

namespace
{
// A toolkit assert fails the test that tripped it.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg)
{
    ADD_FAILURE_AT(static_cast<const char*>(file.utf8_str()), line)
        << "toolkit assert in " << func.utf8_str() << ": " << cond.utf8_str() << " "
        << msg.utf8_str();
}
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(FailOnAssert);
    wxInitializer toolkit(argc, argv);
    if (!toolkit.IsOk())
        return 2;
    return RUN_ALL_TESTS();
}
