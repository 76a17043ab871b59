// What tells the window manager that a window is a notification: its type, no focus, no task-bar entry.
#include "ui/NotificationHints.h"

#include "util/Trace.h"

#include <wx/toplevel.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
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
