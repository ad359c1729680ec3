#!/usr/bin/env bash
# Builds the benchmarks on the shipped Release build and runs them once, briefly, so that they
# keep working: the gate's audio, and the editor under Xvfb. Timings are printed, never judged
# here: see docs/BENCHMARKS.md.
set -euo pipefail
cd "$STEPVEIL_ROOT"

# The peer effects are optional: scripts/install-deps.sh installs them where it can, and the
# benchmark names each one it leaves out and the package that would bring it.

# The Linux stage's build; STEPVEIL_LINUX_BUILD points elsewhere for a run of this stage alone.
build=${STEPVEIL_LINUX_BUILD:-build/linux}
bash scripts/configure-linux.sh "$build" >/dev/null
cmake --build "$build" --target stepveil_bench stepveil_editor_bench stepveil_lv2_bench -j"$JOBS"
timeout 300 "$build/bench/stepveil_bench" --benchmark_min_time=0.01
# The LV2 binary's run() beside the VST 2 file's processing.
timeout 300 "$build/bench/stepveil_lv2_bench" --benchmark_min_time=0.01
# The editor on a real X server: Xvfb, as in the GUI tests.
timeout 120 xvfb-run -a "$build/bench/stepveil_editor_bench" --benchmark_min_time=0.01
