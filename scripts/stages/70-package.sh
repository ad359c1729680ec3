#!/usr/bin/env bash
# The packages as a musician gets them. scripts/package.sh makes the Debian package and the
# Windows zip; lintian must find no error in the package and the zip must hold the two DLLs
# under their names. The package is then installed with apt, as a user installs it, and the
# installed tool and Ardour must find the installed plug-in by themselves (no --plugin, no
# LXVST_PATH): Ardour's scanner registers it, and a Lua session loads it by name. The package
# and whatever apt installed with it are removed again, also when a check fails, so that the
# machine is left as it was. This stage runs after the Ardour stages, so that an installed
# plug-in cannot stand in for the build's there.
set -euo pipefail
cd "$STEPVEIL_ROOT"
here=$STEPVEIL_ROOT/tests/package
test_name="package stage"
# shellcheck source=tests/ardour/ardour-common.sh
source tests/ardour/ardour-common.sh

skip() {
    echo "SKIPPED: $*"
    exit 77
}
for program in lintian dpkg-shlibdeps apt-get ardour7-lua; do
    command -v "$program" >/dev/null || skip "$program is not installed"
done
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || skip "installing a package needs root or sudo"
    as_root=(sudo)
fi

bash scripts/package.sh deb zip
debs=(dist/stepveil_*_amd64.deb)
zips=(dist/Stepveil-*-windows.zip)
deb=$STEPVEIL_ROOT/${debs[0]}
zip=$STEPVEIL_ROOT/${zips[0]}
work=$STEPVEIL_ROOT/build/package-test
rm -rf "$work"
mkdir -p "$work"

printf '\n=== lintian %s\n' "$(basename "$deb")"
# Errors fail the stage; warnings and the rest are shown.
lintian --fail-on error --display-info "$deb" | sed 's/^/  /' || fail "lintian found errors"
echo "  lintian: no errors"

printf '\n=== %s\n' "$(basename "$zip")"
cmake -E chdir "$work" cmake -E tar xf "$zip"
unpacked=("$work"/Stepveil-*-windows)
for entry in Stepveil.dll:pei-x86-64 Stepveil-32bit.dll:pei-i386 README.txt: LICENSE.txt:; do
    file=${unpacked[0]}/${entry%%:*} format=${entry#*:}
    [ -f "$file" ] || fail "the zip has no ${entry%%:*}"
    if [ -n "$format" ]; then
        x86_64-w64-mingw32-objdump -f "$file" | grep -q "file format $format" ||
            fail "${entry%%:*} in the zip is not $format"
    fi
    echo "  $(basename "$file")${format:+ ($format)}"
done

printf '\n=== Installing %s with apt\n' "$(basename "$deb")"
# One run of this stage at a time on the machine: the package is installed machine-wide.
exec 9>/tmp/stepveil-package-stage.lock
flock -w 900 9 || fail "another run of this stage holds /tmp/stepveil-package-stage.lock"
is_installed() { dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null | grep -qx installed; }
if is_installed stepveil; then
    fail "a stepveil package is installed already; this stage would replace and remove it"
fi
# The packages apt installs here, as it lists them: stepveil, and any library it needed that
# the machine lacked. Only these are removed, whatever else is installed meanwhile.
added_packages() {
    [ -f "$work/install.log" ] || return 0
    awk '/^The following NEW packages will be installed:/ { listing = 1; next }
        listing && /^ / { print; next } { listing = 0 }' "$work/install.log" | xargs
}
# Removes them again; fails the stage if any remains.
remove_package() {
    trap - EXIT
    local added package
    added=$(added_packages)
    [ -n "$added" ] || return 0
    echo "  removing: $added"
    # shellcheck disable=SC2086 # one word per package
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get purge -y -q \
        -o DPkg::Lock::Timeout=300 $added >"$work/remove.log" 2>&1 || true
    for package in $added; do
        if is_installed "$package"; then
            cat "$work/remove.log"
            fail "could not remove $package"
        fi
    done
    [ ! -e "$plugin" ] || fail "$plugin is still there after the package was removed"
}
plugin=/usr/lib/vst/Stepveil.so
trap remove_package EXIT
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends \
    -o DPkg::Lock::Timeout=300 "$deb" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "apt could not install $deb"; }
echo "  installed: $(added_packages)"
dpkg -L stepveil | while read -r path; do [ -d "$path" ] || echo "  $path"; done
[ -f "$plugin" ] || fail "the package did not install $plugin"

printf '\n=== stepveil info, from /usr/bin, without --plugin\n'
# From a folder away from the build; the tool names the file it loaded.
(cd "$work" && /usr/bin/stepveil info) >"$work/info.txt" 2>&1 ||
    { cat "$work/info.txt"; fail "the installed stepveil info failed"; }
sed -n '1,4p' "$work/info.txt" | sed 's/^/  /'
grep -Eq "^File +$plugin\$" "$work/info.txt" || fail "stepveil info did not load $plugin"
# The name the plug-in gives hosts, by which Ardour lists it.
name=$(awk '$1 == "Name" { print $2; exit }' "$work/info.txt")

printf '\n=== Ardour, without LXVST_PATH\n'
find_ardour_programs
prepare_ardour_home "$work/ardour"
unset LXVST_PATH VST_PATH
LD_LIBRARY_PATH=$ardour_libraries${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} \
    timeout 60 "$scanner" -f -q "$plugin" || fail "Ardour's scanner rejected $plugin"
echo "  Ardour's scanner took $plugin"
timeout 120 "$lua_tool" "$here/load-by-name.lua" "$work/ardour/session" "$name" \
    >"$work/ardour.log" 2>&1 || { tail -n 20 "$work/ardour.log"; fail "Ardour did not load it"; }
grep -e '^found: ' -e '^loaded: ' "$work/ardour.log" | sed 's/^/  /'
grep -qx "loaded: $name from $plugin, .*" "$work/ardour.log" ||
    fail "Ardour loaded another file than $plugin"

printf '\n=== The LV2 bundle, without LV2_PATH\n'
bundle=/usr/lib/lv2/Stepveil.lv2
[ -f "$bundle/manifest.ttl" ] || fail "the package did not install $bundle"
if command -v lv2ls >/dev/null; then
    (unset LV2_PATH; lv2ls) | grep -qx urn:ovrin-audio:stepveil ||
        fail "lv2ls does not find the installed bundle $bundle"
    echo "  lv2ls finds urn:ovrin-audio:stepveil in $bundle"
fi

printf '\n=== Removing the package\n'
remove_package
echo "  $plugin is gone again"
echo "package stage passed"
