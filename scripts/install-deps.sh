#!/usr/bin/env bash
# Installs the Debian packages of one purpose, only those that are missing:
#
#   install-deps.sh demo                what the demo builds and runs with (scripts/demo.sh)
#   install-deps.sh test                that, what every stage needs, and what some stages can
#                                       do without (the 32-bit packages, the benchmark's peers)
#   install-deps.sh --list GROUP...     the packages of the groups, one a line
#   install-deps.sh --missing GROUP...  those of them not installed, one a line
#
# The package registry has bad moments: an index caught in the middle of a mirror's sync, a
# download cut off. Installs are tried STEPVEIL_APT_TRIES times (3), STEPVEIL_APT_PAUSE
# seconds apart (10), each time after updating the package lists. An index that fails to
# download does not stop the set-up: apt goes on with the lists it has, and only packages
# that then cannot be installed do. The optional groups are installed on their own: where
# they cannot be, one line says so and the stages that need them report themselves SKIPPED
# (they ask --missing). apt's account of each group's last try is kept in build/setup/
# (STEPVEIL_SETUP_LOGS).
set -euo pipefail

# What the demo builds and runs with. Nothing here is of another architecture than the
# machine's own: the demo never adds one.
build_packages=(
    cmake g++ make pkg-config
    libsndfile1-dev libpng-dev libfreetype-dev libfontconfig-dev libx11-dev
    libxext-dev  # shared-memory pushes of the X11 display (MIT-SHM)
    fonts-liberation  # the face fontconfig gives the editor for "Arial"
    lv2-dev  # the LV2 headers of the bundle (lv2/); its vocabularies and lv2_validate
)
# What the stages need besides.
test_packages=(
    git libgtest-dev googletest libbenchmark-dev
    libxtst-dev libxres-dev  # real pointer input and client counts in the X11 editor tests
    liblilv-dev lilv-utils sordi  # the lilv test host, lv2ls/lv2info/lv2apply, sord_validate (15-lv2)
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
    wine wine64 xvfb xauth
    ardour  # the real third-party host of scripts/stages/50-ardour.sh and 55-ardour-gui.sh
    xdotool x11-utils  # pointer input and window listings for 55-ardour-gui.sh
    # Real drag sources of two toolkits (Qt 5, GTK 3) for the X11 drop tests (tests/x11)
    python3-pyqt5 python3-gi gir1.2-gtk-3.0
    clang-14 libclang-rt-14-dev  # libFuzzer and its sanitizers, scripts/stages/65-fuzz.sh
    # The packages and their check: scripts/package.sh (CPack's Debian package needs file and
    # dpkg-shlibdeps; help2man writes the manual page) and scripts/stages/70-package.sh (lintian)
    dpkg-dev file help2man lintian
)
# 32-bit Windows: the i686 DLL's tests run under 32-bit Wine (scripts/stages/30-windows.sh,
# 35-identical-output.sh). Debian's i386 architecture, which the test set-up enables.
wine32_packages=(wine32:i386)
# LMMS, whose i386 build hosts Windows plug-ins through Wine, renders through the 32-bit DLL
# (scripts/stages/57-lmms.sh); lmms-vst-server brings its Wine helper.
lmms_packages=(lmms:i386 lmms-vst-server:i386)
# Other plug-ins that the audio benchmark measures beside the gate when they are there.
peers_packages=(dpf-plugins-vst lsp-plugins-vst zam-plugins)

usage() {
    echo "usage: $0 demo|test | --list GROUP... | --missing GROUP..." >&2
    echo "groups: build test wine32 lmms peers" >&2
    exit 2
}

group_packages() {
    case "$1" in
    build) printf '%s\n' "${build_packages[@]}" ;;
    test) printf '%s\n' "${test_packages[@]}" ;;
    wine32) printf '%s\n' "${wine32_packages[@]}" ;;
    lmms) printf '%s\n' "${lmms_packages[@]}" ;;
    peers) printf '%s\n' "${peers_packages[@]}" ;;
    *) usage ;;
    esac
}

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing_packages() {
    local package
    for package in $(group_packages "$1"); do
        is_installed "$package" || echo "$package"
    done
}

case "${1:-}" in
--list | --missing)
    [ $# -ge 2 ] || usage
    for group in "${@:2}"; do
        group_packages "$group" >/dev/null
        if [ "$1" = --list ]; then group_packages "$group"; else missing_packages "$group"; fi
    done
    exit 0
    ;;
demo)
    required=(build)
    optional=()
    ;;
test)
    required=(build test)
    optional=(wine32 lmms peers)
    ;;
*) usage ;;
esac
[ $# -eq 1 ] || usage

tries=${STEPVEIL_APT_TRIES:-3}
pause=${STEPVEIL_APT_PAUSE:-10}
logs=${STEPVEIL_SETUP_LOGS:-$(cd "$(dirname "$0")/.." && pwd)/build/setup}
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

apt() {
    # The lock timeout lets another apt on the machine finish instead of failing at once.
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -q -o DPkg::Lock::Timeout=300 "$@"
}

# Refreshes the package lists. Never fails: the lists that did download are used, and the old
# ones of an index that did not; the installation's tries refresh them again.
refresh_lists() {
    local log=$logs/apt-update.log
    echo "Updating the package lists"
    if ! apt update >"$log" 2>&1; then
        grep '^E: Failed to fetch' "$log" | sed 's/^E: Failed to fetch /  could not fetch /' || true
        echo "  some could not be updated (apt-get's account: $log); going on with the lists there are"
    fi
}

# Installs packages, first asking apt whether it can with the lists it has, so that packages
# that cannot be installed fail in seconds, quietly, without a download. Returns 1 for those,
# 2 for an installation that failed on the way (a download cut off, say).
install_packages() {
    local log=$1
    shift
    if ! apt install -s --no-install-recommends "$@" >"$log" 2>&1; then
        echo "  apt-get cannot install them from the lists it has (its account: $log)"
        return 1
    fi
    apt install -y --no-install-recommends "$@" || return 2
}

# What apt's answer depends on: the package lists and the packages installed.
package_state() {
    find /var/lib/apt/lists /var/lib/dpkg/status -maxdepth 1 -type f ! -name lock \
        -printf '%p %s %T@\n' 2>/dev/null | sort | md5sum
}

# Installs the missing packages of each group named, group by group, trying the groups left
# again after a pause and with fresh package lists. A group apt found not installable is
# asked again only once the lists or the installed packages have changed. Sets
# not_installed to the packages that remain.
install_groups() {
    local try group groups=("$@") left missing status
    local -A unchanged_since=()
    not_installed=()
    for ((try = 1; try <= tries; try++)); do
        left=()
        for group in "${groups[@]}"; do
            mapfile -t missing < <(missing_packages "$group")
            ((${#missing[@]})) || continue
            if [ "${unchanged_since[$group]:-}" = "$(package_state)" ]; then
                echo "  ($group) the package lists are as they were: still not installable"
                left+=("$group")
                continue
            fi
            echo "Installing ($group): ${missing[*]}"
            status=0
            install_packages "$logs/apt-$group.log" "${missing[@]}" || status=$?
            ((status)) || continue
            left+=("$group")
            if ((status == 1)); then unchanged_since[$group]=$(package_state); fi
        done
        ((${#left[@]})) || return 0
        groups=("${left[@]}")
        if ((try < tries)); then
            echo "Not installed yet (${groups[*]}); trying again in $pause s with fresh package lists (try $((try + 1)) of $tries)"
            sleep "$pause"
            refresh_lists
        fi
    done
    for group in "${groups[@]}"; do
        mapfile -t -O "${#not_installed[@]}" not_installed < <(missing_packages "$group")
    done
}

mkdir -p "$logs"
need_update=0
# The 32-bit packages live in Debian's i386 architecture; enabling it needs fresh lists.
if [ "$1" = test ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Enabling Debian's i386 architecture (for 32-bit Wine and LMMS)"
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    need_update=1
fi
for group in "${required[@]}" "${optional[@]}"; do
    [ -z "$(missing_packages "$group")" ] || need_update=1
done
if ((need_update)); then
    refresh_lists
fi

install_groups "${required[@]}"
if ((${#not_installed[@]})); then
    echo "error: these packages could not be installed: ${not_installed[*]}" >&2
    for group in "${required[@]}"; do
        [ ! -s "$logs/apt-$group.log" ] || sed -n '/^E: \|is not installable\|has no installation candidate/p' \
            "$logs/apt-$group.log" | head -n 20 >&2
    done
    echo "apt-get's account of the last try: $logs/apt-*.log" >&2
    exit 1
fi

# The optional groups share their tries; what is left is said in one line a kind.
((${#optional[@]})) || exit 0
install_groups "${optional[@]}"
left_32bit=() left_other=()
for package in "${not_installed[@]}"; do
    case "$package" in
    *:i386) left_32bit+=("$package") ;;
    *) left_other+=("$package") ;;
    esac
done
if ((${#left_32bit[@]})); then
    echo "NOT INSTALLED: the 32-bit packages ${left_32bit[*]} cannot be installed now; the stages that need them will say SKIPPED"
fi
if ((${#left_other[@]})); then
    echo "NOT INSTALLED: ${left_other[*]} cannot be installed now; the audio benchmark measures the gate without them"
fi
