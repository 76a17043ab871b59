// What tells the window manager that a window is a notification: its type, no focus, no task-bar entry.
#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;

/// Marks a window that has not been shown yet as a notification: kept above the others, out of
/// the task bar and the pager, and never given the keyboard focus, neither on showing nor on a
/// click. Clicks still reach its controls.
void SetNotificationHints(wxTopLevelWindow* window);

/// When the desktop's event being handled now happened, in milliseconds of the display server's
/// clock (it wraps); 0 when no such event is being handled (a synthetic one, say).
unsigned long CurrentEventMilliseconds();

/// Where this program's icon is in the notification area, on the screen in logical pixels; empty
/// while it is in none.
wxRect TrayIconScreenRect();
