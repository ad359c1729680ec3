#!/usr/bin/env bash
# The platform layer against real Win32: the same drawing program, built for Linux on the
# layer and for Windows, runs natively and under Wine; the two pictures must be identical
# outside the text cells, and the text must sit in the same cells. Uses the builds of the
# Linux and Windows stages. The pictures are left in build/conformance for looking at.
set -euo pipefail
cd "$STEPVEIL_ROOT"
linux_build=${STEPVEIL_LINUX_BUILD:-build/linux}
windows_build=${STEPVEIL_WINDOWS_BUILD:-build/win64}
out=${STEPVEIL_CONFORMANCE_OUT:-build/conformance}

cmake --build "$linux_build" --target conformance_drawing conformance_compare -j"$JOBS"
cmake --build "$windows_build" --target conformance_drawing -j"$JOBS"

rm -rf "$out"
mkdir -p "$out"
drawing=tests/platform/conformance/conformance_drawing
(cd "$out" && "$STEPVEIL_ROOT/$linux_build/$drawing" layer.ppm layer-cells.txt)
(cd "$out" && bash "$STEPVEIL_ROOT/scripts/wine-run.sh" --prefix "$STEPVEIL_ROOT/$windows_build/wine-prefix" \
    "$STEPVEIL_ROOT/$windows_build/$drawing.exe" win32.ppm win32-cells.txt)
"$linux_build/tests/platform/conformance/conformance_compare" \
    "$out/layer.ppm" "$out/win32.ppm" "$out/layer-cells.txt" "$out"
# Let the prefix's Wine server finish, so nothing outlives the stage.
WINEPREFIX="$STEPVEIL_ROOT/$windows_build/wine-prefix" timeout 120 wineserver -w || true
echo "conformance pictures: $out/layer.png, $out/win32.png, $out/difference.png"
