#!/usr/bin/env bash
# Runs a Windows test program under Wine for CTest (CMAKE_CROSSCOMPILING_EMULATOR).
#
#   wine-run.sh --prefix DIR [--arch win32|win64] program.exe [arguments...]
#
# The Wine prefix DIR belongs to the build folder and is made on first use: initialised once,
# with Wine's null graphics driver so that no display is needed. --arch win32 makes it a 32-bit
# prefix, in which 32-bit programs run as on 32-bit Windows rather than beside 64-bit ones.
# Wine's output goes to files, not pipes: its server outlives the program and would keep a
# pipe, and so CTest, waiting. The files are printed afterwards and the program's exit status
# is returned.
set -uo pipefail

usage() {
    echo "usage: $0 --prefix WINEPREFIX [--arch win32|win64] program.exe [arguments...]" >&2
    exit 2
}
if [ "${1:-}" != "--prefix" ] || [ $# -lt 3 ]; then
    usage
fi
prefix=$2
shift 2
if [ "$1" = "--arch" ]; then
    case "${2:-}" in
    win32 | win64) export WINEARCH=$2 ;;
    *) usage ;;
    esac
    shift 2
    [ $# -ge 1 ] || usage
fi

export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no offers to install Mono or Gecko
seconds=${STEPVEIL_WINE_TIMEOUT:-600}
wine_command=${STEPVEIL_WINE:-wine}

mkdir -p "$prefix"
logs=$(mktemp -d "${prefix%/}.run.XXXXXX")
trap 'rm -rf "$logs"' EXIT

initialise_prefix() {
    # Everything before the test's own server: the prefix, then the graphics driver setting,
    # then waiting until that server has gone, so the next one reads the setting at start.
    timeout "$seconds" "$wine_command" wineboot -i >"$logs/init.out" 2>&1 &&
        timeout "$seconds" "$wine_command" reg add 'HKCU\Software\Wine\Drivers' \
            /v Graphics /d null /f >>"$logs/init.out" 2>&1 &&
        timeout "$seconds" wineserver -w >>"$logs/init.out" 2>&1
}

# One initialisation per prefix, also when several tests start at once.
(
    flock 9
    if [ ! -e "$prefix/.stepveil-ready" ]; then
        if ! initialise_prefix; then
            echo "wine-run: could not initialise the Wine prefix $prefix" >&2
            cat "$logs/init.out" >&2
            exit 1
        fi
        touch "$prefix/.stepveil-ready"
    fi
) 9>"$prefix.lock" || exit 1

timeout "$seconds" "$wine_command" "$@" >"$logs/stdout" 2>"$logs/stderr" </dev/null
status=$?
cat "$logs/stdout"
cat "$logs/stderr" >&2
if [ "$status" -eq 124 ]; then
    echo "wine-run: $1 did not finish within $seconds seconds" >&2
fi
exit "$status"
