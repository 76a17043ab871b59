// Words drawn over a skin picture as it is shown, so that they come in the user's language.
#include "ui/SkinText.h"

#include "util/Trace.h"

#include <wx/dcmemory.h>
#include <wx/font.h>

namespace
{
// The skin's pictures were drawn with this face; a script it lacks (Japanese) comes from the
// system's fallback font.
const char* const kFace = "DejaVu Sans";

void DrawOne(wxDC& dc, const SkinText& text, double scale)
{
    // In points at the 96 dots an inch that the pictures were drawn for: the toolkit's pixel
    // size is the line's height, not the em's, and came out a sixth too small.
    const wxFont font(
        wxFontInfo(text.size * scale * 72 / 96).Family(wxFONTFAMILY_SWISS).FaceName(kFace).Bold(text.bold));
    dc.SetFont(font);
    dc.SetTextForeground(text.colour);
    const double spacing = text.letterSpacing * scale;
    // Letter by letter when spaced, as the pictures' capitals were.
    wxCoord width = 0, height = 0, descent = 0;
    dc.GetTextExtent(text.text, &width, &height, &descent);
    double spaced = 0;
    if (spacing > 0)
    {
        for (const wxUniChar letter : text.text)
            spaced += dc.GetTextExtent(wxString(letter)).x + spacing;
    }
    const double total = spacing > 0 ? spaced - spacing : width;
    double x = text.x * scale - (text.alignRight ? total : 0);
    const int top = wxRound(text.y * scale) - (height - descent);
    if (spacing <= 0)
    {
        dc.DrawText(text.text, wxRound(x), top);
        return;
    }
    for (const wxUniChar letter : text.text)
    {
        const wxString one(letter);
        dc.DrawText(one, wxRound(x), top);
        x += dc.GetTextExtent(one).x + spacing;
    }
}
} // namespace

wxBitmap DrawSkinTexts(const wxBitmap& picture, double scale, const std::vector<SkinText>& texts)
{
    SOLVANE_TRACE("[static]DrawSkinTexts(%zu, %g)", texts.size(), scale);
    if (!picture.IsOk())
        return picture;
    // A copy: the store's bitmap is shared by every window that shows it.
    wxBitmap drawn(picture.ConvertToImage());
    {
        wxMemoryDC dc(drawn);
        for (const SkinText& text : texts)
        {
            if (!text.text.empty())
                DrawOne(dc, text, scale);
        }
    }
    drawn.SetScaleFactor(scale);
    return drawn;
}

wxBitmapBundle DrawSkinTexts(const wxBitmapBundle& pictures, const std::vector<SkinText>& texts)
{
    if (!pictures.IsOk())
        return pictures;
    const wxSize size = pictures.GetDefaultSize();
    wxVector<wxBitmap> bitmaps;
    for (const int scale : {1, 2})
    {
        wxBitmap bitmap = DrawSkinTexts(pictures.GetBitmap(size * scale), scale, texts);
        // The bundle tells the scales apart by size alone.
        bitmap.SetScaleFactor(1);
        bitmaps.push_back(bitmap);
    }
    return wxBitmapBundle::FromBitmaps(bitmaps);
}
