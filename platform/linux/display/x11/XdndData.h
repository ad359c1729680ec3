// What the data of a drag from another X program becomes before the layer's data object is
// made of it: the local file paths of a text/uri-list, and text in the layer's ANSI code page
// (UTF-8).
#pragma once

#include <string>
#include <vector>

namespace stepveil::platform {

// The local paths named by a text/uri-list (lines ending in CRLF, or LF; lines starting with
// '#' are comments): file URIs whose host is empty, "localhost" or `hostName`, percent-decoded.
// Other URIs (another host, another scheme, a malformed escape) are left out, as are paths
// that are not absolute.
std::vector<std::string> localPathsOfUriList(const std::string& uriList,
                                             const std::string& hostName);

// ISO 8859-1 text (the X selection target STRING) in UTF-8.
std::string utf8OfLatin1(const std::string& latin1);

// This machine's host name, as file URIs of other programs here may name it.
std::string localHostName();

} // namespace stepveil::platform
