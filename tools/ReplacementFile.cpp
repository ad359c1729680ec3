#include "tools/ReplacementFile.h"

#include "tools/ToolError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace stepveil::tool {
namespace {

std::string systemError() {
    return std::strerror(errno);
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// mkstemp makes the file readable by its owner only; give the finished file the mode any
// new file would get under the user's umask.
void applyDefaultFileMode(int descriptor) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, static_cast<mode_t>(0666 & ~mask));
}

} // namespace

ReplacementFile::ReplacementFile(std::string destination) : destination_(std::move(destination)) {
    struct stat status {};
    if (stat(destination_.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        throw failure("cannot write \"" + destination_ + "\": it is a directory");
    }
    std::string pattern = directoryOf(destination_) + "/." + fileNameOf(destination_) + ".XXXXXX";
    descriptor_ = mkstemp(pattern.data());
    if (descriptor_ < 0) {
        throw failure("cannot write \"" + destination_ + "\": " + systemError());
    }
    temporaryPath_ = pattern;
    applyDefaultFileMode(descriptor_);
}

ReplacementFile::~ReplacementFile() {
    discard();
}

void ReplacementFile::write(const std::vector<std::uint8_t>& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t result = ::write(descriptor_, bytes.data() + written, bytes.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            throw failure("cannot write \"" + destination_ + "\": " + systemError());
        }
        written += static_cast<std::size_t>(result);
    }
}

void ReplacementFile::commit() {
    const bool synced = fsync(descriptor_) == 0;
    const bool closed = close(descriptor_) == 0;
    descriptor_ = -1;
    if (!synced || !closed) {
        throw failure("cannot finish \"" + destination_ + "\": " + systemError());
    }
    if (std::rename(temporaryPath_.c_str(), destination_.c_str()) != 0) {
        throw failure("cannot move the result to \"" + destination_ + "\": " + systemError());
    }
    temporaryPath_.clear();
}

void ReplacementFile::discard() {
    if (descriptor_ >= 0) {
        close(descriptor_);
        descriptor_ = -1;
    }
    if (!temporaryPath_.empty()) {
        unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

} // namespace stepveil::tool
