// libsndfile can loop for ever, or crash, over some damaged headers (a chunk size that wraps
// its arithmetic back to the chunk it has just read, say). Before the tool opens an input
// file it lets a child process open it first: a child that takes too long is ended, and a
// file that made the library crash or hang is reported instead of taking the tool with it.
#pragma once

#include <chrono>
#include <string>

namespace stepveil::tool {

enum class HeaderProbeResult {
    opens,       // the library read the header (or the file could not be probed)
    refused,     // the library answered that it cannot read the file
    crashed,     // the library ended the child process with a signal
    tooSlow,     // the library was still reading the header when the time was up
    interrupted, // the user interrupted the tool meanwhile
};

// Opens the file with libsndfile in a child process and closes it again, waiting at most
// `limit` for the answer.
HeaderProbeResult probeHeader(const std::string& path, std::chrono::milliseconds limit);

} // namespace stepveil::tool
