// The data of a drag that comes from the window system (another program), as a data object
// that the window's drop target can read: CF_HDROP, a DROPFILES block listing local file paths
// in the ANSI code page, and CF_TEXT, text in the ANSI code page. Both come on a global memory
// block (TYMED_HGLOBAL) for DVASPECT_CONTENT and lindex -1; every GetData makes a new block,
// which the caller frees (ReleaseStgMedium; no release object).
#pragma once

#include "platform/win32.h"

#include <optional>
#include <string>
#include <vector>

namespace stepveil::platform {

// Offers CF_HDROP when at least one path can be listed (paths that are empty or hold a zero
// byte cannot, and are left out) and CF_TEXT when there is text (cut at a zero byte, as the
// format ends there). Starts with one reference; null when memory runs out. Takes no lock
// while it is made; its methods call the layer, so call them without the layer lock.
IDataObject* createDropDataObject(const std::vector<std::string>& filePaths,
                                  const std::optional<std::string>& text);

} // namespace stepveil::platform
