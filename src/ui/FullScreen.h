// Whether the window the person works in fills the screen (a film, a game, a slide show).
#pragma once

/// True when the desktop's active window is full screen: on X11, the root window's
/// _NET_ACTIVE_WINDOW has _NET_WM_STATE_FULLSCREEN in its _NET_WM_STATE. False off X11, without
/// a window manager that names an active window, or when the window has just gone.
bool IsActiveWindowFullScreen();
