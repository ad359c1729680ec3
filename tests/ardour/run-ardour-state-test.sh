#!/usr/bin/env bash
# What survives saving a song in a real host and opening it again in a new process: Ardour,
# headless through its Lua session tool (ardour-state.lua). A session is saved with a pattern
# of the user's own in "User 5", a renamed program and the current program edited; a new
# Ardour process opens it and finds all three. A second session is saved while the plug-in's
# chunk flag is hidden (the recording plug-in), so that Ardour keeps only the parameters, as it
# does for plug-ins without chunks and did for this one before; opened with the plug-in as it
# is now, its parameters must still come back.
#
# Usage: run-ardour-state-test.sh BUILD_DIR [WORK_DIR]
#   BUILD_DIR  a Linux build with the targets stepveil_plugin and stepveil_recorder
#   WORK_DIR   scratch folder, emptied first (default BUILD_DIR/ardour-state-test)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
test_name="ardour state test"
# shellcheck source=tests/ardour/ardour-common.sh
source "$here/ardour-common.sh"
build=$(cd "${1:?usage: run-ardour-state-test.sh BUILD_DIR [WORK_DIR]}" && pwd)
work=${2:-$build/ardour-state-test}

plugin_built=$build/plugin/Stepveil.so
recorder_built=$build/tests/ardour/StepveilRecorder.so
require_files "build the target ardour_test_parts first" "$plugin_built" "$recorder_built"
# A session that saves and opens rarely takes more than a few seconds; this bounds a hung one.
session_timeout=120
# Ardour 7.3 may crash on its own (see run-ardour-test.sh); a run it ends abnormally is tried
# again. A failed check is never retried: the script says so on stderr (Ardour may then crash
# on its way out, so the exit status does not tell).
attempts=3

find_ardour_programs
rm -rf "$work"
mkdir -p "$work"
prepare_ardour_home "$work"
direct_folder=$work/vst-direct
recorder_folder=$work/vst-recorder
install_plugin "$plugin_built" "$direct_folder"
export STEPVEIL_RECORDER_TARGET=$direct_folder/Stepveil.so
STEPVEIL_RECORDER_LOG=/dev/null install_plugin "$recorder_built" "$recorder_folder"
recorder_file=$recorder_folder/StepveilRecorder.so

# run_lua LOG VST_FOLDER JOURNAL ARGUMENTS...: one Ardour process.
run_lua() {
    local log=$1 folder=$2 journal=$3 attempt status
    shift 3
    for ((attempt = 1; attempt <= attempts; attempt++)); do
        status=0
        : >"$journal"
        LXVST_PATH=$folder STEPVEIL_RECORDER_LOG=$journal timeout "$session_timeout" \
            "$lua_tool" "$here/ardour-state.lua" "$@" >"$log" 2>&1 || status=$?
        grep -v -e '^\[WARNING\]' -e '^Butler drops' -e 'direct dispatch of call slot' "$log" |
            sed 's/^/  /'
        if grep -q '^ardour-state.lua: ' "$log"; then
            fail "$1 $2: $(grep '^ardour-state.lua: ' "$log" | head -n 1)"
        fi
        [ "$status" -eq 0 ] && return 0
        echo "  Ardour attempt $attempt of $attempts ended with status $status"
    done
    fail "$*: no clean Ardour run in $attempts attempts"
}

# journal_answers JOURNAL OPCODE: the answers the plug-in gave to that opcode, in order.
journal_answers() {
    awk -v opcode="$2" '$1 == "dispatcher" && index($2, opcode "(") == 1 {
        for (i = 1; i <= NF; i++) if ($i == "->") printf "%s ", $(i + 1) }' "$1"
}

echo "--- a session with the chunk: saved, then opened in a new Ardour process"
STEPVEIL_RECORDER_RENAME="23=My Stutter" run_lua "$work/save.log" "$recorder_folder" \
    "$work/save-journal.txt" save "$work/chunk-session" "$recorder_file"
grep -q 'renamed program 23' "$work/save-journal.txt" || fail "program 23 was never renamed"
[ -n "$(journal_answers "$work/save-journal.txt" effGetChunk)" ] ||
    fail "Ardour saved the session without asking for the chunk"
run_lua "$work/check.log" "$recorder_folder" "$work/check-journal.txt" \
    check "$work/chunk-session" everything
answers=$(journal_answers "$work/check-journal.txt" effSetChunk)
echo "  effSetChunk answered: $answers"
[[ "$answers" == 1* ]] || fail "the reopened session did not hand the plug-in its chunk"

echo "--- a session of parameters only: saved without the chunk flag, opened with it"
STEPVEIL_RECORDER_HIDE_CHUNKS=1 run_lua "$work/save-parameters.log" "$recorder_folder" \
    "$work/save-parameters-journal.txt" save "$work/parameter-session" "$recorder_file"
if grep -q '<chunk' "$work/parameter-session/stepveil-state.ardour"; then
    fail "the session saved without the chunk flag holds a chunk"
fi
run_lua "$work/check-parameters.log" "$direct_folder" /dev/null \
    check "$work/parameter-session" parameters
echo "ardour state test passed"
