// What tells a window that the person asked the window manager to close it, even while a modal
// box holds the toolkit's own handling back.
#include "ui/CloseRequest.h"

#include "util/Trace.h"

#include <wx/toplevel.h>

#include <map>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

namespace
{
#ifdef __WXGTK__
// The windows watched, by their desktop window; only ever touched on the main thread.
std::map<GdkWindow*, std::function<void()>> watched;

// Every event of the desktop passes here on its way to GTK, which drops a close request for a
// window that a modal box holds, before any handler of the window could hear it.
void OnDesktopEvent(GdkEvent* event, gpointer)
{
    if (event->type == GDK_DELETE)
    {
        const auto found = watched.find(event->any.window);
        if (found != watched.end())
            found->second();
    }
    gtk_main_do_event(event);
}

GdkWindow* DesktopWindowOf(wxTopLevelWindow* window)
{
    GtkWidget* widget = window->GetHandle();
    return widget ? gtk_widget_get_window(widget) : nullptr;
}
#endif
} // namespace

void WatchCloseRequests(wxTopLevelWindow* window, std::function<void()> requested)
{
    SOLVANE_TRACE("[extern]WatchCloseRequests(%p)", static_cast<void*>(window));
#ifdef __WXGTK__
    GdkWindow* gdkWindow = DesktopWindowOf(window);
    if (!gdkWindow)
        return;
    watched[gdkWindow] = std::move(requested);
    // The toolkit puts GTK's own handler back after it has yielded (it never does here): then the
    // close is dropped as before, nothing worse.
    gdk_event_handler_set(OnDesktopEvent, nullptr, nullptr);
#else
    wxUnusedVar(window);
    wxUnusedVar(requested);
#endif
}

void UnwatchCloseRequests(wxTopLevelWindow* window)
{
    SOLVANE_TRACE("[extern]UnwatchCloseRequests(%p)", static_cast<void*>(window));
#ifdef __WXGTK__
    // The handler is the module's code: it goes with the last window, before the module can go.
    if (watched.erase(DesktopWindowOf(window)) && watched.empty())
        gdk_event_handler_set(reinterpret_cast<GdkEventFunc>(reinterpret_cast<void (*)()>(gtk_main_do_event)),
                              nullptr, nullptr); // as GTK itself installs it
#else
    wxUnusedVar(window);
#endif
}
