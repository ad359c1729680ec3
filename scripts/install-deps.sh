#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when some are missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config git
    libgtest-dev googletest libbenchmark-dev
    libsndfile1-dev libpng-dev libfreetype-dev libfontconfig-dev libx11-dev
    libxext-dev  # shared-memory pushes of the X11 display (MIT-SHM)
    libxtst-dev libxres-dev  # real pointer input and client counts in the X11 editor tests
    fonts-liberation
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
    wine wine64 xvfb xauth
    ardour  # the real third-party host of scripts/stages/50-ardour.sh and 55-ardour-gui.sh
    xdotool x11-utils  # pointer input and window listings for 55-ardour-gui.sh
    # Real drag sources of two toolkits (Qt 5, GTK 3) for the X11 drop tests (tests/x11)
    python3-pyqt5 python3-gi gir1.2-gtk-3.0
    # 32-bit Windows: the i686 DLL's tests run under 32-bit Wine (scripts/stages/30-windows.sh),
    # and LMMS, whose i386 build hosts Windows plug-ins through Wine, renders through that DLL
    # (scripts/stages/57-lmms.sh). lmms-vst-server brings its Wine helper.
    wine32:i386 lmms:i386 lmms-vst-server:i386
    clang-14 libclang-rt-14-dev  # libFuzzer and its sanitizers, scripts/stages/65-fuzz.sh
    # The packages and their check: scripts/package.sh (CPack's Debian package needs file and
    # dpkg-shlibdeps; help2man writes the manual page) and scripts/stages/70-package.sh (lintian)
    dpkg-dev file help2man lintian
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

# The i386 packages need Debian's i386 architecture; enabling it needs a fresh package list.
need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Enabling the i386 architecture"
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    need_update=1
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    need_update=1
fi
if ((need_update)); then
    "${sudo_cmd[@]}" apt-get update -q
fi
if ((${#missing[@]})); then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi
