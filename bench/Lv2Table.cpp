#include "bench/Lv2Table.h"

#include <cstdlib>

namespace stepveil::bench {

Lv2Table::Lv2Table(std::string vstName, std::vector<std::string> lv2Names,
                   std::vector<int> frameCounts, int goalFrames, double goalRatio)
    : vstLabel(std::move(vstName)), lv2Labels(std::move(lv2Names)),
      blockSizes(std::move(frameCounts)), goalBlockSize(goalFrames), goal(goalRatio) {}

void Lv2Table::record(const benchmark::BenchmarkReporter::Run& run) {
    if (run.run_type != benchmark::BenchmarkReporter::Run::RT_Iteration || run.error_occurred) {
        return;
    }
    const std::string& name = run.run_name.function_name;
    const auto slash = name.rfind('/');
    if (slash == std::string::npos) {
        return;
    }
    const int frames = std::atoi(name.c_str() + slash + 1);
    if (frames <= 0) {
        return;
    }
    const double nanoseconds =
        run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    samples[{name.substr(0, slash), frames}].push_back(nanoseconds / frames);
}

double Lv2Table::nanosecondsPerFrame(const std::string& label, int frames) const {
    const auto found = samples.find({label, frames});
    return found == samples.end() || found->second.empty() ? -1.0 : median(found->second);
}

void Lv2Table::print(std::FILE* out) const {
    std::fprintf(out,
                 "\nCPU time per stereo frame (median of repetitions), and ratios from this "
                 "run:\n\n| frames | %s ns |",
                 vstLabel.c_str());
    for (const std::string& label : lv2Labels) {
        std::fprintf(out, " %s ns | %s/%s |", label.c_str(), label.c_str(), vstLabel.c_str());
    }
    std::fprintf(out, "\n|---:|---:|");
    for (std::size_t column = 0; column < lv2Labels.size(); ++column) {
        std::fprintf(out, "---:|---:|");
    }
    std::fprintf(out, "\n");
    for (const int frames : blockSizes) {
        const double vst = nanosecondsPerFrame(vstLabel, frames);
        std::fprintf(out, "| %d | %.3f |", frames, vst);
        for (const std::string& label : lv2Labels) {
            const double lv2 = nanosecondsPerFrame(label, frames);
            std::fprintf(out, " %.3f | %.2f |", lv2, vst > 0.0 && lv2 > 0.0 ? lv2 / vst : -1.0);
        }
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "\nGoal at %d frames: each LV2 case at most %.2f x the VST 2 processing:",
                 goalBlockSize, goal);
    const double vst = nanosecondsPerFrame(vstLabel, goalBlockSize);
    for (const std::string& label : lv2Labels) {
        const double ratio = nanosecondsPerFrame(label, goalBlockSize) / vst;
        std::fprintf(out, " %s %.2f (%s);", label.c_str(), ratio,
                     vst > 0.0 && ratio > 0.0 && ratio <= goal ? "met" : "not met");
    }
    std::fprintf(out, "\n");
}

} // namespace stepveil::bench
