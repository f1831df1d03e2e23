#!/bin/sh
# Installs a build into a scratch prefix and checks what a freedesktop system needs from it:
# the program, its menu entry, its icons and its AppStream description, valid and agreeing
# on one application id.
#   check-install.sh CMAKE BUILD_DIR APP_ID
# Exits 77 (skipped) when the validators are not installed.
set -eu

cmake=$1 build=$2 id=$3

for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool not installed"; exit 77; }
done

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT INT TERM

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

status=0
fail() { echo "FAIL: $*"; status=1; }

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
for f in bin/Tombal share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/32x32/apps/$id.png share/icons/hicolor/128x128/apps/$id.png; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
[ -x "$prefix/bin/Tombal" ] || fail "bin/Tombal is not executable"
[ "$status" -eq 0 ] || exit 1

# The icon sizes must match the folders they sit in, or icon themes ignore them.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }
for size in 32x32 128x128; do
    got=$(png_size "$prefix/share/icons/hicolor/$size/apps/$id.png")
    [ "$got" = "$size" ] || fail "hicolor/$size icon is $got"
done

grep -qx "Exec=Tombal" "$desktop" || fail "desktop entry does not run Tombal"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry's icon is not $id"

out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || echo "$out"

# validate-tree also checks the metainfo against the installed desktop entry it launches.
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net --pedantic "$prefix" || fail "appstreamcli validate-tree"

exit "$status"
