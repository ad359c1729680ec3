#!/usr/bin/env bash
# Builds the benchmarks on the shipped Release build and runs them once, briefly, so that they
# keep working: the gate's audio, and the editor under Xvfb. Timings are printed, never judged
# here: see docs/BENCHMARKS.md.
set -euo pipefail
cd "$STEPVEIL_ROOT"

# The peer effects are optional: without them (no network, no root) the benchmark skips them.
peers=(dpf-plugins-vst lsp-plugins-vst zam-plugins)
missing=()
for package in "${peers[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if ((${#missing[@]})); then
    echo "Installing the benchmark's peer effects: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo -n); fi
    install_peers() {
        DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q \
            --no-install-recommends "${missing[@]}"
    }
    install_peers || { "${sudo_cmd[@]}" apt-get update -q && install_peers; } ||
        echo "Could not install the peers; the benchmark will skip them."
fi

# The Linux stage's build; STEPVEIL_LINUX_BUILD points elsewhere for a run of this stage alone.
build=${STEPVEIL_LINUX_BUILD:-build/linux}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON >/dev/null
cmake --build "$build" --target stepveil_bench stepveil_editor_bench stepveil_lv2_bench -j"$JOBS"
timeout 300 "$build/bench/stepveil_bench" --benchmark_min_time=0.01
# The LV2 binary's run() beside the VST 2 file's processing.
timeout 300 "$build/bench/stepveil_lv2_bench" --benchmark_min_time=0.01
# The editor on a real X server: Xvfb, as in the GUI tests.
timeout 120 xvfb-run -a "$build/bench/stepveil_editor_bench" --benchmark_min_time=0.01
