#!/usr/bin/env bash
# The editor in a real third-party host's window: Ardour's GUI under Xvfb shows the plug-in's
# editor, whose pixels and response to a real mouse drag are checked
# (tests/ardour/run-ardour-gui-test.sh). Uses the Release build of the Linux stage; builds what
# is missing.
set -euo pipefail
cd "$STEPVEIL_ROOT"
# The Linux stage's build; STEPVEIL_LINUX_BUILD points elsewhere for a run of this stage alone.
build=${STEPVEIL_LINUX_BUILD:-build/linux}
bash scripts/configure-linux.sh "$build" >/dev/null
cmake --build "$build" --target ardour_test_parts -j"$JOBS"
timeout 300 xvfb-run -a bash tests/ardour/run-ardour-gui-test.sh "$build"
