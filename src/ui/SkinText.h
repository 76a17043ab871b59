// Words drawn over a skin picture as it is shown, so that they come in the user's language.
#pragma once

#include <wx/bmpbndl.h>
#include <wx/colour.h>
#include <wx/string.h>

#include <vector>

/// One text over a picture, in the picture's logical pixels: its baseline starts at (x, y), or
/// ends there when it is right-aligned; size is the font's em height.
struct SkinText
{
    wxString text;
    double x = 0;
    double y = 0;
    double size = 10;
    bool bold = false;
    wxColour colour = *wxWHITE;
    bool alignRight = false;
    double letterSpacing = 0;
};

/// The picture at scale (its pixels are the screen's) with the texts drawn over it.
wxBitmap DrawSkinTexts(const wxBitmap& picture, double scale, const std::vector<SkinText>& texts);
/// The bundle's picture and its rendering at twice the size, each with the texts over it.
wxBitmapBundle DrawSkinTexts(const wxBitmapBundle& pictures, const std::vector<SkinText>& texts);
