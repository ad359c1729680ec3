#!/usr/bin/env bash
# Configures the Windows cross build that the stages share, with the same options wherever a
# stage needs it (a stage configuring it otherwise would make the next one rebuild it all):
#
#   configure-windows.sh win64|win32
#
# build/win64 is the x86-64 DLL, build/win32 the i686 one: Release, warnings as errors, with
# the test programs, without the benchmarks and the tool. The zip of both DLLs is made from
# build/win64 (scripts/package.sh), which therefore names build/win32 as the other one it carries.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
win64) toolchain=mingw-w64-x86_64.cmake zip_with=$PWD/build/win32 ;;
win32) toolchain=mingw-w64-i686.cmake zip_with= ;;
*) echo "usage: $0 win64|win32" >&2; exit 2 ;;
esac
cmake -S . -B "build/$1" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON -DSTEPVEIL_BENCH=OFF -DSTEPVEIL_TOOLS=OFF \
    -DSTEPVEIL_ZIP_WITH_BUILDS="$zip_with"
