#!/usr/bin/env bash
# The Windows DLLs, cross-built with mingw-w64: the 64-bit one with its test programs
# (host-level and unit) under 64-bit Wine, and the 32-bit one with the same programs under
# 32-bit Wine. CTest starts each program with scripts/wine-run.sh in a Wine prefix of the build
# folder's own (a 32-bit prefix for the 32-bit build). Without 32-bit Wine the 32-bit DLL and
# its test programs are still built, and the stage reports their run SKIPPED.
set -euo pipefail
cd "$STEPVEIL_ROOT"

run_windows_build() {
    local build=build/$1
    bash scripts/configure-windows.sh "$1"
    cmake --build "$build" -j"$JOBS"
    [ "${2:-}" != --build-only ] || return 0
    # One test at a time: every test program shares the prefix and its Wine server.
    (cd "$build" && ctest --output-on-failure -j1 --timeout 900)
    # Let the prefixes' Wine servers finish before the next stage, so nothing outlives CI
    # (wine-prefix: the test programs; wineprefix: the GUI smoke test on a display).
    local prefix
    for prefix in wine-prefix wineprefix; do
        WINEPREFIX="$STEPVEIL_ROOT/$build/$prefix" timeout 60 wineserver -w || true
    done
}

run_windows_build win64
missing=$(bash scripts/install-deps.sh --missing wine32 | xargs)
if [ -n "$missing" ]; then
    run_windows_build win32 --build-only
    echo "SKIPPED: the 32-bit DLL's tests under 32-bit Wine, for want of $missing (the 64-bit DLL passed its tests; the 32-bit one was built)"
    exit 77
fi
run_windows_build win32
