# Shared by scripts/run and scripts/test: installs what is missing, configures and builds.
# shellcheck shell=bash

LOTARIN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# A configure preset of CMakePresets.json; its build folder is build/ or build-PRESET/.
LOTARIN_PRESET=${LOTARIN_PRESET:-default}
if [ "$LOTARIN_PRESET" = default ]; then LOTARIN_BUILD=$LOTARIN_ROOT/build; else LOTARIN_BUILD=$LOTARIN_ROOT/build-$LOTARIN_PRESET; fi

# What building and running needs.
LOTARIN_RUN_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev libcups2-dev libxcb1-dev
                      fonts-ipafont-gothic fonts-ipafont-mincho qt6-translations-l10n)
# What the test suite needs on top: a private X server, the accessibility bus, window managers
# and tools to ask them, weston with XWayland and Qt's Wayland plugin, a PDF printer and tools
# to look at its pages, desktop-file validators, the fuzzer, and for the Debian package its
# dependency finder and lintian.
LOTARIN_TEST_PACKAGES=(xvfb xauth xdotool dbus at-spi2-core python3 python3-pyatspi python3-xlib python3-pil
                       openbox fluxbox wmctrl x11-utils weston xwayland qt6-wayland
                       cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
                       desktop-file-utils appstream clang libclang-rt-14-dev file dpkg-dev lintian)

lotarin_log() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

lotarin_install() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    lotarin_log "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; return 1; }
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q || return 1
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -q "${missing[@]}" </dev/null || return 1
}

# lotarin_build [target] : configures (once) and builds the target, or everything.
lotarin_build() {
    if [ ! -f "$LOTARIN_BUILD/CMakeCache.txt" ]; then
        lotarin_log "Configuring the $LOTARIN_PRESET preset in $LOTARIN_BUILD"
        (cd "$LOTARIN_ROOT" && cmake --preset "$LOTARIN_PRESET" >/dev/null) || return 1
    fi
    lotarin_log "Building ${1:-everything}"
    (cd "$LOTARIN_ROOT" && cmake --build --preset "$LOTARIN_PRESET" --parallel "$(nproc)" ${1:+--target "$1"}) || return 1
}
