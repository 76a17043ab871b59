// Entry of the test programs: the core ones need only the toolkit's base library, the GUI ones a
// real application object on the virtual display.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#ifdef SOLVANE_GUI_TEST
#include <glib.h>
#endif

namespace
{
// A toolkit assert fails the test that tripped it: in a GUI run it would open a dialog and hang.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    ADD_FAILURE_AT(static_cast<const char*>(file.utf8_str()), line)
        << "toolkit assert in " << func.utf8_str() << ": " << cond.utf8_str() << " " << msg.utf8_str();
}
#ifdef SOLVANE_GUI_TEST
// A warning or critical of GTK or GLib fails the test it came in, as a person would see it on the
// terminal: it is printed as always, and counted.
GLogWriterOutput FailOnToolkitComplaint(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data)
{
    if (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING))
    {
        gchar* said = g_log_writer_format_fields(level, fields, count, FALSE);
        ADD_FAILURE() << "toolkit said: " << said;
        g_free(said);
    }
    return g_log_writer_default(level, fields, count, data);
}
#endif
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(FailOnAssert);
#ifdef SOLVANE_GUI_TEST
    g_log_set_writer_func(FailOnToolkitComplaint, nullptr, nullptr);
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
