// The splash screen's picture: the skin's, with its words in the user's language.
#pragma once

#include "ui/SkinText.h"

#include <vector>

/// The splash's words and their places on the skin's 400 x 250 picture: the tagline, the chip's
/// word, the start-up note and the version.
std::vector<SkinText> SplashTexts();
/// The skin's splash picture at the screen's scale with SplashTexts over it; invalid when the
/// skin has no such picture.
wxBitmap SplashPicture(const wxBitmapBundle& picture, double scale);
