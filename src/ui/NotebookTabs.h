// How wide a notebook must be to show every tab whole, as the window system lays the tabs out.
#pragma once

class wxNotebook;

/// The width in logical pixels that shows all of the notebook's tabs side by side, without the
/// scroll arrows that would hide some of them; 0 when it can not be told.
int NotebookTabsWidth(wxNotebook* notebook);
