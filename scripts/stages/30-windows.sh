#!/usr/bin/env bash
# The Windows DLL, cross-built with mingw-w64; the test programs (host-level and unit) run
# under Wine through CTest, which starts each one with scripts/wine-run.sh in a Wine prefix of
# the build folder's own. The 32-bit DLL is built too, so both record layouts keep compiling.
set -euo pipefail
cd "$STEPVEIL_ROOT"
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE="$STEPVEIL_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON -DSTEPVEIL_BENCH=OFF -DSTEPVEIL_TOOLS=OFF
cmake --build build/win64 -j"$JOBS"
# One test at a time: every test program shares the prefix and its Wine server.
(cd build/win64 && ctest --output-on-failure -j1 --timeout 900)
# Let the prefix's Wine server finish before the next stage, so nothing outlives CI.
WINEPREFIX="$STEPVEIL_ROOT/build/win64/wine-prefix" timeout 60 wineserver -w || true

cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE="$STEPVEIL_ROOT/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON -DSTEPVEIL_BENCH=OFF -DSTEPVEIL_TOOLS=OFF \
    -DSTEPVEIL_TESTS=OFF
cmake --build build/win32 -j"$JOBS"
