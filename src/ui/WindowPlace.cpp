// Where a window stands at start: its saved place, kept on the screen.
#include "ui/WindowPlace.h"

#include "util/Settings.h"

#include <wx/display.h>

#include <algorithm>

namespace
{
// Far beyond any screen, and well inside what the window system's coordinates can hold.
const long kMaxCoordinate = 1 << 20;

int ReadCoordinate(const char* key, int byDefault)
{
    return static_cast<int>(std::clamp(Settings::ReadLong(key, byDefault), -kMaxCoordinate, kMaxCoordinate));
}
} // namespace

wxRect ReadWindowPlace(const char* xKey, const char* yKey, const char* widthKey, const char* heightKey,
                       const wxSize& defaultSize)
{
    int x = ReadCoordinate(xKey, -1), y = ReadCoordinate(yKey, -1);
    int width = ReadCoordinate(widthKey, defaultSize.x), height = ReadCoordinate(heightKey, defaultSize.y);
    const bool placed = x != -1 || y != -1;
    const int index = placed ? wxDisplay::GetFromPoint(wxPoint(x, y)) : wxNOT_FOUND;
    const wxRect area = wxDisplay(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index)).GetClientArea();
    width = width < 1 ? -1 : std::min(width, area.width);
    height = height < 1 ? -1 : std::min(height, area.height);
    if (placed)
    {
        x = std::clamp(x, area.x, std::max(area.x, area.GetRight() + 1 - std::max(width, 0)));
        y = std::clamp(y, area.y, std::max(area.y, area.GetBottom() + 1 - std::max(height, 0)));
    }
    return wxRect(x, y, width, height);
}
