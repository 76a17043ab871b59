// Where the pop-ups' column stands beside a notification-area icon.
#include "ui/PopupPlace.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(PopupPlaceTest, TheColumnStartsClearOfAnIconItWouldCover)
{
    const wxSize popup(150, 150);
    const wxRect screen(0, 0, 1280, 1024), shifted(100, 40, 1000, 900);
    // The work area, the icon, then the area the column may use.
    const std::tuple<wxRect, wxRect, wxRect> cases[] = {
        {screen, wxRect(), screen},
        {screen, wxRect(1256, 1000, 24, 24), wxRect(0, 0, 1280, 1000)},
        // Beside the column, or in a panel that reserves its room (below the work area).
        {screen, wxRect(1100, 1000, 24, 24), screen},
        {wxRect(0, 0, 1280, 1000), wxRect(1256, 1000, 24, 24), wxRect(0, 0, 1280, 1000)},
        // Across the column's left edge, in a work area that does not start at the corner.
        {shifted, wxRect(940, 900, 24, 24), wxRect(100, 40, 1000, 860)},
        // A panel at the top: the column keeps below it.
        {screen, wxRect(1256, 0, 24, 24), wxRect(0, 24, 1280, 1000)},
        // Less than a pop-up's height left: the whole work area.
        {wxRect(0, 0, 1280, 200), wxRect(1256, 100, 24, 24), wxRect(0, 0, 1280, 200)},
    };
    for (const auto& [area, icon, expected] : cases)
    {
        SCOPED_TRACE(testing::Message() << icon.x << "," << icon.y << " " << icon.width << "x" << icon.height);
        EXPECT_EQ(expected, PopupColumnArea(area, icon, popup));
    }
}
