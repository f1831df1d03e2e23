#!/usr/bin/env bash
# Checks a built lotarin .deb (lintian, dependencies, files and modes, desktop entry, AppStream), then
# installs it and runs the journey (tests/e2e) on the installed Tombal.
#   tests/package/check-deb.sh PATH.deb        (as root)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
deb=$(realpath "$1")
fail() { echo "check-deb: FAIL: $*" >&2; exit 1; }

lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"
depends=$(dpkg-deb -f "$deb" Depends)
for d in 'libqt6widgets6 (' 'libqt6printsupport6 (' qt6-qpa-plugins 'fonts-ipafont-gothic |'; do
    grep -qF "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done
contents=$(dpkg-deb -c "$deb")
for f in bin/Tombal share/icons/hicolor/32x32/apps/org.example.lotarin.png share/man/man1/Tombal.1.gz; do
    grep -q " ./usr/$f\$" <<<"$contents" || fail "the package lacks /usr/$f"
done
wrong=$(awk '$2 != "root/root" || ($1 ~ /^d/ && $1 != "drwxr-xr-x") || ($1 ~ /^-/ && $1 != "-rw-r--r--" && $6 != "./usr/bin/Tombal")' <<<"$contents")
[ -z "$wrong" ] || fail "entries with a wrong owner or mode: $wrong"

stage=$(mktemp -d)
trap 'rm -rf "$stage"; dpkg -r lotarin >/dev/null 2>&1 || true' EXIT
dpkg-deb -x "$deb" "$stage/root"
desktop-file-validate "$stage"/root/usr/share/applications/org.example.lotarin.desktop || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$stage"/root/usr/share/metainfo/org.example.lotarin.metainfo.xml \
    || fail "AppStream description"

# apt fetches a local package as its own unprivileged user.
chmod 755 "$stage" && install -m 644 "$deb" "$stage/"
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall "$stage/$(basename "$deb")" </dev/null
env -u QT_PLUGIN_PATH -u LD_LIBRARY_PATH TOMBAL=/usr/bin/Tombal "$here/../e2e/desktop" /usr/bin/python3 \
    -W ignore::DeprecationWarning -m unittest discover -s "$here/../e2e" -p test_journey.py || fail "the installed Tombal"
echo "check-deb: OK: $(basename "$deb")"
