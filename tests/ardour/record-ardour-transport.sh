#!/usr/bin/env bash
# Records what Ardour tells a plug-in while its transport stands, starts, stops, relocates and
# loops: a session plays in real time on the dummy backend (ardour-session.lua in its
# "transport" mode) with the plug-in inside the recording plug-in, whose journal is left in
# WORK_DIR/journal.txt, with a listing of its blocks in WORK_DIR/blocks.txt. The host-level
# tests replay a cut of such a journal, tests/integration/ArdourTransportRecord.h, which
# journal-to-records.awk makes from the blocks chosen (WORK_DIR/ArdourTransportRecord.h).
# The session runs in real time, so each run's blocks fall differently: choose them anew
# from the listing.
#
# Usage: record-ardour-transport.sh BUILD_DIR [WORK_DIR [BLOCKS]]
#   BUILD_DIR  a Linux build with stepveil_plugin and stepveil_recorder (ardour_test_parts)
#   WORK_DIR   scratch folder, emptied first (default BUILD_DIR/ardour-transport)
#   BLOCKS     the blocks to keep, by number in the listing: ranges such as 96-104,124-142
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
test_name="ardour transport recording"
# shellcheck source=tests/ardour/ardour-common.sh
source "$here/ardour-common.sh"
build=$(cd "${1:?usage: record-ardour-transport.sh BUILD_DIR [WORK_DIR]}" && pwd)
work=${2:-$build/ardour-transport}
blocks=${3:-1-20}
rate=48000 tempo=120 numerator=4 denominator=4 program=8

find_ardour_programs
rm -rf "$work"
mkdir -p "$work"
prepare_ardour_home "$work"
install_plugin "$build/plugin/Stepveil.so" "$work/vst-direct"
export STEPVEIL_RECORDER_TARGET=$work/vst-direct/Stepveil.so
STEPVEIL_RECORDER_LOG=/dev/null install_plugin "$build/tests/ardour/StepveilRecorder.so" \
    "$work/vst-recorder"
bar=$((rate * 60 * numerator * 4 / denominator / tempo))
# Ardour 7.3 at times hangs while it closes the session; once the moves are done the journal
# is complete, so the tool is given a few seconds to end and is then ended.
LXVST_PATH=$work/vst-recorder STEPVEIL_RECORDER_LOG=$work/journal.txt timeout 120 \
    "$lua_tool" "$here/ardour-session.lua" "$work/session" "$work/vst-recorder/StepveilRecorder.so" \
    transport "$rate" "$tempo" "$numerator" "$denominator" "$program" "$bar" none \
    >"$work/ardour.log" 2>&1 &
session=$!
for ((waited = 0; waited < 120; waited++)); do
    grep -q '^transport moves done' "$work/ardour.log" && break
    kill -0 "$session" 2>/dev/null || break
    sleep 1
done
for ((waited = 0; waited < 10; waited++)); do
    kill -0 "$session" 2>/dev/null || break
    sleep 1
done
kill "$session" 2>/dev/null || true
wait "$session" || true
grep -v -e '^\[WARNING\]: Falling back' -e '^Butler drops' "$work/ardour.log"
grep -q '^transport moves done' "$work/ardour.log" || fail "the session did not play its moves"
awk '$1 == "processReplacing" { frames = $2 } $1 == "time" && frames != "" {
        printf "%5d %s %s %s %s\n", ++n, frames, $3, $5, $9; frames = "" }' \
    "$work/journal.txt" >"$work/blocks.txt"
awk -v blocks="$blocks" -f "$here/journal-to-records.awk" "$work/journal.txt" \
    >"$work/ArdourTransportRecord.h"
echo "journal: $work/journal.txt; its $(wc -l <"$work/blocks.txt") blocks: $work/blocks.txt"
echo "blocks $blocks as test data: $work/ArdourTransportRecord.h"
