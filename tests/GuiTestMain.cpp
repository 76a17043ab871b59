// Entry of the GUI test programs: a real application object on the virtual display.
#include "FailOnAssert.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

namespace
{
class TestApp : public wxApp
{
public:
    bool OnInit() override
    {
        wxInitAllImageHandlers();
        return true;
    }
};
} // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);


int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(FailOnAssert);
    if (!wxEntryStart(argc, argv))
        return 2;
    if (!wxTheApp->CallOnInit())
        return 2;
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
