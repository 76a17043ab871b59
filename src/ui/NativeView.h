// What the window system's own widgets offer that the toolkit leaves out: the name a screen
// reader says for a field.
#pragma once

class wxString;
class wxWindow;

/// Gives window the name a screen reader says for it: the toolkit's window name is not passed on.
void SetAccessibleName(wxWindow* window, const wxString& name);
