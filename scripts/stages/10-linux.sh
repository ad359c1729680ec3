#!/usr/bin/env bash
# The shipped Linux build, warnings as errors, and its tests.
set -euo pipefail
cd "$STEPVEIL_ROOT"
cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON
cmake --build build/linux -j"$JOBS"
(cd build/linux && ctest --output-on-failure -j"$JOBS")
