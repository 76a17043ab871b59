// The start of the GUI: the skin, a splash screen while the main window builds, the main window.
#include "plugin/Exports.h"

#include "plugin/ModuleGuiServices.h"
#include "skin/SkinImageStore.h"
#include "ui/MainFrame.h"
#include "ui/SplashPicture.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"

#include <wx/display.h>
#include <wx/log.h>
#include <wx/splash.h>
#include <wx/utils.h>

#include <algorithm>

SOLVANE_EXPORT bool SiteRun()
{
    SOLVANE_TRACE("[extern]SiteRun(void)");
    // What the core needs of the GUI (the failure box, the browser, the skin's release) is
    // there before the polling thread starts; the site clears it as the module exits.
    GuiServices::Install(&ModuleGuiServices::Instance());
    // The toolkit's own errors and warnings (a folder it could not create, say) go to stderr: in
    // its modal box they would block every way out of the program, and the box outliving its
    // parent at the exit crashes. What a person must know, the program's own boxes say. The
    // target is the toolkit's own class, so it outlives the module safely.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    // The skin is read here, once, before any window needs a picture.
    SkinImageStore* skin = SkinImageStore::GetInstance();
    const long duration = Settings::SplashScreenSeconds();
    // At the screen's own pixels: the skin's 2x rendering on a screen scaled by 2.
    // Its words are drawn over it in the user's language.
    const wxBitmap bitmap = SplashPicture(skin->GetBitmapBundle("SplashScreen_bitmap"), wxDisplay().GetScaleFactor());
    // A skin without the picture, or a duration that is not positive, means no splash screen.
    if (bitmap.IsOk() && duration > 0)
    {
        new wxSplashScreen(bitmap, wxSPLASH_CENTRE_ON_SCREEN | wxSPLASH_TIMEOUT,
                           static_cast<int>(duration * 1000), nullptr, wxID_ANY, wxDefaultPosition,
                           wxDefaultSize, wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR);
    }
    new MainFrame();
    return true;
}
