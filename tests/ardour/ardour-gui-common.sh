# Pieces shared by the drivers of the tests in Ardour's GUI (run-ardour-gui-test.sh for the VST 2
# file, run-ardour-lv2-gui-test.sh for the LV2 bundle), sourced by them after ardour-common.sh.
# The driver sets `here`, `work`, `tool` and `window_check` before using them.

# The X programs the GUI tests drive, and the display they drive them on.
require_gui_programs() {
    local program_name
    for program_name in ardour xdotool xwininfo; do
        command -v "$program_name" >/dev/null ||
            fail "$program_name not found (scripts/install-deps.sh)"
    done
    [ -n "${DISPLAY:-}" ] || fail "no X display: run under xvfb-run -a"
}

# The X programs, each bounded: a server that stops answering must not hang the test.
x_timeout=20
xdotool_bounded() { timeout "$x_timeout" xdotool "$@"; }
xwininfo_bounded() { timeout "$x_timeout" xwininfo "$@"; }
window_check_bounded() { timeout "$x_timeout" "$window_check" "$@"; }

# Bounds, none of them a judgement of speed: Ardour shows the editor in 2 to 5 s.
ardour_timeout=120   # one Ardour run, whatever happens
editor_wait=30       # from Ardour's start until it opens the editor (it takes 1 to 5 s)
settle_wait=15       # for a picture or a call the editor has been given reason to make
# Ardour 7.3 sometimes dies or hangs on its own (at start or teardown, with any plug-in); such
# a run is tried again, each failure printed. A check that fails is final.
attempts=3

# The session: program 0 ("Quick Move"); its fifth level, at full, is dragged to the bottom.
program=0
program_levels=(32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0 32 16 16 0
    32 16 16 0)
dragged=4
# The editor's geometry: 562 x 200 pixels; step k's slider is the 16-pixel column from
# x = 25 + 16 k; a full level's handle is centred on row 53, level 0's on row 129.
editor_size=562x200
drag_x=$((25 + 16 * dragged + 8))
drag_from_y=53
drag_to_y=190

# Ardour's configuration for its GUI: the dummy backend started without a dialog, and the
# first-run marker (without it a welcome dialog comes first). Empties WORK first.
prepare_ardour_gui_home() {
    local work=$1
    rm -rf "$work"
    mkdir -p "$work"
    prepare_ardour_home "$work"
    cp "$ardour_test_folder/ardour-gui-config.xml" "$ardour_config/config"
    touch "$ardour_config/.a7"
}

# The pictures the editor must show, drawn headless by the plug-in itself.
levels_text() {
    local IFS=,
    echo "$*"
}
after_levels=("${program_levels[@]}")
after_levels[dragged]=0
# Draws them into WORK/before.png and WORK/after.png with the VST 2 file given.
draw_editor_pictures() {
    local plugin=$1 picture
    for picture in before after; do
        local levels=()
        [ "$picture" = after ] && levels=(--levels "$(levels_text "${after_levels[@]}")")
        timeout 60 "$tool" snapshot --plugin "$plugin" --program "$program" "${levels[@]}" \
            "$work/$picture.png" >/dev/null || fail "stepveil snapshot failed"
    done
}

ardour_pid=
stop_ardour() {
    if [ -n "$ardour_pid" ]; then
        kill -TERM "$ardour_pid" 2>/dev/null || true
        wait "$ardour_pid" 2>/dev/null || true
        ardour_pid=
    fi
}
trap stop_ardour EXIT

# Compares the editor's window with a picture until they are equal (the editor paints at its
# next idle); prints the last comparison and keeps the captures when they never are.
wait_for_picture() {
    local window=$1 expected=$2 name=$3 tries
    for ((tries = 0; tries < settle_wait * 5; tries++)); do
        if window_check_bounded compare "$window" "$expected" >"$work/$name-compare.txt" 2>&1; then
            sed 's/^/  /' "$work/$name-compare.txt"
            return 0
        fi
        sleep 0.2
    done
    window_check_bounded compare "$window" "$expected" "$work/$name-difference.png" 2>&1 | sed 's/^/  /'
    window_check_bounded capture "$window" "$work/$name-shown.png" 2>/dev/null || true
    return 1
}

show_windows() {
    echo "  windows on the display:"
    xwininfo_bounded -root -tree | grep -E '^ +0x' | grep -v ' 1x1+' | sed 's/^/  | /'
}

# The editor shows the first picture and not the second: the comparison is known to be able to
# fail. Raises Ardour's plug-in window first, so that nothing of Ardour's covers the editor.
editor_shows_first_picture() {
    local editor=$1 plugin_window=$2 what=$3
    xdotool_bounded windowraise "$plugin_window"
    echo "  its pixels against the headless picture of $what:"
    wait_for_picture "$editor" "$work/before.png" before || return 1
    if window_check_bounded compare "$editor" "$work/after.png" >/dev/null 2>&1; then
        echo "  the editor also matches the picture with level $((dragged + 1)) at 0"
        return 1
    fi
}

# Runs the driver's run_gui_session up to `attempts` times (it returns 0 when every check
# passed, 1 when a check failed, anything else when Ardour itself failed). A run Ardour ends on
# its own is tried again, with the last lines of its output; a failed check is final. Returns 0
# or 1 as the last run did; ends the test when Ardour failed every time.
run_gui_attempts() {
    local what=$1 attempt status
    echo "Ardour: $("$lua_tool" --version 2>/dev/null | head -n 1 || echo unknown version)"
    for ((attempt = 1; attempt <= attempts; attempt++)); do
        echo "--- Ardour's GUI, attempt $attempt of $attempts"
        editor=
        plugin_window=
        status=0
        run_gui_session "$attempt" || status=$?
        stop_ardour
        [ "$status" -eq 0 ] && return 0
        echo "  Ardour's output (last lines):"
        grep -v -e '^Ardour: \[INFO\]' "$work/ardour-$attempt.log" | tail -n 15 | sed 's/^/  | /'
        [ "$status" -eq 1 ] && return 1
    done
    fail "Ardour did not show $what in $attempts attempts"
}
