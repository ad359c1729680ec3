#!/usr/bin/env bash
# The bundle as `cmake --install BUILD --component lv2` installs it, through the LV2 tools
# Debian ships: lv2_validate (sord_validate against lv2-dev's vocabularies) accepts its Turtle,
# lv2ls and lv2info list the plug-in with its 37 ports and the 16 factory programs as presets,
# and lv2apply (which gives no urid:map) gates a file as the VST 2 file does at 120 bpm from the
# song's start, one frame per call.
#
# Usage: check-lv2-tools.sh BUILD_DIR LV2_FOLDER STEPVEIL_TOOL CHECKER WORK_DIR
#   LV2_FOLDER  the build's STEPVEIL_LV2_FOLDER: relative, it is installed under WORK_DIR;
#               absolute, the built bundle is checked where it was built.
set -euo pipefail
build=${1:?usage: check-lv2-tools.sh BUILD_DIR LV2_FOLDER STEPVEIL_TOOL CHECKER WORK_DIR}
folder=$2
tool=$3
checker=$4
work=$5
uri=urn:ovrin-audio:stepveil

fail() {
    echo "check-lv2-tools: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"
if [[ "$folder" = /* ]]; then
    bundle=$build/lv2/bundles/Stepveil.lv2
else
    cmake --install "$build" --component lv2 --prefix "$work/prefix" >"$work/install.log" ||
        { cat "$work/install.log"; fail "cmake --install --component lv2 failed"; }
    bundle=$work/prefix/$folder/Stepveil.lv2
    echo "installed: $(cd "$bundle" && ls | tr '\n' ' ')"
fi
export LV2_PATH
LV2_PATH=$(dirname "$bundle")

lv2_validate "$bundle"/*.ttl >"$work/validate.log" 2>&1 || {
    cat "$work/validate.log"
    fail "lv2_validate rejects the bundle's Turtle"
}
grep -q "Found 0 errors" "$work/validate.log" || fail "lv2_validate: $(tail -n 1 "$work/validate.log")"
echo "lv2_validate: $(grep -o 'Found [0-9]* errors[^)]*)' "$work/validate.log")"

lv2ls | grep -qx "$uri" || fail "lv2ls does not list $uri"
lv2info "$uri" >"$work/info.txt"
ports=$(grep -c '^	Port [0-9]*:' "$work/info.txt")
[ "$ports" -eq 37 ] || fail "lv2info shows $ports ports, expected 37"
for step in $(seq 1 32); do
    grep -q "Name: *Level $step\$" "$work/info.txt" || fail "lv2info shows no port 'Level $step'"
done
# The factory programs' names as `stepveil info` gives them from the VST 2 file (a number in
# four columns, two spaces, the name in 24).
"$tool" info | awk '/^Programs/ { inside = 1; next } /^$/ { inside = 0 } inside && $1 < 16 { name = substr($0, 7, 24); sub(/ +$/, "", name); print name }' \
    >"$work/programs.txt"
[ "$(wc -l <"$work/programs.txt")" -eq 16 ] || fail "stepveil info lists no 16 factory programs"
awk '/^	Presets:/ { inside = 1; next } inside && /^	         / { sub(/^\t +/, ""); print; next }
    inside { exit }' "$work/info.txt" | sort >"$work/presets.txt"
sort "$work/programs.txt" | diff - "$work/presets.txt" || fail "the presets are not the factory programs"
echo "lv2ls, lv2info: $uri with $ports ports and $(wc -l <"$work/presets.txt") presets"

# Program 0 with level 5 silenced, on a constant signal (left 1, right -0.5).
levels="32 16 16 0 0 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0"
"$checker" constant --rate 48000 --frames 192000 --left 1 --right -0.5 "$work/input.wav"
# A sanitizer build's binary needs the sanitizer's runtime loaded first (CTest names it).
LD_PRELOAD=${STEPVEIL_LV2APPLY_PRELOAD:-} \
    lv2apply -i "$work/input.wav" -o "$work/lv2apply.wav" -c level_5 0 "$uri" >"$work/lv2apply.log" 2>&1 ||
    { cat "$work/lv2apply.log"; fail "lv2apply failed"; }
"$tool" render --levels "${levels// /,}" --tempo 120 --meter 4/4 --block 1 "$work/input.wav" \
    "$work/reference.wav" >/dev/null
compare=("$checker" compare --export "$work/lv2apply.wav" --reference "$work/reference.wav"
    --tempo 120 --meter 4/4 --left 1 --right -0.5 --tolerance 1)
"${compare[@]}" --levels "$levels" | sed 's/^/  /' || fail "lv2apply's output is not the gate's pattern"
if "${compare[@]}" --levels "${levels/ 0 0 / 0 32 }" >/dev/null 2>&1; then
    fail "the checker also accepts the pattern without the level lv2apply set"
fi
echo "lv2apply: the pattern at 120 bpm, level 5 as set on the command line"
echo "lv2 tools passed"
