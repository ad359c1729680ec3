#!/usr/bin/env bash
# The shipped Linux build, warnings as errors, and its tests.
set -euo pipefail
cd "$STEPVEIL_ROOT"
bash scripts/configure-linux.sh build/linux
cmake --build build/linux -j"$JOBS"
(cd build/linux && ctest --output-on-failure -j"$JOBS")
