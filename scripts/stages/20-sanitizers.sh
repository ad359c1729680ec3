#!/usr/bin/env bash
# Address and undefined-behaviour sanitizers over the whole suite, plug-in file included.
set -euo pipefail
cd "$STEPVEIL_ROOT"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DSTEPVEIL_WERROR=ON \
    -DSTEPVEIL_SANITIZE=address,undefined -DSTEPVEIL_BENCH=OFF
cmake --build build/asan -j"$JOBS"
(cd build/asan && ctest --output-on-failure -j"$JOBS")
