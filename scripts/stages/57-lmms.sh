#!/usr/bin/env bash
# A real third-party Windows host: LMMS (Debian's i386 build, installed by install-deps.sh)
# renders a project headless through the 32-bit DLL; the audio must match our own render.
# Uses the builds of the Linux and Windows stages; builds what is missing.
set -euo pipefail
cd "$STEPVEIL_ROOT"
missing=$(bash scripts/install-deps.sh --missing wine32 lmms | xargs)
if [ -n "$missing" ]; then
    echo "SKIPPED: LMMS's render through the 32-bit DLL, for want of $missing"
    exit 77
fi
linux_build=${STEPVEIL_LINUX_BUILD:-build/linux}
bash scripts/configure-linux.sh "$linux_build" >/dev/null
cmake --build "$linux_build" --target stepveil_plugin stepveil ardour_gate_check -j"$JOBS"
bash scripts/configure-windows.sh win32 >/dev/null
cmake --build build/win32 --target stepveil_plugin stepveil_recorder -j"$JOBS"
timeout 600 bash tests/lmms/run-lmms-test.sh "$linux_build" build/win32
