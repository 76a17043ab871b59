// What the window system's own widgets offer that the toolkit leaves out.
#include "ui/NativeView.h"

#include <wx/dataview.h>
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
    // A list's view sits in a scrolled window: the reader stops on the view, not around it.
    NameWidget(GTK_IS_SCROLLED_WINDOW(widget) ? gtk_bin_get_child(GTK_BIN(widget)) : widget, text.data());
}

void SetAccessibleDescription(wxWindow* window, const wxString& description)
{
    GtkWidget* widget = window ? static_cast<GtkWidget*>(window->GetHandle()) : nullptr;
    if (AtkObject* accessible = widget ? gtk_widget_get_accessible(widget) : nullptr)
        atk_object_set_description(accessible, description.utf8_str());
}

wxString GetAccessibleDescription(wxWindow* window)
{
    GtkWidget* widget = window ? static_cast<GtkWidget*>(window->GetHandle()) : nullptr;
    AtkObject* accessible = widget ? gtk_widget_get_accessible(widget) : nullptr;
    const char* description = accessible ? atk_object_get_description(accessible) : nullptr;
    return description ? wxString::FromUTF8(description) : wxString();
}

void ScrollRowToTop(wxDataViewCtrl* view, long row)
{
    GtkWidget* tree = view ? view->GtkGetTreeView() : nullptr;
    if (!tree || row < 0)
        return;
    GtkTreePath* path = gtk_tree_path_new_from_indices(static_cast<gint>(row), -1);
    gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(tree), path, nullptr, TRUE, 0.0f, 0.0f);
    gtk_tree_path_free(path);
}
