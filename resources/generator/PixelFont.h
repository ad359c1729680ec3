// Two small pixel fonts for lettering the artwork: 5 x 7 capitals and digits for titles and
// labels, and 3 x 5 digits for the step numbers that have to fit a 16-pixel column.
#pragma once

#include "Picture.h"

#include <string>

enum class FontSize { Large, Small };

// Width in pixels of the text at the scale, with one (scaled) pixel between characters.
int textWidth(const std::string& text, FontSize size, int scale = 1);

// Draws the text with its top-left corner at (x, y); characters the font lacks are blank.
void drawText(Picture& picture, const std::string& text, int x, int y, Colour colour, FontSize size,
              int scale = 1);
