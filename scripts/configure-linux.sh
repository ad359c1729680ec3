#!/usr/bin/env bash
# Configures the Linux build that the stages share, with the same options wherever a stage
# needs it (a stage configuring it otherwise would make the next one rebuild it all):
#
#   configure-linux.sh [BUILD_DIR]
#
# BUILD_DIR is build/linux unless named: Release, warnings as errors, with the tests, the
# benchmarks and the tool. The tests and benchmarks are asked for by name because the demo
# configures the same folder without them (it installs only what the plug-in builds with).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B "${1:-build/linux}" -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON \
    -DSTEPVEIL_TESTS=ON -DSTEPVEIL_BENCH=ON -DSTEPVEIL_TOOLS=ON
