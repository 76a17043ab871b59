// What the window system's own widgets offer that the toolkit leaves out: the name and description
// a screen reader says for a field, and a list's row brought to the top of its view.
#pragma once

class wxDataViewCtrl;
class wxString;
class wxWindow;

/// Gives window the name a screen reader says for it: the toolkit's window name is not passed on.
void SetAccessibleName(wxWindow* window, const wxString& name);
/// Gives window the description a screen reader says after its name; GetAccessibleDescription
/// reads it back.
void SetAccessibleDescription(wxWindow* window, const wxString& description);
wxString GetAccessibleDescription(wxWindow* window);
/// Scrolls view so that row is the top one shown, once the view is laid out.
void ScrollRowToTop(wxDataViewCtrl* view, long row);
