// The splash screen's picture: the skin's, with its words in the user's language.
#include "ui/SplashPicture.h"

#include "util/Version.h"

#include <wx/intl.h>

std::vector<SkinText> SplashTexts()
{
    // The places and colours are those the picture was designed with; the footer's words are
    // white at 70 % over the dark band.
    const wxColour footer(255, 255, 255, 179);
    std::vector<SkinText> texts(4);
    texts[0].text = _("Know when they're live");
    texts[0].x = 168, texts[0].y = 156, texts[0].size = 15, texts[0].colour = wxColour(0xDC, 0xD8, 0xFF);
    texts[1].text = _("LIVE");
    texts[1].x = 191, texts[1].y = 186, texts[1].size = 10, texts[1].bold = true, texts[1].letterSpacing = 1;
    // Wide: a narrow text would go through the C locale, which has no "…", and come out empty.
    texts[2].text = _(L"Starting up…");
    texts[2].x = 16, texts[2].y = 240, texts[2].size = 10, texts[2].colour = footer;
    texts[3].text = wxString::Format(_("Version %s"), CurrentVersion.ToString());
    texts[3].x = 384, texts[3].y = 240, texts[3].size = 10, texts[3].colour = footer, texts[3].alignRight = true;
    return texts;
}

wxBitmap SplashPicture(const wxBitmapBundle& picture, double scale)
{
    if (!picture.IsOk())
        return wxBitmap();
    return DrawSkinTexts(picture.GetBitmap(picture.GetDefaultSize() * scale), scale, SplashTexts());
}
