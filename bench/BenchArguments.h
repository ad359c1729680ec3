// The command line every benchmark program here shares: Google Benchmark's options, run in
// random order by default, and "--plugin PATH" for the plug-in file to time.
#pragma once

#include <string>
#include <vector>

namespace stepveil::bench {

// Initialises Google Benchmark with the program's arguments, random interleaving first so
// that the command line can still say otherwise, and takes "--plugin PATH" out (default: the
// plug-in file this build makes). Answers the plug-in's path; `unrecognised` is true when an
// argument was left that nobody knows (Google Benchmark has reported it).
std::string initialiseBenchmarks(int argc, char** argv, bool& unrecognised);

} // namespace stepveil::bench
