// What tells the window manager that a window is a notification: its type, no focus, no task-bar entry.
#include "ui/NotificationHints.h"

#include "util/Trace.h"

#include <wx/toplevel.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>

#include <cstring>
#endif

void SetNotificationHints(wxTopLevelWindow* window)
{
    SOLVANE_TRACE("[extern]SetNotificationHints(%p)", static_cast<void*>(window));
#ifdef __WXGTK__
    // The toolkit's styles reach the window manager as "skip task bar" and "above" only: the
    // window stays an ordinary dialog that takes the focus on a click. These hints are read when
    // the window is mapped, so they come before it is first shown.
    GtkWindow* gtkWindow = GTK_WINDOW(window->GetHandle());
    gtk_window_set_type_hint(gtkWindow, GDK_WINDOW_TYPE_HINT_NOTIFICATION);
    gtk_window_set_accept_focus(gtkWindow, FALSE);
    gtk_window_set_focus_on_map(gtkWindow, FALSE);
    gtk_window_set_skip_taskbar_hint(gtkWindow, TRUE);
    gtk_window_set_skip_pager_hint(gtkWindow, TRUE);
    gtk_window_set_keep_above(gtkWindow, TRUE);
#else
    wxUnusedVar(window);
#endif
}

unsigned long CurrentEventMilliseconds()
{
#ifdef __WXGTK__
    return gtk_get_current_event_time();
#else
    return 0;
#endif
}

wxRect TrayIconScreenRect()
{
#ifdef __WXGTK__
    // The toolkit keeps its GtkStatusIcon to itself. The window that icon docks into the
    // notification area is one of GTK's own top-level windows (a plug of the private type
    // GtkTrayIcon, one per icon, and this program has one); its origin and allocation are what
    // gtk_status_icon_get_geometry reports. Unmapped, it is in no notification area.
    wxRect rect;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next)
    {
        GtkWidget* widget = GTK_WIDGET(item->data);
        GdkWindow* window = gtk_widget_get_window(widget);
        if (std::strcmp(G_OBJECT_TYPE_NAME(widget), "GtkTrayIcon") != 0 || !gtk_widget_get_mapped(widget) || !window)
            continue;
        int x = 0, y = 0;
        gdk_window_get_origin(window, &x, &y);
        rect = wxRect(x, y, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget));
        break;
    }
    g_list_free(windows);
    return rect;
#else
    return wxRect();
#endif
}
