#!/usr/bin/env bash
# ThreadSanitizer over the programs where a host's threads meet: the editor opened, idled and
# closed on one thread while another automates the levels and processes audio.
set -euo pipefail
cd "$STEPVEIL_ROOT"
# Optimised, so thousands of open/close cycles stay within a few minutes under the sanitizer.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTEPVEIL_WERROR=ON \
    -DSTEPVEIL_SANITIZE=thread -DSTEPVEIL_BENCH=OFF -DSTEPVEIL_TOOLS=OFF
cmake --build build/tsan -j"$JOBS" --target editor_thread_tests
(cd build/tsan && ctest --output-on-failure -L threads --timeout 600)
