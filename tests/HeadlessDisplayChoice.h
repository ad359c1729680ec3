// Test programs draw on the platform layer's headless display: in their own copy of the layer
// and in the plug-in files they load. CTest sets the variable; including this header makes a
// program run by hand do the same (a value already set is kept). Windows has one display, the
// system's, and no such choice.
#pragma once

#include <cstdlib>

namespace stepveil::test {

#if defined(_WIN32)
inline const bool headlessDisplayChosen = false;
#else
inline const bool headlessDisplayChosen = setenv("STEPVEIL_DISPLAY", "headless", 0) == 0;
#endif

} // namespace stepveil::test
