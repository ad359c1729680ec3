#!/usr/bin/env bash
# Makes the packages a musician installs, into dist/:
#   stepveil_VERSION_amd64.deb     the Debian package (sudo apt install ./dist/stepveil_*.deb)
#   Stepveil-VERSION-windows.zip   both Windows DLLs, a text on where to put them, the licence
#
#   package.sh [deb] [zip]         (both when none is named)
#
# Builds what the packages hold first: the Linux build of scripts/stages/10-linux.sh (so the
# package holds the tested build; STEPVEIL_LINUX_BUILD names another folder) and the plug-in of
# both Windows builds (scripts/configure-windows.sh). The packages themselves are CPack's.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-2}
linux_build=${STEPVEIL_LINUX_BUILD:-build/linux}
dist=$root/dist

make_deb=0 make_zip=0
(($#)) || set -- deb zip
for kind in "$@"; do
    case "$kind" in
    deb) make_deb=1 ;;
    zip) make_zip=1 ;;
    *) echo "usage: $0 [deb] [zip]" >&2; exit 2 ;;
    esac
done

# cpack_into BUILD PATTERN: makes BUILD's package afresh and moves it into dist/, in place of
# any earlier file of the same kind, so that dist/ holds one package of each kind.
cpack_into() {
    local build=$1 pattern=$2 output=$1/packages
    rm -rf "$output"
    (cd "$build" && cpack -B "$PWD/packages") >"$build/cpack.log" 2>&1 || {
        cat "$build/cpack.log" >&2
        echo "package.sh: cpack failed in $build (log: $build/cpack.log)" >&2
        exit 1
    }
    # shellcheck disable=SC2206 # PATTERN is a glob
    local made=("$output"/$pattern)
    if [ "${#made[@]}" -ne 1 ] || [ ! -f "${made[0]}" ]; then
        echo "package.sh: expected one $pattern in $output, found: ${made[*]}" >&2
        exit 1
    fi
    mkdir -p "$dist"
    # shellcheck disable=SC2086 # PATTERN is a glob
    rm -f "$dist"/$pattern
    mv "${made[0]}" "$dist/"
    packages+=("dist/$(basename "${made[0]}")")
}

packages=()
if ((make_deb)); then
    # dpkg-shlibdeps declares the libraries the binaries link; help2man writes the manual page.
    for need in dpkg-shlibdeps:dpkg-dev help2man:help2man; do
        command -v "${need%%:*}" >/dev/null ||
            { echo "package.sh: ${need%%:*} is missing: apt-get install ${need#*:}" >&2; exit 1; }
    done
    printf '=== Linux build (%s)\n' "$linux_build"
    cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DSTEPVEIL_WERROR=ON >/dev/null
    nice -n 10 cmake --build "$linux_build" -j"$jobs"
    printf '=== Debian package\n'
    cpack_into "$linux_build" 'stepveil_*.deb'
fi
if ((make_zip)); then
    for windows in win32 win64; do
        printf '=== Windows build (build/%s)\n' "$windows"
        bash scripts/configure-windows.sh "$windows" >/dev/null
        nice -n 10 cmake --build "build/$windows" -j"$jobs" --target stepveil_plugin
    done
    printf '=== Windows zip\n'
    cpack_into build/win64 'Stepveil-*-windows.zip'
fi

printf '\nMade in %s:\n' "$dist"
printf '  %s\n' "${packages[@]}"
if ((make_deb)); then
    printf 'Install the plug-in and the tool with: sudo apt install ./%s\n' "${packages[0]}"
fi
