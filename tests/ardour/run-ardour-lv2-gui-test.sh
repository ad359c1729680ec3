#!/usr/bin/env bash
# The LV2 editor in a real third-party host's window: Ardour's GUI loads a session whose LV2
# plug-in's editor was left open and shows the editor (an X11 UI, embedded through suil) in its
# plug-in window. The test finds the editor's X window there, checks that the X server shows
# exactly the picture `stepveil snapshot` draws headless for the same levels, drags a slider
# down with real pointer input (xdotool), checks the new picture, and has Ardour save the
# session (its keyboard shortcut), in which the step's port must hold the new level: Ardour
# took the value from the editor.
#
# Usage: run-ardour-lv2-gui-test.sh BUILD_DIR [WORK_DIR]   (on an X display: under xvfb-run -a)
#   BUILD_DIR  a Linux build with the targets of ardour_test_parts and stepveil_lv2_bundle
#   WORK_DIR   scratch folder, emptied first (default BUILD_DIR/ardour-lv2-gui-test)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
test_name="ardour LV2 GUI test"
# shellcheck source=tests/ardour/ardour-common.sh
source "$here/ardour-common.sh"
build=$(cd "${1:?usage: run-ardour-lv2-gui-test.sh BUILD_DIR [WORK_DIR]}" && pwd)
work=${2:-$build/ardour-lv2-gui-test}

plugin_built=$build/plugin/Stepveil.so
tool=$build/tools/stepveil
window_check=$build/tests/ardour/ardour_window_check
bundle=$build/lv2/bundles/Stepveil.lv2
uri=urn:ovrin-audio:stepveil
preset="Quick Move"

# shellcheck source=tests/ardour/ardour-gui-common.sh
source "$here/ardour-gui-common.sh"

require_files "build ardour_test_parts and stepveil_lv2_bundle first" \
    "$plugin_built" "$tool" "$window_check" "$bundle/manifest.ttl"
require_gui_programs
find_ardour_programs
prepare_ardour_gui_home "$work"
export LV2_PATH
LV2_PATH=$(dirname "$bundle")

# The pictures come from the VST 2 file's editor: the LV2 editor is the same code.
draw_editor_pictures "$plugin_built"

echo "--- session: the LV2 plug-in with its preset \"$preset\", editor marked open"
# Ardour's Lua tool sometimes crashes as it tears down (as its exports do): a run counts only
# when it ends cleanly, and it is tried up to `attempts` times.
for ((attempt = 1; ; attempt++)); do
    rm -rf "$work/made-session"
    timeout 120 "$lua_tool" "$here/ardour-session.lua" "$work/made-session" "$uri" open-editor \
        48000 120 4 4 "$preset" 48000 - lv2 >"$work/session.log" 2>&1 && break
    tail -n 20 "$work/session.log"
    ((attempt < attempts)) || fail "the session could not be made in $attempts attempts"
    echo "  Ardour's Lua tool failed (attempt $attempt of $attempts); again"
done
grep -E '^(plug-in|program|saved)' "$work/session.log" | sed 's/^/  /'
session_file=$work/session/stepveil-test.ardour

# The value Ardour keeps for the dragged step's port in a session file.
level_in_session() {
    sed -n "s/.*<Port symbol=\"level_$((dragged + 1))\" value=\"\([^\"]*\)\".*/\1/p" "$1" | head -n 1
}
[ "$(level_in_session "$work/made-session/stepveil-test.ardour")" = 1 ] ||
    fail "the session does not start with level $((dragged + 1)) at full"

# Ardour's plug-in window for an LV2 plug-in, and in it the editor: the innermost window of the
# editor's size, viewable, the one child of the window the host gave it. Sets `plugin_window`
# and `editor`.
find_plugin_window() {
    plugin_window=$(xdotool_bounded search --onlyvisible --name '\[LV2\]$' 2>/dev/null | head -n 1 || true)
    [ -n "$plugin_window" ] && plugin_window=$(printf '0x%x' "$plugin_window")
}
find_editor() {
    editor=$(xwininfo_bounded -tree -id "$plugin_window" | awk -v size=" $editor_size+0+0 " \
        'index($0, size) { window = $1 } END { print window }')
    [ -n "$editor" ] || return 1
    xwininfo_bounded -id "$editor" | grep -q 'Map State: IsViewable' || return 1
    local parent
    parent=$(xwininfo_bounded -tree -id "$editor" | awk '/Parent window id:/ { print $4 }')
    [ "$(xwininfo_bounded -children -id "$parent" | grep -cE '^ +0x[0-9a-f]+ ')" -eq 1 ]
}

# One Ardour run. Status 0: every check passed; 1: a check failed; 2: Ardour failed on its own.
run_gui_session() {
    local attempt=$1 tries
    rm -rf "$work/session"
    cp -r "$work/made-session" "$work/session"
    timeout -k 5 "$ardour_timeout" ardour -n "$session_file" >"$work/ardour-$attempt.log" 2>&1 &
    ardour_pid=$!
    for ((tries = 0; tries < editor_wait * 5; tries++)); do
        find_plugin_window && find_editor && break
        if ! kill -0 "$ardour_pid" 2>/dev/null; then
            echo "  Ardour ended before it showed the editor"
            return 2
        fi
        editor=
        sleep 0.2
    done
    if [ -z "$editor" ]; then
        echo "  Ardour did not show a $editor_size editor in an LV2 plug-in window in ${editor_wait} s"
        show_windows
        return 2
    fi
    echo "  the editor is window $editor ($editor_size) inside Ardour's plug-in window $plugin_window"
    editor_shows_first_picture "$editor" "$plugin_window" "\"$preset\"" || return 1

    echo "  dragging level $((dragged + 1)) from its top to below its slider with xdotool"
    xdotool_bounded mousemove --window "$editor" "$drag_x" "$drag_from_y" mousedown 1
    sleep 0.2
    local y
    for ((y = drag_from_y + 20; y <= drag_to_y; y += 20)); do
        xdotool_bounded mousemove --window "$editor" "$drag_x" "$y"
        sleep 0.1
    done
    xdotool_bounded mouseup 1
    echo "  its pixels against the headless picture with level $((dragged + 1)) at 0:"
    wait_for_picture "$editor" "$work/after.png" after || return 1

    # Ardour's own shortcut for saving, typed with the pointer over its plug-in window's
    # controls (above the editor).
    echo "  saving the session with control+s"
    local saved
    for ((tries = 0; tries < settle_wait; tries++)); do
        xdotool_bounded mousemove --window "$plugin_window" 20 10 key ctrl+s
        sleep 1
        saved=$(level_in_session "$session_file")
        [ "$saved" = 0 ] && break
    done
    if [ "$saved" != 0 ]; then
        echo "  Ardour's saved session holds level $((dragged + 1)) = ${saved:-nothing}, not 0"
        return 1
    fi
    echo "  Ardour took the new value: its session holds level $((dragged + 1)) = 0"
    return 0
}

run_gui_attempts "the LV2 editor" || fail "the LV2 editor in Ardour's window failed a check"
echo "ardour LV2 GUI test passed"
