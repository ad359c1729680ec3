#!/usr/bin/env bash
# Ardour 7 with the LV2 bundle: headless through its Lua session tool, the export at 120 and
# 90 bpm with presets chosen by label must match our own render (run-ardour-test.sh --lv2);
# then its GUI under Xvfb shows the LV2 editor, whose pixels, a real drag and the value Ardour
# saves are checked (run-ardour-lv2-gui-test.sh). Uses the Release build of the Linux stage;
# builds what is missing.
set -euo pipefail
cd "$STEPVEIL_ROOT"
build=${STEPVEIL_LINUX_BUILD:-build/linux}
bash scripts/configure-linux.sh "$build" >/dev/null
cmake --build "$build" --target ardour_test_parts stepveil_lv2_bundle -j"$JOBS"
timeout 600 bash tests/ardour/run-ardour-test.sh --lv2 "$build"
timeout 300 xvfb-run -a bash tests/ardour/run-ardour-lv2-gui-test.sh "$build"
