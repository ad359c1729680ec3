// The pixel work behind GDI's drawing calls. Callers hold the layer lock and pass contexts
// they have looked up; every routine clips to the destination context's clip rectangle.
#pragma once

#include "platform/linux/drawing/GdiObjects.h"

namespace stepveil::platform {

// A one-pixel line from `from` towards `to`, leaving out `to` itself as Win32 does.
void drawLine(DeviceContext& context, POINT from, POINT to, COLORREF colour);

// Fills the rectangle (right and bottom exclusive) with the colour, realized for the
// destination (nearest of black and white on a monochrome surface).
void fillArea(DeviceContext& context, const RECT& area, COLORREF colour);

// A block transfer with any ternary raster operation. The source part that lies outside the
// source surface is left out, together with the destination pixels it would have made.
// Colour-to-monochrome: source pixels equal to the source's background colour become white
// (1), others black. Monochrome-to-colour: white becomes the destination's background
// colour, black its text colour.
bool blockTransfer(DeviceContext& destination, int x, int y, int width, int height,
                   DeviceContext* source, int sourceX, int sourceY, DWORD rasterOperation);

// Copies the source rectangle, scaled to the destination rectangle by nearest pixel, leaving
// destination pixels unchanged where the source has the transparent colour.
bool transparentTransfer(DeviceContext& destination, const RECT& destinationArea,
                         DeviceContext& source, const RECT& sourceArea, COLORREF transparent);

// The colour of the context's selected solid brush, or false for a null or missing brush.
bool brushColour(const DeviceContext& context, COLORREF& colour);

} // namespace stepveil::platform
