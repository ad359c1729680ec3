#!/usr/bin/env bash
# The same blocks through the Linux plug-in, the 64-bit DLL and the 32-bit DLL must give the
# same output, bit for bit: scenario_render, built for each, renders a set of scenarios (tempi,
# metres, block sizes, jumps, rounded and missing positions, automation, both process entries)
# and writes raw float files, and the chunks a host saves of one state, which are compared
# here. Uses the builds of stages 10 and 30.
set -euo pipefail
cd "$STEPVEIL_ROOT"
linux_build=${STEPVEIL_LINUX_BUILD:-build/linux}
out=${STEPVEIL_IDENTITY_OUT:-build/identical-output}

cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON >/dev/null
bash scripts/configure-windows.sh win64 >/dev/null
bash scripts/configure-windows.sh win32 >/dev/null
for build in "$linux_build" build/win64 build/win32; do
    cmake --build "$build" --target scenario_render -j"$JOBS" >/dev/null
done

rm -rf "$out"
mkdir -p "$out/linux" "$out/win64" "$out/win32"
renderer=tests/identity/scenario_render
echo "Linux plug-in:"
(cd "$out/linux" && timeout 300 "$STEPVEIL_ROOT/$linux_build/$renderer")
for arch in win64 win32; do
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
    for arch in win64 win32; do
        if ! difference=$(cmp "$file" "$out/$arch/$name" 2>&1); then
            echo "DIFFERENT: $name, Linux against $arch: $difference"
            status=1
        fi
    done
done
[ "$count" -ge 10 ] || { echo "only $count files of scenarios and chunks were written" >&2; exit 1; }
if [ "$status" -ne 0 ]; then
    echo "the three builds do not give identical output" >&2
    exit 1
fi
echo "$count files (scenarios and chunks): Linux, win64 and win32 output identical bit for bit"
