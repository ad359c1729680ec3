#!/usr/bin/env bash
# The plug-in in a real third-party host: Ardour, headless through its Lua session tool, on
# its dummy audio backend. For each case a session is made at a tempo and metre, a stereo
# track is fed a constant signal, the Linux plug-in file is inserted, a program selected and
# the master bus exported. The export must show the program's pattern at the session's tempo
# and equal what our own host renders (`stepveil render`) for the same settings, within the
# rounding of song positions that Ardour applies. One more session runs the plug-in inside a
# recording plug-in that writes down what Ardour sends, summarised at the end.
#
# With --lv2 the same is done with the LV2 bundle instead, its presets chosen by their labels
# (Ardour then sends the song position as time:Position events), at 120 and 90 bpm.
#
# Usage: run-ardour-test.sh [--lv2] BUILD_DIR [WORK_DIR]
#   BUILD_DIR  a Linux build with the targets stepveil_plugin, stepveil, ardour_gate_check and
#              stepveil_recorder (target ardour_test_parts builds them all; with --lv2 also
#              stepveil_lv2_bundle)
#   WORK_DIR   scratch folder, emptied first (default BUILD_DIR/ardour-test or ardour-lv2-test)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
kind=vst
if [ "${1:-}" = --lv2 ]; then
    kind=lv2
    shift
fi
test_name="ardour test ($kind)"
# shellcheck source=tests/ardour/ardour-common.sh
source "$here/ardour-common.sh"
build=$(cd "${1:?usage: run-ardour-test.sh [--lv2] BUILD_DIR [WORK_DIR]}" && pwd)
if [ "$kind" = lv2 ]; then
    work=${2:-$build/ardour-lv2-test}
else
    work=${2:-$build/ardour-test}
fi
lv2_bundle=$build/lv2/bundles/Stepveil.lv2
lv2_uri=urn:ovrin-audio:stepveil

plugin_built=$build/plugin/Stepveil.so
render_tool=$build/tools/stepveil
checker=$build/tests/ardour/ardour_gate_check
recorder_built=$build/tests/ardour/StepveilRecorder.so

# An Ardour session rarely runs longer than a few seconds; this bounds a hung one.
session_timeout=120
# Ardour 7.3 sometimes crashes while it tears its export down, with any plug-in or none
# (heap corruption in ExportGraphBuilder::reset). A session that ends abnormally is run again;
# only a clean run counts.
attempts=3
# The session's generator: one constant value per channel (constant-level-source.lua).
input_left=1
input_right=-0.5
export_preset=2b044fb3-0307-4920-9a95-ac02688ef9d6

# shellcheck source=host-test-helpers.sh
source "$here/host-test-helpers.sh"

require_files "build the target ardour_test_parts first" \
    "$plugin_built" "$render_tool" "$checker" "$recorder_built"
if [ "$kind" = lv2 ]; then
    [ -e "$lv2_bundle/manifest.ttl" ] || fail "missing $lv2_bundle (build stepveil_lv2_bundle)"
fi

find_ardour_programs

rm -rf "$work"
mkdir -p "$work"
prepare_ardour_home "$work"
cp "$here/float-wav.format" "$here/float-wav.preset" "$ardour_config/export/"

direct_folder=$work/vst-direct
recorder_folder=$work/vst-recorder
install_plugin "$plugin_built" "$direct_folder"
plugin_file=$direct_folder/Stepveil.so
export STEPVEIL_RECORDER_TARGET=$plugin_file
STEPVEIL_RECORDER_LOG=$work/scan-journal.txt install_plugin "$recorder_built" "$recorder_folder"

# Runs one Ardour session; succeeds when Ardour ended cleanly and wrote the export. The LV2
# bundle is found through LV2_PATH, by its URI; its preset by label.
run_session() {
    local name=$1 vst_folder=$2 file=$3 rate=$4 tempo=$5 numerator=$6 denominator=$7
    local program=$8 frames=$9 journal=${10}
    local export_file=$work/$name/export.wav
    local attempt status
    local lv2_arguments=()
    if [ "$kind" = lv2 ]; then
        file=$lv2_uri
        program=$(program_label "$program")
        lv2_arguments=(lv2)
    fi
    for ((attempt = 1; attempt <= attempts; attempt++)); do
        rm -rf "$work/$name/session" "$export_file"
        : >"$journal"
        status=0
        LXVST_PATH=$vst_folder LV2_PATH=$(dirname "$lv2_bundle") STEPVEIL_RECORDER_LOG=$journal \
            timeout "$session_timeout" "$lua_tool" "$here/ardour-session.lua" \
            "$work/$name/session" "$file" "$export_file" "$rate" "$tempo" "$numerator" \
            "$denominator" "$program" "$frames" "$export_preset" "${lv2_arguments[@]}" \
            >"$work/$name/ardour.log" 2>&1 || status=$?
        if [ "$status" -eq 0 ] && [ -s "$export_file" ]; then
            grep -v -e '^\[WARNING\]: Falling back' -e 'encoder is not available' \
                -e '^Butler drops' "$work/$name/ardour.log" | sed 's/^/  ardour: /'
            return 0
        fi
        echo "  Ardour attempt $attempt of $attempts ended with status $status; its output:"
        tail -n 20 "$work/$name/ardour.log" | sed 's/^/  | /'
    done
    return 1
}

# One case: reference render, Ardour session, audio checks.
run_case() {
    local name=$1 vst_folder=$2 file=$3 rate=$4 tempo=$5 numerator=$6 denominator=$7
    local program=$8 bars=$9 journal=${10:-/dev/null}
    local levels=${program_levels[$program]}
    # Whole bars, rounded down to whole samples.
    local frames
    frames=$(awk -v r="$rate" -v t="$tempo" -v n="$numerator" -v d="$denominator" -v b="$bars" \
        'BEGIN { printf "%d", b * n * 4 / d * r * 60 / t }')
    echo "--- $name: $rate Hz, $tempo bpm, $numerator/$denominator, program $program, $bars bars"
    mkdir -p "$work/$name"
    "$checker" constant --rate "$rate" --frames "$frames" --left "$input_left" \
        --right "$input_right" "$work/$name/input.wav"
    "$render_tool" render --plugin "$plugin_file" --program "$program" --tempo "$tempo" \
        --meter "$numerator/$denominator" --block 1024 "$work/$name/input.wav" \
        "$work/$name/reference.wav" >"$work/$name/render.log" 2>&1 ||
        { cat "$work/$name/render.log"; fail "$name: stepveil render failed"; }
    run_session "$name" "$vst_folder" "$file" "$rate" "$tempo" "$numerator" "$denominator" \
        "$program" "$frames" "$journal" || fail "$name: no clean Ardour run in $attempts attempts"
    local compare=("$checker" compare --export "$work/$name/export.wav"
        --reference "$work/$name/reference.wav" --tempo "$tempo"
        --meter "$numerator/$denominator" --left "$input_left" --right "$input_right")
    local other=0
    [ "$program" -eq 0 ] && other=8
    check_render "$name: Ardour's export" "$levels" "${program_levels[$other]}" "${compare[@]}"
}

# What Ardour sent, from the recording plug-in's journal.
summarise_journal() {
    local journal=$1
    summarise_calls "$journal"
    awk '$1 == "processReplacing" || $1 == "process" { blocks[$1 " " $2]++ }
        $1 == "setParameter" { set++ } $1 == "getParameter" { got++ }
        END {
            for (b in blocks) printf "  %s: %d blocks\n", b, blocks[b]
            printf "  setParameter: %d calls, getParameter: %d calls\n", set, got
        }' "$journal"
    awk '$1 == "time" {
            for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
            requests++
            if (v["playing"] == 1) playing++
            if (v["playing"] == 1 && shown < 3) { print "  while playing: " $0; shown++ }
            if (v["playing"] == 0 && stopped_shown < 1) { print "  while stopped: " $0; stopped_shown++ }
            exact = v["samplePos"] * v["tempo"] / (60 * v["sampleRate"])
            error = (v["ppqPos"] - exact) * 1920
            if (error < 0) error = -error
            if (error > largest) largest = error
            ticks = v["ppqPos"] * 1920
            off = ticks - int(ticks + 0.5)
            if (off < 0) off = -off
            if (off > 1e-6) unrounded++
        }
        END {
            printf "  time requests: %d (%d while playing); ppqPos off a whole 1/1920 tick in %d;\n", requests, playing, unrounded
            printf "  ppqPos differs from samplePos by up to %.3f ticks of 1/1920 quarter note\n", largest
        }' "$journal"
}

# A factory program's name as the VST 2 file gives it: the label of its LV2 preset.
program_label() {
    "$render_tool" info --plugin "$plugin_file" | awk -v program="$1" '
        /^Programs/ { inside = 1; next } inside && $1 == program {
            name = substr($0, 7, 24); sub(/ +$/, "", name); print name; exit }'
}

echo "Ardour: $("$lua_tool" --version 2>/dev/null | head -n 1 || echo unknown version)"
if [ "$kind" = lv2 ]; then
    run_case "lv2-4-4" "$direct_folder" "$plugin_file" 48000 120 4 4 8 4
    run_case "lv2-3-4" "$direct_folder" "$plugin_file" 44100 90 3 4 0 4
    echo "ardour LV2 test passed"
    exit 0
fi
run_case "case-3-4" "$direct_folder" "$plugin_file" 48000 100 3 4 8 4
run_case "case-7-8" "$direct_folder" "$plugin_file" 44100 132 7 8 0 4
run_case "recorded" "$recorder_folder" "$recorder_folder/StepveilRecorder.so" 48000 100 3 4 8 4 \
    "$work/recorded-journal.txt"

echo "--- what Ardour sent (journal: $work/recorded-journal.txt)"
summarise_journal "$work/recorded-journal.txt"
echo "--- what Ardour's scanner asked"
awk '$1 == "dispatcher" { printf "  %s\n", $2 }' "$work/scan-journal.txt" | uniq -c
echo "ardour test passed"
