#include "tools/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <string>

namespace stepveil::tool {
namespace {

constexpr auto quietPeriod = std::chrono::seconds(1);
constexpr auto redrawInterval = std::chrono::milliseconds(100);
constexpr int barWidth = 40;

} // namespace

ProgressBar::ProgressBar(std::FILE* stream, std::optional<std::int64_t> totalFrames,
                         double sampleRate)
    : stream_(stream), totalFrames_(totalFrames), sampleRate_(sampleRate),
      enabled_(stream != nullptr && isatty(fileno(stream)) != 0), started_(Clock::now()),
      lastDrawn_(started_) {}

std::string ProgressBar::lineFor(std::int64_t framesDone, std::optional<std::int64_t> totalFrames,
                                 double sampleRate) {
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "%.1f s", static_cast<double>(framesDone) / sampleRate);
    if (!totalFrames || *totalFrames <= 0) {
        return std::string("rendering ") + seconds;
    }
    const double fraction =
        std::clamp(static_cast<double>(framesDone) / static_cast<double>(*totalFrames), 0.0, 1.0);
    const auto filled = static_cast<int>(fraction * barWidth);
    std::string line = "rendering [";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(barWidth - filled), ' ');
    char tail[96];
    std::snprintf(tail, sizeof tail, "] %3d%%  %s", static_cast<int>(fraction * 100.0), seconds);
    return line + tail;
}

void ProgressBar::update(std::int64_t framesDone) {
    framesDone_ = framesDone;
    if (!enabled_) {
        return;
    }
    const auto now = Clock::now();
    if (now - started_ < quietPeriod || (drawn_ && now - lastDrawn_ < redrawInterval)) {
        return;
    }
    lastDrawn_ = now;
    drawn_ = true;
    // Clear to the end of the line: the previous line may have been longer.
    std::fprintf(stream_, "\r%s\033[K", lineFor(framesDone, totalFrames_, sampleRate_).c_str());
    std::fflush(stream_);
}

void ProgressBar::finish() {
    if (drawn_) {
        std::fprintf(stream_, "\r%s\033[K\n",
                     lineFor(framesDone_, totalFrames_, sampleRate_).c_str());
        std::fflush(stream_);
        drawn_ = false;
    }
}

} // namespace stepveil::tool
