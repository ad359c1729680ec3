#include "bench/EditorTable.h"

namespace stepveil::bench {

const char* const idleCase = "idle, nothing to redraw";
const char* const repaintCase = "program change, idle (full repaint)";
const char* const bareCase = "bare XPutImage 562 x 200";

namespace {

// The goals: a full repaint at most this many bare pushes; an idle with nothing to draw at
// most this share of a full repaint, and no request at all.
constexpr double repaintOverBareGoal = 3.0;
constexpr double idleOverRepaintGoal = 0.01;

const char* verdict(bool met) {
    return met ? "met" : "NOT met";
}

} // namespace

void EditorTable::record(const benchmark::BenchmarkReporter::Run& run) {
    if (run.run_type != benchmark::BenchmarkReporter::Run::RT_Iteration || run.error_occurred) {
        return;
    }
    // Real time: most of a push is the X server's work, in another process.
    const double microseconds =
        run.GetAdjustedRealTime() * 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    samples[run.run_name.function_name].push_back(microseconds);
}

void EditorTable::setRequests(const std::string& benchmarkName, double perCall, long calls) {
    requests[benchmarkName] = Count{perCall, calls};
}

double EditorTable::microseconds(const std::string& benchmarkName) const {
    const auto found = samples.find(benchmarkName);
    return found == samples.end() || found->second.empty() ? -1.0 : median(found->second);
}

void EditorTable::print(std::FILE* out) const {
    std::fprintf(out, "\nReal time per call (median of repetitions), requests to the X server "
                      "per call, and ratios from this run:\n\n");
    std::fprintf(out, "| %-36s | %12s | %20s |\n", "case", "us per call", "X requests per call");
    std::fprintf(
        out, "|--------------------------------------|-------------:|---------------------:|\n");
    for (const char* name : {idleCase, repaintCase, bareCase}) {
        const auto count = requests.find(name);
        char countText[64] = "not counted";
        if (count != requests.end() && count->second.perCall >= 0.0) {
            std::snprintf(countText, sizeof countText, "%.2f (of %ld calls)", count->second.perCall,
                          count->second.calls);
        }
        std::fprintf(out, "| %-36s | %12.3f | %20s |\n", name, microseconds(name), countText);
    }
    if (!countingProblem.empty()) {
        std::fprintf(out, "\nRequests not counted: %s\n", countingProblem.c_str());
    }
    printGoals(out);
}

void EditorTable::printGoals(std::FILE* out) const {
    const double idle = microseconds(idleCase);
    const double repaint = microseconds(repaintCase);
    const double bare = microseconds(bareCase);
    if (idle <= 0.0 || repaint <= 0.0 || bare <= 0.0) {
        std::fprintf(out, "\nNot every case ran: goals not evaluated.\n");
        return;
    }
    std::fprintf(out, "\nGoals (reported, never asserted):\n");
    const double repaintOverBare = repaint / bare;
    std::fprintf(out, "  full repaint at most %.0f x the bare XPutImage: %.2f x, %s\n",
                 repaintOverBareGoal, repaintOverBare,
                 verdict(repaintOverBare <= repaintOverBareGoal));
    const double idleOverRepaint = idle / repaint;
    std::fprintf(out, "  idle with nothing to draw at most 1/%.0f of a full repaint: 1/%.0f, %s\n",
                 1.0 / idleOverRepaintGoal, 1.0 / idleOverRepaint,
                 verdict(idleOverRepaint <= idleOverRepaintGoal));
    const auto idleCount = requests.find(idleCase);
    if (idleCount == requests.end() || idleCount->second.perCall < 0.0) {
        std::fprintf(out, "  idle with nothing to draw sends no request: not counted\n");
    } else {
        std::fprintf(out, "  idle with nothing to draw sends no request: %.0f in %ld idles, %s\n",
                     idleCount->second.perCall * static_cast<double>(idleCount->second.calls),
                     idleCount->second.calls, verdict(idleCount->second.perCall == 0.0));
    }
}

} // namespace stepveil::bench
