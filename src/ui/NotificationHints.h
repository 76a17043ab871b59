// What tells the window manager that a window is a notification: its type, no focus, no task-bar entry.
#pragma once

class wxTopLevelWindow;

/// Marks a window that has not been shown yet as a notification: kept above the others, out of
/// the task bar and the pager, and never given the keyboard focus, neither on showing nor on a
/// click. Clicks still reach its controls.
void SetNotificationHints(wxTopLevelWindow* window);
