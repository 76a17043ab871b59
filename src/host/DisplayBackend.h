// The window system the toolkit starts on: X11 wherever one answers, so that pop-ups can be placed.
#pragma once

/// Before the toolkit starts: X11 first (XWayland on a Wayland desktop), any other window system
/// when no X display answers. A GDK_BACKEND the user set decides alone.
void PreferX11Backend();
/// Before the toolkit starts: it is told to leave OpenGL aside (unless GDK_GL says otherwise), as
/// nothing here draws with it; else opening the display loads the system's GL driver, on a
/// software renderer some 8 MB of memory.
void LeaveOpenGlAside();
/// Once the toolkit runs: the setting goes again, so that the browser and other programs started
/// from here do not inherit it.
void ForgetOpenGlSetting();
/// Once the toolkit runs: false on a window system where a program can not place its windows.
bool CanPlaceWindows();
