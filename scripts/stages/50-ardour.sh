#!/usr/bin/env bash
# A real third-party host: Ardour 7 (Debian's package, installed by install-deps.sh) loads the
# shipped Linux plug-in file headless and exports audio that must match our own render, and
# keeps the user's programs across saving a session and opening it in a new process.
# Uses the Release build of the Linux stage; builds what is missing.
set -euo pipefail
cd "$STEPVEIL_ROOT"
# The Linux stage's build; STEPVEIL_LINUX_BUILD points elsewhere for a run of this stage alone.
build=${STEPVEIL_LINUX_BUILD:-build/linux}
bash scripts/configure-linux.sh "$build" >/dev/null
cmake --build "$build" --target ardour_test_parts -j"$JOBS"
timeout 600 bash tests/ardour/run-ardour-test.sh "$build"
timeout 300 bash tests/ardour/run-ardour-state-test.sh "$build"
