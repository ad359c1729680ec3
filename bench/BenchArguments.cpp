#include "bench/BenchArguments.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace stepveil::bench {

std::string initialiseBenchmarks(int argc, char** argv, bool& unrecognised) {
    // Repetitions of the subjects run in random order, so that a slow spell of a shared
    // machine falls on all of them alike rather than on whichever ran then.
    // Kept for the whole run: Google Benchmark may refer to its arguments later.
    static std::vector<char*> arguments;
    arguments.assign(argv, argv + argc);
    static std::string interleaving = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleaving.data());
    arguments.push_back(nullptr);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());

#if defined(STEPVEIL_PLUGIN_BUILD_PATH)
    std::string path = STEPVEIL_PLUGIN_BUILD_PATH;
#else
    std::string path;
#endif
    int kept = 1;
    for (int index = 1; index < count; ++index) {
        if (std::strcmp(arguments[index], "--plugin") == 0 && index + 1 < count) {
            path = arguments[++index];
        } else {
            arguments[kept++] = arguments[index];
        }
    }
    unrecognised = benchmark::ReportUnrecognizedArguments(kept, arguments.data());
    return path;
}

} // namespace stepveil::bench
