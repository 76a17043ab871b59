// Entry of the test programs: the core ones need only the toolkit's base library, the GUI ones a
// real application object on the virtual display.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

namespace
{
// A toolkit assert fails the test that tripped it: in a GUI run it would open a dialog and hang.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    ADD_FAILURE_AT(static_cast<const char*>(file.utf8_str()), line)
        << "toolkit assert in " << func.utf8_str() << ": " << cond.utf8_str() << " " << msg.utf8_str();
}
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(FailOnAssert);
#ifdef SOLVANE_GUI_TEST
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 2;
    wxInitAllImageHandlers();
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
#else
    const wxInitializer toolkit(argc, argv);
    return toolkit.IsOk() ? RUN_ALL_TESTS() : 2;
#endif
}
