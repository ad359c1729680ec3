# Pieces shared by the drivers of the Ardour tests (run-ardour-*-test.sh),
# sourced by them. Each driver sets `test_name` (for messages) before sourcing.

ardour_test_folder=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

fail() {
    echo "${test_name:-ardour test}: $*" >&2
    exit 1
}

# Ends the test unless every file named exists; HINT says which build targets make them.
require_files() {
    local hint=$1 file
    shift
    for file in "$@"; do
        [ -e "$file" ] || fail "missing $file ($hint)"
    done
}

# Ardour's programs: the Lua session tool on PATH, and the plug-in scanner, which is not on
# PATH but in Ardour's library folder and needs that folder's libraries.
find_ardour_programs() {
    lua_tool=$(command -v ardour7-lua || true)
    [ -n "$lua_tool" ] || fail "ardour7-lua not found: install Debian's ardour package"
    scanner=$(dpkg -L ardour 2>/dev/null | grep '/ardour-vst-scanner$' | head -n 1 || true)
    [ -x "$scanner" ] || fail "Ardour's ardour-vst-scanner not found"
    ardour_libraries=$(dirname "$scanner")
}

# Ardour keeps its configuration and plug-in cache in the user's folders: give it its own
# inside WORK, with the session's Lua generator installed.
prepare_ardour_home() {
    local work=$1
    export HOME=$work/home
    export XDG_CONFIG_HOME=$HOME/config XDG_CACHE_HOME=$HOME/cache XDG_DATA_HOME=$HOME/data
    ardour_config=$XDG_CONFIG_HOME/ardour7
    mkdir -p "$ardour_config/scripts" "$ardour_config/export"
    cp "$ardour_test_folder/constant-level-source.lua" "$ardour_config/scripts/"
}

# Puts a plug-in file into a folder of its own and registers it in Ardour's cache.
# Ardour compares the file's time with the cache's to whole seconds and treats a file made in
# the cache's second as changed, so the copy is dated into the past before it is scanned.
install_plugin() {
    local source=$1 folder=$2
    mkdir -p "$folder"
    cp "$source" "$folder/"
    local file=$folder/$(basename "$source")
    touch -d '2 minutes ago' "$file"
    if ! LD_LIBRARY_PATH=$ardour_libraries${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} \
        timeout 60 "$scanner" -f -q "$file"; then
        fail "Ardour's scanner rejected $file"
    fi
}
