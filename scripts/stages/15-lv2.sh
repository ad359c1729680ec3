#!/usr/bin/env bash
# The LV2 bundle in hosts of our own and Debian's LV2 tools: the lilv test host (the same
# samples as the VST 2 file for a song told as Ardour, Carla and jalv tell it; presets; bad
# input), the editor binary on a real X server, and the bundle installed with
# `cmake --install --component lv2` through lv2_validate, lv2ls, lv2info and lv2apply.
# Uses the Release build of the Linux stage; builds what is missing.
set -euo pipefail
cd "$STEPVEIL_ROOT"
for program in lv2ls lv2info lv2apply lv2_validate sord_validate pkg-config; do
    if ! command -v "$program" >/dev/null; then
        echo "SKIPPED: $program is not installed (lilv-utils, lv2-dev, sordi)"
        exit 77
    fi
done
if ! pkg-config --exists lilv-0; then
    echo "SKIPPED: liblilv-dev is not installed"
    exit 77
fi
build=${STEPVEIL_LINUX_BUILD:-build/linux}
bash scripts/configure-linux.sh "$build" >/dev/null
cmake --build "$build" -j"$JOBS"
(cd "$build" && ctest --output-on-failure -j"$JOBS" -L lv2)
