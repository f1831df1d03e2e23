#!/usr/bin/env bash
# Checks a built lotarin .deb as a Debian system meets it: lintian, the control fields, the
# files and their modes; then installs it for real with apt, starts the installed
# /usr/bin/Tombal once on a private X display, closes it, and removes the package again.
#
#   tests/package/check-deb.sh PATH.deb
#
# Needs root (or sudo) for the install. KEEP_INSTALLED=1 leaves the package installed.
# Exits non-zero, saying why, at the first thing that is wrong.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/common.sh"
root=$LOTARIN_ROOT

fail() { echo "check-deb: FAIL: $*" >&2; exit 1; }
step() { printf '\n\033[1m--- %s\033[0m\n' "$*"; }

[ $# -eq 1 ] || { echo "usage: $0 PATH.deb" >&2; exit 2; }
[ -f "$1" ] || fail "no such package: $1"
deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || fail "installing the package needs root or sudo"
    sudo=(sudo)
fi
lotarin_install lintian dpkg-dev xvfb xauth dbus at-spi2-core python3 python3-xlib fontconfig

# What the package must say, from the sources rather than written out again here.
app_id=$(sed -n 's/^set(LOTARIN_APP_ID "\(.*\)")$/\1/p' "$root/cmake/Identity.cmake")
[ -n "$app_id" ] || fail "no LOTARIN_APP_ID in cmake/Identity.cmake"
upstream=$(sed -n 's/^project(Lotarin VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
[ -n "$upstream" ] || fail "no project version in CMakeLists.txt"
changelog_version=$(sed -n '1s/^lotarin (\([^)]*\)).*/\1/p' "$root/dist/debian/changelog")
arch=$(dpkg --print-architecture)

step "lintian"
# Errors fail; warnings and the rest are shown for a person to judge.
# (--tag-display-limit 0 is what this lintian calls --no-tag-display-limit.)
lintian_status=0
lintian_out=$(lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1) || lintian_status=$?
grep -v '^running with root privileges is not recommended!$' <<<"$lintian_out" || echo "no errors, no warnings"
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors (above)"

step "control fields"
field() { dpkg-deb -f "$deb" "$1"; }
expect_field() {
    local got
    got=$(field "$1")
    [ "$got" = "$2" ] || fail "$1 is '$got', expected '$2'"
    echo "$1: $got"
}
expect_field Package lotarin
expect_field Version "$changelog_version"
case $changelog_version in
    "$upstream"-[0-9]*) ;;
    *) fail "Version $changelog_version is not the project's version $upstream with a Debian revision" ;;
esac
expect_field Architecture "$arch"
expect_field Section utils
expect_field Priority optional
expect_field Maintainer "Lotarin maintainers <lotarin@example.org>"
expect_field Homepage "https://lotarin.example.org/"

depends=$(field Depends)
echo "Depends: $depends"
# One alternative list per comma; each must be there as a whole.
has_dep() {
    tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ *$//' | grep -Eq "$1"
}
has_dep '^libqt6widgets6( \(>= [^)]*\))?$' || fail "Depends lacks libqt6widgets6 (dpkg-shlibdeps did not run?)"
has_dep '^libqt6printsupport6( |$)' || fail "Depends lacks libqt6printsupport6"
has_dep '^qt6-qpa-plugins$' || fail "Depends lacks qt6-qpa-plugins, the X11 platform plugin"
has_dep '^fonts-ipafont-gothic \| fonts-ipafont \| fonts-noto-cjk$' || fail "Depends lacks the Japanese font alternatives"

step "contents"
listing=$(dpkg-deb -c "$deb")
# mode owner path, the path without the leading "." and without a trailing slash
entries=$(awk '{ p = $6; sub(/^\./, "", p); sub(/\/$/, "", p); print $1, $2, p }' <<<"$listing")
expect_file() {  # PATH MODE
    local line
    line=$(awk -v p="$1" '$3 == p' <<<"$entries")
    [ -n "$line" ] || fail "the package lacks $1"
    [ "${line%% *}" = "$2" ] || fail "$1 has mode ${line%% *}, expected $2"
    echo "$2 $1"
}
expect_file /usr/bin/Tombal -rwxr-xr-x
expect_file "/usr/share/applications/$app_id.desktop" -rw-r--r--
expect_file "/usr/share/metainfo/$app_id.metainfo.xml" -rw-r--r--
expect_file "/usr/share/icons/hicolor/32x32/apps/$app_id.png" -rw-r--r--
expect_file "/usr/share/icons/hicolor/128x128/apps/$app_id.png" -rw-r--r--
expect_file /usr/share/man/man1/Tombal.1.gz -rw-r--r--
expect_file /usr/share/doc/lotarin/copyright -rw-r--r--
expect_file /usr/share/doc/lotarin/changelog.Debian.gz -rw-r--r--
bad=$(awk '$2 != "root/root" || $3 !~ /^\/usr(\/|$)/ ||
           ($1 ~ /^d/ && $1 != "drwxr-xr-x") ||
           ($1 ~ /^-/ && $1 != "-rw-r--r--" && $3 != "/usr/bin/Tombal") ||
           $1 !~ /^[-d]/' <<<"$entries")
[ -z "$bad" ] || fail "entries with a wrong owner, mode, kind or place:
$bad"
echo "every entry root/root under /usr, directories 0755, files 0644"

step "install"
export DEBIAN_FRONTEND=noninteractive
# apt fetches local packages as its own unprivileged user: give it a copy it can read.
stage=$(mktemp -d)
tried=0
cleanup() {
    rm -rf "$stage"
    if [ "$tried" = 1 ] && dpkg-query -W -f='${Status}' lotarin 2>/dev/null | grep -q 'ok installed'; then
        if [ "${KEEP_INSTALLED:-0}" = 1 ]; then
            echo "check-deb: lotarin stays installed (KEEP_INSTALLED=1)"
        else
            echo "check-deb: removing lotarin"
            "${sudo[@]}" dpkg -r lotarin >/dev/null || echo "check-deb: FAIL: dpkg -r lotarin failed" >&2
        fi
    fi
}
trap cleanup EXIT
chmod 755 "$stage"
install -m 644 "$deb" "$stage/"
tried=1
# --reinstall: an installed package of the same version would otherwise be left as it is.
"${sudo[@]}" apt-get install -y -q -o Dpkg::Use-Pty=0 --reinstall "$stage/$(basename "$deb")" </dev/null ||
    fail "apt-get install of $deb failed"
status=$(dpkg-query -W -f='${Status} ${Version}' lotarin)
[ "$status" = "install ok installed $changelog_version" ] || fail "dpkg says: $status"
echo "dpkg: $status"
[ -x /usr/bin/Tombal ] || fail "/usr/bin/Tombal is not there after the install"
missing=$(ldd /usr/bin/Tombal | grep 'not found' || true)
[ -z "$missing" ] || fail "the installed Tombal lacks libraries: $missing"
[ -n "$(fc-list :lang=ja family)" ] || fail "no font with Japanese glyphs after the install"

step "start the installed Tombal once"
# Only what the package installed: no plugin or library path from the environment.
env -u QT_PLUGIN_PATH -u LD_LIBRARY_PATH -u QT_QPA_PLATFORM_PLUGIN_PATH \
    "$root/tests/e2e/session.sh" bash -c 'work=$(mktemp -d "$E2E_SESSION_DIR/work.XXXXXX") &&
        exec /usr/bin/python3 "$1" /usr/bin/Tombal "$work"' start-once "$here/start-once.py" ||
    fail "the installed Tombal did not start and close cleanly (above)"

echo
echo "check-deb: OK: $(basename "$deb")"
