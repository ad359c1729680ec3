#!/usr/bin/env bash
# The editor in a real third-party host's window: Ardour's GUI loads a session in which the
# plug-in's editor was left open, on the "None (Dummy)" audio backend, and shows the editor in
# its plug-in window. The test finds the editor's X window inside that window, checks that the
# X server shows exactly the picture `stepveil snapshot` draws headless for the same levels,
# drags a slider down with real pointer input (xdotool), and checks what the editor told the
# host (begin edit, automation, end edit, for that level only) and that the picture now shows
# the new level, again pixel for pixel. The plug-in runs inside the recording plug-in, whose
# journal also tells what Ardour's GUI sends the editor and from which threads, summarised at
# the end.
#
# Usage: run-ardour-gui-test.sh BUILD_DIR [WORK_DIR]   (on an X display: under xvfb-run -a)
#   BUILD_DIR  a Linux build with the targets of ardour_test_parts
#   WORK_DIR   scratch folder, emptied first (default BUILD_DIR/ardour-gui-test)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
test_name="ardour GUI test"
# shellcheck source=tests/ardour/ardour-common.sh
source "$here/ardour-common.sh"
build=$(cd "${1:?usage: run-ardour-gui-test.sh BUILD_DIR [WORK_DIR]}" && pwd)
work=${2:-$build/ardour-gui-test}

plugin_built=$build/plugin/Stepveil.so
tool=$build/tools/stepveil
recorder_built=$build/tests/ardour/StepveilRecorder.so
window_check=$build/tests/ardour/ardour_window_check

# shellcheck source=tests/ardour/ardour-gui-common.sh
source "$here/ardour-gui-common.sh"

require_files "build the target ardour_test_parts first" \
    "$plugin_built" "$tool" "$recorder_built" "$window_check"
require_gui_programs
find_ardour_programs

prepare_ardour_gui_home "$work"

# The plug-in inside the recording plug-in, both registered in Ardour's cache.
install_plugin "$plugin_built" "$work/vst-plugin"
export STEPVEIL_RECORDER_TARGET=$work/vst-plugin/Stepveil.so
recorder_folder=$work/vst-recorder
STEPVEIL_RECORDER_LOG=$work/scan-journal.txt install_plugin "$recorder_built" "$recorder_folder"

draw_editor_pictures "$STEPVEIL_RECORDER_TARGET"

# The session, made headless by the same script as the audio test's, with the editor open.
echo "--- session: program $program through the recording plug-in, editor marked open"
LXVST_PATH=$recorder_folder timeout 120 "$lua_tool" "$here/ardour-session.lua" \
    "$work/made-session" "$recorder_folder/StepveilRecorder.so" open-editor 48000 120 4 4 \
    "$program" 48000 - >"$work/session.log" 2>&1 ||
    { tail -n 20 "$work/session.log"; fail "the session could not be made"; }
grep -E '^(plug-in|saved)' "$work/session.log" | sed 's/^/  /'

journal=$work/journal.txt
# Whether the journal has a line that matches an extended regular expression.
journal_has() {
    grep -Eq "$1" "$journal"
}
# Waits until the journal has such a line; false after settle_wait seconds.
wait_for_journal() {
    local pattern=$1 tries
    for ((tries = 0; tries < settle_wait * 10; tries++)); do
        journal_has "$pattern" && return 0
        sleep 0.1
    done
    return 1
}
# Ardour's part: its plug-in window is shown and it has sent effEditOpen. Sets
# `plugin_window` and `host_parent` (the window given to effEditOpen).
find_plugin_window() {
    host_parent=$(awk '$2 == "effEditOpen(14)" {
            for (i = 3; i <= NF; i++) if ($i ~ /^ptr=/) parent = substr($i, 5) }
        END { print parent }' "$journal")
    [ -n "$host_parent" ] || return 1
    plugin_window=$(xdotool_bounded search --onlyvisible --name '\[VST\]$' 2>/dev/null | head -n 1 || true)
    [ -n "$plugin_window" ] || return 1
    plugin_window=$(printf '0x%x' "$plugin_window")
}

# The plug-in's part: its editor is the one child of the window Ardour gave effEditOpen,
# 562 x 200 at 0,0, viewable, inside Ardour's plug-in window. Sets `editor`.
find_editor() {
    local children
    children=$(xwininfo_bounded -children -id "$host_parent" 2>/dev/null | grep -E '^ +0x[0-9a-f]+ ' || true)
    [ "$(grep -c . <<<"$children")" -eq 1 ] || return 1
    grep -q " $editor_size+0+0 " <<<"$children" || return 1
    editor=$(awk '{ print $1 }' <<<"$children")
    xwininfo_bounded -tree -id "$plugin_window" | grep -q "^ *$editor " || return 1
    xwininfo_bounded -id "$editor" | grep -q 'Map State: IsViewable'
}

# One Ardour run. Status 0: every check passed; 1: a check failed; 2: Ardour failed on its own.
run_gui_session() {
    local attempt=$1
    rm -rf "$work/session"
    cp -r "$work/made-session" "$work/session"
    : >"$journal"
    LXVST_PATH=$recorder_folder STEPVEIL_RECORDER_LOG=$journal \
        timeout -k 5 "$ardour_timeout" ardour -n "$work/session/stepveil-test.ardour" \
        >"$work/ardour-$attempt.log" 2>&1 &
    ardour_pid=$!

    local tries
    for ((tries = 0; tries < editor_wait * 5; tries++)); do
        find_plugin_window && break
        if ! kill -0 "$ardour_pid" 2>/dev/null; then
            echo "  Ardour ended before it opened the editor"
            return 2
        fi
        sleep 0.2
    done
    if [ -z "$plugin_window" ]; then
        echo "  Ardour did not open the editor in its plug-in window in ${editor_wait} s"
        show_windows
        return 2
    fi
    for ((tries = 0; tries < settle_wait * 5; tries++)); do
        find_editor && break
        editor=
        sleep 0.2
    done
    if [ -z "$editor" ]; then
        echo "  Ardour opened the editor in window $host_parent, but no $editor_size window of"
        echo "  the editor's is shown in it"
        show_windows
        return 1
    fi
    echo "  the editor is window $editor ($editor_size), in Ardour's window $host_parent inside its"
    echo "  plug-in window $plugin_window"
    editor_shows_first_picture "$editor" "$plugin_window" "program $program" || return 1

    echo "  dragging level $((dragged + 1)) from its top to below its slider with xdotool"
    xdotool_bounded mousemove --window "$editor" "$drag_x" "$drag_from_y" mousedown 1
    if ! wait_for_journal "^host audioMasterBeginEdit\(43\) index=$dragged "; then
        xdotool_bounded mouseup 1
        echo "  the editor did not begin an edit of level $((dragged + 1))"
        return 1
    fi
    local y
    for ((y = drag_from_y + 20; y < drag_to_y; y += 20)); do
        xdotool_bounded mousemove --window "$editor" "$drag_x" "$y"
        sleep 0.05
    done
    xdotool_bounded mousemove --window "$editor" "$drag_x" "$drag_to_y"
    wait_for_journal "^host audioMasterAutomate\(0\) index=$dragged value=0 opt=0 " || true
    xdotool_bounded mouseup 1
    if ! wait_for_journal "^host audioMasterEndEdit\(44\) index=$dragged "; then
        echo "  the editor did not end its edit"
        return 1
    fi
    check_edit_calls || return 1

    echo "  its pixels against the headless picture with level $((dragged + 1)) at 0:"
    wait_for_picture "$editor" "$work/after.png" after || return 1

    stop_ardour
    if journal_has '^dispatcher effEditClose\('; then
        echo "  Ardour sent effEditClose when it was ended"
    else
        echo "  Ardour sent no effEditClose when it was ended (as expected of a killed host)"
    fi
    return 0
}

# The calls the drag made: begin edit, automation, end edit, in that order, all of the dragged
# level; the automated values fall and end at 0.
check_edit_calls() {
    awk -v step="$dragged" '
        function complain(text) {
            print "  " text
            bad = 1
        }
        $1 == "host" && $2 ~ /^audioMaster(BeginEdit|Automate|EndEdit)\(/ {
            split($3, field, "=")
            if (field[2] != step) complain("a call for level " field[2] + 1 ": " $0)
            name = $2
            sub(/\(.*/, "", name)
            if (name == "audioMasterBeginEdit") {
                if (state != "") complain("begin edit out of order: " $0)
                state = "begun"
            } else if (name == "audioMasterAutomate") {
                if (state != "begun") complain("automation outside the edit: " $0)
                split($5, field, "=")
                value = field[2] + 0
                if (count > 0 && value > last) complain("the level rose during a downward drag: " $0)
                last = value
                count++
            } else {
                if (state != "begun") complain("end edit out of order: " $0)
                state = "ended"
            }
        }
        END {
            if (count == 0) complain("no automation")
            else if (last != 0) complain("the last automated value is " last ", not 0")
            if (state != "ended") complain("no end edit after the automation")
            if (!bad) {
                printf "  the host heard begin edit, %d automations falling to 0, end edit,", count
                printf " all of level %d\n", step + 1
            }
            exit bad
        }' "$journal"
}

# What Ardour's GUI sent the editor, from which threads, and how often it idled.
summarise_journal() {
    echo "  calls in order of first use, by thread (count):"
    awk '$1 == "dispatcher" || $1 == "host" || $1 ~ /^process/ || $1 ~ /Parameter$/ {
            call = ($1 == "dispatcher" || $1 == "host") ? $2 : $1
            thread = "?"
            for (i = 3; i <= NF; i++) if ($i ~ /^thread=/) thread = substr($i, 8)
            key = call " on " thread
            if (!(key in count)) order[++n] = key
            count[key]++
        }
        END { for (i = 1; i <= n; i++) printf "    %s x%d\n", order[i], count[order[i]] }' "$journal"
    grep -E '^dispatcher (effEditOpen|effEditGetRect)\(' "$journal" | head -n 4 | sed 's/^/  /'
    awk '$2 ~ /^effEditIdle\(/ {
            for (i = 3; i <= NF; i++) if ($i ~ /^t=/) t = substr($i, 3) + 0
            if (idles == 0) first = t
            last = t; idles++
        }
        END {
            if (idles > 1) {
                printf "  effEditIdle: %d calls in %.2f s, %.1f a second\n", idles, last - first,
                    (idles - 1) / (last - first)
            }
        }' "$journal"
}

if run_gui_attempts "the editor"; then
    echo "--- what Ardour's GUI sent (journal: $journal)"
    summarise_journal
    echo "ardour GUI test passed"
    exit 0
fi
echo "--- journal: $journal"
summarise_journal
fail "the editor in Ardour's window failed a check"
