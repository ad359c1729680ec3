// What the layer's system calls answer that a test may change: the platform id that
// GetVersionExA reports, libraries that refuse to load, and allocations that fail.
#pragma once

#include "platform/win32.h"

#include <set>
#include <string>

namespace stepveil::platform {

struct SystemSettings {
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    std::set<std::string> unavailableLibraries; // lower-case module names
    int allocationsToFail = 0;
};

// The caller holds the layer lock.
SystemSettings& systemSettings();

} // namespace stepveil::platform
