// A file written beside its destination and renamed into place only once it is complete: a
// failure or an interruption leaves any earlier file of that name untouched, and even a crash
// leaves no half-written file under that name (at most a hidden temporary file beside it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stepveil::tool {

class ReplacementFile {
public:
    // Makes the temporary file at once (".NAME.XXXXXX" in the destination's folder, so the
    // rename stays on one file system), so that a missing folder or a lack of permission shows
    // before any work is done. Throws a failure naming the destination.
    explicit ReplacementFile(std::string destination);
    // Removes the temporary file unless it was committed.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    const std::string& destination() const { return destination_; }
    int descriptor() const { return descriptor_; }
    void write(const std::vector<std::uint8_t>& bytes);
    // Flushes the file to disk, closes it and renames it to the destination.
    void commit();
    // Closes and removes the temporary file; nothing happens to the destination.
    void discard();

private:
    std::string destination_;
    std::string temporaryPath_;
    int descriptor_ = -1;
};

} // namespace stepveil::tool
