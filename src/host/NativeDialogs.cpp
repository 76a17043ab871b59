// The toolkit's native boxes (a message box is GTK's own dialog, run by GTK's loop, not the
// toolkit's): the one place that ends them from outside.
#include "host/NativeDialogs.h"

#include <gtk/gtk.h>

int EndNativeDialogs()
{
    int ended = 0;
    GList* windows = gtk_window_list_toplevels();
    // The list holds no references, and a response may destroy a dialog.
    for (GList* item = windows; item; item = item->next)
        g_object_ref(item->data);
    for (GList* item = windows; item; item = item->next)
    {
        // The toolkit's own dialogs are plain GTK windows, ended through the toolkit; only GTK's
        // dialogs run modally by gtk_dialog_run are left, and they take no other way out.
        GtkWindow* window = GTK_WINDOW(item->data);
        if (!gtk_widget_get_visible(GTK_WIDGET(window)))
            continue;
        if (GTK_IS_DIALOG(window) && gtk_window_get_modal(window))
        {
            gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_DELETE_EVENT);
            ++ended;
        }
        // A context menu's loop, too, runs until the menu goes: it goes as Escape would send it.
        else if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(window)); child && GTK_IS_MENU(child))
        {
            gtk_menu_shell_cancel(GTK_MENU_SHELL(child));
            ++ended;
        }
    }
    g_list_free_full(windows, g_object_unref);
    return ended;
}
