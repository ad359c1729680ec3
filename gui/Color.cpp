#include "gui/Color.h"

const Color blackColor{0, 0, 0, 0};
const Color whiteColor{255, 255, 255, 0};
const Color redColor{255, 0, 0, 0};
const Color greenColor{0, 255, 0, 0};
const Color defaultTransparentColor{255, 255, 255, 0};
