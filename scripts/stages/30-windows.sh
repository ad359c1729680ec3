#!/usr/bin/env bash
# The Windows DLL, cross-built with mingw-w64; its host-level tests run under Wine. The 32-bit
# DLL is built too, so both record layouts keep compiling.
set -euo pipefail
cd "$STEPVEIL_ROOT"
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE="$STEPVEIL_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON -DSTEPVEIL_BENCH=OFF -DSTEPVEIL_TOOLS=OFF
cmake --build build/win64 -j"$JOBS"
(cd build/win64 && ctest --output-on-failure -j1)

cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE="$STEPVEIL_ROOT/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON -DSTEPVEIL_BENCH=OFF -DSTEPVEIL_TOOLS=OFF \
    -DSTEPVEIL_TESTS=OFF
cmake --build build/win32 -j"$JOBS"
