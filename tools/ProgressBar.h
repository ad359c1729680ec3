// A one-line progress bar on standard error for renders that take a while. It stays silent
// for the first second, so quick renders print nothing, and entirely when standard error is
// not a terminal, so logs and pipes get no control characters.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace stepveil::tool {

class ProgressBar {
public:
    using Clock = std::chrono::steady_clock;

    // totalFrames may be unknown (a stream), in which case only the time rendered is shown.
    ProgressBar(std::FILE* stream, std::optional<std::int64_t> totalFrames, double sampleRate);
    // A render that ends in an error still leaves the terminal on a fresh line.
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t framesDone);
    // Completes the line, showing the final count, if anything was drawn.
    void finish();

    // The text of the bar for a given state, without the leading carriage return.
    static std::string lineFor(std::int64_t framesDone, std::optional<std::int64_t> totalFrames,
                               double sampleRate);

private:
    std::FILE* stream_;
    std::optional<std::int64_t> totalFrames_;
    double sampleRate_;
    bool enabled_;
    bool drawn_ = false;
    std::int64_t framesDone_ = 0;
    Clock::time_point started_;
    Clock::time_point lastDrawn_;
};

} // namespace stepveil::tool
