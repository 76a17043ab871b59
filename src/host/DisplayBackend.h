// The window system the toolkit starts on: X11 wherever one answers, so that pop-ups can be placed.
#pragma once

/// Before the toolkit starts: X11 first (XWayland on a Wayland desktop), any other window system
/// when no X display answers. A GDK_BACKEND the user set decides alone.
void PreferX11Backend();
/// Once the toolkit runs: false on a window system where a program can not place its windows.
bool CanPlaceWindows();
