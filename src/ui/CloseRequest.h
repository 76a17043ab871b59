// What tells a window that the person asked the window manager to close it, even while a modal
// box holds the toolkit's own handling back.
#pragma once

#include <functional>

class wxTopLevelWindow;

/// Calls requested each time the window manager asks the shown window to close (its close box,
/// Alt+F4, a task bar's "Close"), before the toolkit decides what to do with the request: while a
/// modal box is up the toolkit drops it. Until UnwatchCloseRequests, before the window goes.
void WatchCloseRequests(wxTopLevelWindow* window, std::function<void()> requested);
void UnwatchCloseRequests(wxTopLevelWindow* window);
