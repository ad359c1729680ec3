// The editor as the headless display pictures it, to compare the X server's pixels with.
#pragma once

#include "platform/headless.h"

#include <vector>

namespace x11test {

using Image = stepveil::platform::headless::Image;

constexpr int editorWidth = 562;
constexpr int editorHeight = 200;
constexpr int stepCount = 32;

// The editor's picture on the headless display of this program's own copy of the platform
// layer, for the levels given (parameter values 0..1).
Image headlessPicture(const std::vector<float>& levels);

} // namespace x11test
