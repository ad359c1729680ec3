// The editor's three pictures. Change the drawing here and rebuild to change the artwork.
#pragma once

#include "Picture.h"

#include <vector>

// Bitmap 128: the editor's face, 562 x 200. The band from column 25 to 537 and row 48 to 152
// is left plain for the 32 sliders and their value cells.
Picture drawBackground();

// Bitmap 129: one slider's track, 16 x 89, grey with a dark groove down its middle.
Picture drawTrack();

// Bitmap 130: the slider handle, 14 x 12, in the greys of handlePalette(); its white pixels
// are the transparent ones.
Picture drawHandle();
// Twelve greys from white (index 0) to black (index 11).
std::vector<Colour> handlePalette();
