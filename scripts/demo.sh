#!/usr/bin/env bash
# The README's main command: installs what the plug-in builds and runs with (nothing the tests
# alone need, and never another architecture), builds the Linux plug-in and the `stepveil`
# tool, gates the tool's built-in source through the plug-in file, so that the result can be
# heard without any audio file of one's own, and saves a picture of the editor.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh demo

# STEPVEIL_BUILD_DIR lets a developer run the demo against a build folder of their own.
build_dir=${STEPVEIL_BUILD_DIR:-build/linux}
# A new build folder is configured without the tests and benchmarks, whose libraries the demo
# does not install; one configured before (by the test stages, say) keeps its settings.
options=()
[ -e "$build_dir/CMakeCache.txt" ] || options=(-DSTEPVEIL_TESTS=OFF -DSTEPVEIL_BENCH=OFF)
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release "${options[@]}"
cmake --build "$build_dir" -j2 --target stepveil
stepveil=$build_dir/tools/stepveil

mkdir -p out
printf '\n=== The plug-in as a host sees it\n'
"$stepveil" info | sed -n '1,10p'

printf '\n=== Rendering\n'
# The same four bars twice: gated by the first factory program, and untouched for comparison.
"$stepveil" render --program "Quick Move" out/demo.wav
"$stepveil" render --program "Full Level" out/demo-dry.wav

printf '\n=== The editor\n'
# Opened by the tool in a window of its own, no screen needed, showing the demo's program.
"$stepveil" snapshot --program "Quick Move" out/editor.png

printf '\nListen to %s (gated) and %s (dry); the editor is pictured in %s. All in %s.\n' \
    out/demo.wav out/demo-dry.wav out/editor.png "$PWD/out"
