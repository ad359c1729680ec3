#include "gui/SystemFeatures.h"

std::atomic<TransparentBltFunction> transparentBltEntry{nullptr};
std::atomic<bool> buttonsSwapped{false};
