// How wide a notebook must be to show every tab whole, as the window system lays the tabs out.
#include "ui/NotebookTabs.h"

#include <wx/notebook.h>

#include <gtk/gtk.h>

int NotebookTabsWidth(wxNotebook* notebook)
{
    GtkWidget* widget = notebook ? static_cast<GtkWidget*>(notebook->GetHandle()) : nullptr;
    if (!widget || !GTK_IS_NOTEBOOK(widget))
        return 0;
    // The toolkit makes the tabs scrollable and fixes the notebook's size, so that GTK asks for
    // no more than the arrows; asked without either, GTK tells the width of the whole row of
    // tabs in its theme and font. Both are put back at once.
    GtkNotebook* tabs = GTK_NOTEBOOK(widget);
    const gboolean scrollable = gtk_notebook_get_scrollable(tabs);
    int fixedWidth = -1, fixedHeight = -1;
    gtk_widget_get_size_request(widget, &fixedWidth, &fixedHeight);
    gtk_notebook_set_scrollable(tabs, FALSE);
    gtk_widget_set_size_request(widget, -1, -1);
    int minimum = 0, natural = 0;
    gtk_widget_get_preferred_width(widget, &minimum, &natural);
    gtk_widget_set_size_request(widget, fixedWidth, fixedHeight);
    gtk_notebook_set_scrollable(tabs, scrollable);
    return minimum;
}
