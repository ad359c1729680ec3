#include "gui/SystemFeatures.h"

TransparentBltFunction transparentBltEntry = nullptr;
bool buttonsSwapped = false;
