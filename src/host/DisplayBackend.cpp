// The window system the toolkit starts on: X11 wherever one answers, so that pop-ups can be placed.
#include "host/DisplayBackend.h"

#include <wx/utils.h>

#include <gdk/gdk.h>

#include <cstdlib>

void PreferX11Backend()
{
    if (std::getenv("GDK_BACKEND"))
        return;
    // GTK takes Wayland when WAYLAND_DISPLAY is set, and there a program's request to move its
    // window is dropped: the pop-ups would land wherever the compositor puts them and take the
    // focus. Through XWayland they are placed, stacked and kept from the focus as on X11.
    gdk_set_allowed_backends("x11,*");
}

namespace
{
// Whether GDK_GL is ours to take away again.
bool openGlSettingIsOurs = false;
} // namespace

void LeaveOpenGlAside()
{
    if (std::getenv("GDK_GL"))
        return;
    openGlSettingIsOurs = setenv("GDK_GL", "disable", 0) == 0;
}

void ForgetOpenGlSetting()
{
    // The toolkit read it once, as it started.
    if (openGlSettingIsOurs)
        unsetenv("GDK_GL");
    openGlSettingIsOurs = false;
}

bool CanPlaceWindows()
{
    return wxGetDisplayInfo().type != wxDisplayWayland;
}
