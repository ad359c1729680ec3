// The one way the tool reports a problem: a message for the user and the exit status that
// tells scripts what kind of problem it was.
#pragma once

#include <stdexcept>
#include <string>

namespace stepveil::tool {

enum ExitStatus : int {
    exitSuccess = 0,
    exitFailure = 1,       // the command was well formed but could not be carried out
    exitUsage = 2,         // the command line itself is wrong
    exitInterrupted = 130, // stopped by a signal; the shell's convention for SIGINT
};

class ToolError : public std::runtime_error {
public:
    ToolError(ExitStatus status, const std::string& message)
        : std::runtime_error(message), status_(status) {}

    ExitStatus status() const { return status_; }

private:
    ExitStatus status_;
};

// A mistake in the command line: the user should read the usage text.
inline ToolError usageError(const std::string& message) {
    return ToolError(exitUsage, message);
}

// Something outside the command line failed: a file, the plug-in, the disk.
inline ToolError failure(const std::string& message) {
    return ToolError(exitFailure, message);
}

} // namespace stepveil::tool
