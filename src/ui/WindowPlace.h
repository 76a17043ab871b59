// Where a window stands at start: its saved place, kept on the screen.
#pragma once

#include <wx/gdicmn.h>

/// The place saved under the four keys (x and y -1: where the window manager likes; a size below
/// 1: the best size), brought within the work area of the screen it was on: a hand-edited or stale
/// place (a size from a larger screen, a screen since unplugged) would put the window out of
/// reach, and be saved back so.
wxRect ReadWindowPlace(const char* xKey, const char* yKey, const char* widthKey, const char* heightKey,
                       const wxSize& defaultSize);
