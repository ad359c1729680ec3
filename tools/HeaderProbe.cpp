#include "tools/HeaderProbe.h"

#include "tools/Interruption.h"

#include <poll.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace stepveil::tool {
namespace {

[[noreturn]] void openInChild(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    // _exit: the child must run none of the parent's exit handlers or buffered output.
    _exit(file != nullptr ? 0 : 1);
}

HeaderProbeResult resultOf(int status) {
    if (WIFSIGNALED(status)) {
        return HeaderProbeResult::crashed;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? HeaderProbeResult::opens
                                                         : HeaderProbeResult::refused;
}

// Waits until the child's end of the pipe closes (the child has ended), the time is up or
// the user interrupts. Answers whether the child ended.
bool waitForChild(int pipeEnd, std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limit;
    while (!interruptionRequested()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd wait{pipeEnd, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return true; // cannot wait: let waitpid tell
        }
    }
    return false;
}

void endChild(pid_t child, int& status) {
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

HeaderProbeResult probeHeader(const std::string& path, std::chrono::milliseconds limit) {
    int ends[2];
    if (pipe(ends) != 0) {
        // No probe possible: open the file as if there were none.
        return HeaderProbeResult::opens;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        openInChild(path);
    }
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        return HeaderProbeResult::opens;
    }
    const bool ended = waitForChild(ends[0], limit);
    close(ends[0]);
    int status = 0;
    if (!ended) {
        kill(child, SIGKILL);
        endChild(child, status);
        return interruptionRequested() ? HeaderProbeResult::interrupted
                                       : HeaderProbeResult::tooSlow;
    }
    endChild(child, status);
    return resultOf(status);
}

} // namespace stepveil::tool
