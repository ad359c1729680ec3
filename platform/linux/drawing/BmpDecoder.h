// Reads a .bmp file (uncompressed, 1, 4, 8, 24 or 32 bits per pixel) into a colour surface,
// as LoadBitmapA turns a bitmap resource into a bitmap of the screen's format.
#pragma once

#include "platform/linux/drawing/Surface.h"

#include <cstddef>
#include <memory>

namespace stepveil::platform {

// Null for anything malformed, truncated or larger than the layer accepts.
std::shared_ptr<Surface> decodeBmp(const unsigned char* bytes, std::size_t size);

} // namespace stepveil::platform
