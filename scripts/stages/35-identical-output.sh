#!/usr/bin/env bash
# The same blocks through the Linux plug-in, the 64-bit DLL and the 32-bit DLL must give the
# same output, bit for bit: scenario_render, built for each, renders a set of scenarios (tempi,
# metres, block sizes, jumps, rounded and missing positions, automation, stops and loops, both
# process entries) and writes raw float files, and the chunks a host saves of one state, which
# are compared here. Uses the builds of stages 10 and 30. Without 32-bit Wine the Linux plug-in
# is compared with the 64-bit DLL alone, and the stage reports the 32-bit comparison SKIPPED.
set -euo pipefail
cd "$STEPVEIL_ROOT"
windows=(win64 win32)
missing=$(bash scripts/install-deps.sh --missing wine32 | xargs)
[ -z "$missing" ] || windows=(win64)
linux_build=${STEPVEIL_LINUX_BUILD:-build/linux}
out=${STEPVEIL_IDENTITY_OUT:-build/identical-output}

bash scripts/configure-linux.sh "$linux_build" >/dev/null
for arch in "${windows[@]}"; do
    bash scripts/configure-windows.sh "$arch" >/dev/null
done
for build in "$linux_build" "${windows[@]/#/build/}"; do
    cmake --build "$build" --target scenario_render -j"$JOBS" >/dev/null
done

rm -rf "$out"
mkdir -p "$out/linux" "${windows[@]/#/$out/}"
renderer=tests/identity/scenario_render
echo "Linux plug-in:"
(cd "$out/linux" && timeout 300 "$STEPVEIL_ROOT/$linux_build/$renderer")
for arch in "${windows[@]}"; do
    echo "$arch DLL under Wine:"
    (cd "$out/$arch" && bash "$STEPVEIL_ROOT/scripts/wine-run.sh" \
        --prefix "$STEPVEIL_ROOT/build/$arch/wine-prefix" --arch "$arch" \
        "$STEPVEIL_ROOT/build/$arch/$renderer.exe")
    WINEPREFIX="$STEPVEIL_ROOT/build/$arch/wine-prefix" timeout 60 wineserver -w || true
done

status=0
count=0
for file in "$out/linux"/*.f32 "$out/linux"/*.chunk; do
    name=$(basename "$file")
    count=$((count + 1))
    for arch in "${windows[@]}"; do
        if ! difference=$(cmp "$file" "$out/$arch/$name" 2>&1); then
            echo "DIFFERENT: $name, Linux against $arch: $difference"
            status=1
        fi
    done
done
[ "$count" -ge 11 ] || { echo "only $count files of scenarios and chunks were written" >&2; exit 1; }
if [ "$status" -ne 0 ]; then
    echo "the builds do not give identical output" >&2
    exit 1
fi
echo "$count files (scenarios and chunks): Linux and ${windows[*]} output identical bit for bit"
if [ -n "$missing" ]; then
    echo "SKIPPED: the 32-bit DLL's comparison, for want of $missing (Linux and win64 identical)"
    exit 77
fi
