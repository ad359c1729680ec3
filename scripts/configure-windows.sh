#!/usr/bin/env bash
# Configures the Windows cross build that the stages share, with the same options wherever a
# stage needs it (a stage configuring it otherwise would make the next one rebuild it all):
#
#   configure-windows.sh win64|win32
#
# build/win64 is the x86-64 DLL, build/win32 the i686 one: Release, warnings as errors, with
# the test programs, without the benchmarks and the tool.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
win64) toolchain=mingw-w64-x86_64.cmake ;;
win32) toolchain=mingw-w64-i686.cmake ;;
*) echo "usage: $0 win64|win32" >&2; exit 2 ;;
esac
cmake -S . -B "build/$1" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON -DSTEPVEIL_BENCH=OFF -DSTEPVEIL_TOOLS=OFF
