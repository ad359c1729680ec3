#include "bench/TablingReporter.h"

#include <algorithm>

namespace stepveil::bench {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

void TablingReporter::ReportRuns(const std::vector<Run>& reports) {
    for (const Run& run : reports) {
        table.record(run);
    }
    ConsoleReporter::ReportRuns(reports);
}

} // namespace stepveil::bench
