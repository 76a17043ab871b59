// Whether the window the person works in fills the screen (a film, a game, a slide show).
#include "ui/FullScreen.h"

#include "util/Trace.h"

#ifdef __WXGTK__
#include <gdk/gdk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif
#endif

bool IsActiveWindowFullScreen()
{
    bool fullScreen = false;
#if defined(__WXGTK__) && defined(GDK_WINDOWING_X11)
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display))
        return false;
    // A window that goes while it is asked about is no error of ours.
    gdk_x11_display_error_trap_push(display);
    GdkAtom type = GDK_NONE;
    gint format = 0, length = 0;
    guchar* data = nullptr;
    // Two round trips to the display: asked only as a pop-up is about to start.
    GdkWindow* root = gdk_screen_get_root_window(gdk_display_get_default_screen(display));
    Window active = 0;
    if (gdk_property_get(root, gdk_atom_intern_static_string("_NET_ACTIVE_WINDOW"),
                         gdk_atom_intern_static_string("WINDOW"), 0, 1, FALSE, &type, &format, &length, &data))
    {
        // GDK hands 32-bit items as longs.
        if (format == 32 && length >= static_cast<gint>(sizeof(long)))
            active = static_cast<Window>(*reinterpret_cast<const long*>(data));
        g_free(data);
        data = nullptr;
    }
    GdkWindow* window = active ? gdk_x11_window_foreign_new_for_display(display, active) : nullptr;
    if (window && gdk_property_get(window, gdk_atom_intern_static_string("_NET_WM_STATE"),
                                   gdk_atom_intern_static_string("ATOM"), 0, 64, FALSE, &type, &format, &length, &data))
    {
        // Atoms come converted to GDK's own.
        const GdkAtom wanted = gdk_atom_intern_static_string("_NET_WM_STATE_FULLSCREEN");
        const auto* states = reinterpret_cast<const GdkAtom*>(data);
        for (size_t i = 0; i < static_cast<size_t>(length) / sizeof(GdkAtom); ++i)
            fullScreen = fullScreen || states[i] == wanted;
        g_free(data);
    }
    if (window)
        g_object_unref(window);
    gdk_x11_display_error_trap_pop_ignored(display);
#endif
    SOLVANE_TRACE("[extern]IsActiveWindowFullScreen() = %d", fullScreen);
    return fullScreen;
}
