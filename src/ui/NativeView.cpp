// What the window system's own widgets offer that the toolkit leaves out.
#include "ui/NativeView.h"

#include <wx/string.h>
#include <wx/window.h>

#include <gtk/gtk.h>

namespace
{
void NameWidget(GtkWidget* widget, const char* name)
{
    if (AtkObject* accessible = widget ? gtk_widget_get_accessible(widget) : nullptr)
        atk_object_set_name(accessible, name);
}
} // namespace

void SetAccessibleName(wxWindow* window, const wxString& name)
{
    GtkWidget* widget = window ? static_cast<GtkWidget*>(window->GetHandle()) : nullptr;
    if (!widget)
        return;
    const wxScopedCharBuffer text = name.utf8_str();
    NameWidget(widget, text.data());
    // A list's view sits in a scrolled window: the reader stops on the view.
    if (GTK_IS_SCROLLED_WINDOW(widget))
        NameWidget(gtk_bin_get_child(GTK_BIN(widget)), text.data());
}
