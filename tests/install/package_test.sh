#!/usr/bin/env bash
# package_test.sh BUILD_DIR: builds the Debian package and checks its control data and files.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/orvane-nr_*.deb)
info=$(dpkg-deb --info "$deb")
contents=$(dpkg-deb --contents "$deb")
echo "$info" | grep -q '^ Package: orvane-nr$' || fail "package name"
echo "$info" | grep -q '^ Section: graphics$' || fail "section"
depends=$(echo "$info" | sed -n 's/^ Depends: //p')
for lib in libjpeg62-turbo libpng16-16 libtiff6 'libraw20|libraw23' libexiv2 libqt6widgets6 qt6-qpa-plugins; do
  echo "$depends" | grep -Eq "$lib" || fail "no dependency on $lib: $depends"
done
for f in ./usr/bin/orvane-nr ./usr/bin/orvane-nr-cli ./usr/libexec/orvane-nr/orvane-raw-helper ./usr/share/applications/orvane-nr.desktop \
         ./usr/share/icons/hicolor/48x48/apps/orvane-nr.png ./usr/share/man/man1/orvane-nr-cli.1.gz \
         ./usr/share/orvane-nr/Help/Help.html ./usr/share/man/man1/orvane-nr.1.gz \
         ./usr/share/doc/orvane-nr/copyright ./usr/share/doc/orvane-nr/changelog.gz \
         ./usr/share/metainfo/orvane-nr.metainfo.xml; do
  echo "$contents" | grep -q " $f\$" || fail "$f not in the package"
done
# The short description is one line, the long one has no stray list separators.
echo "$info" | grep -q '^ Description: photo noise reduction$' || fail "short description"
! echo "$info" | grep -q '^ *;' || fail "list separators in the description"

# The package passes a Debian review, and software centres can read its metainfo.
lintian --fail-on error,warning --no-tag-display-limit "$deb" || fail "lintian"
root=$out/root
dpkg-deb -x "$deb" "$root"
appstreamcli validate --no-net "$root/usr/share/metainfo/orvane-nr.metainfo.xml" || fail "metainfo"

# The programs carry no path of the build machine: the raw helper is looked for beside them and
# in their own libexec folder only.
absolute=$(cd "$build" && pwd)
for program in "$root/usr/bin/orvane-nr" "$root/usr/bin/orvane-nr-cli"; do
  ! grep -aqF "$absolute" "$program" || fail "$program names the build folder $absolute"
done
picture=$out/picture.jpg
"$build/src/cli/orvane-make-sample" "$picture" 64 48 >/dev/null
programs_started() {  # the programs orvane-nr-cli info starts, one per line
  env -u ORVANE_RAW_HELPER strace -f -qq -e trace=execve -o "$out/trace" \
    "$root/usr/bin/orvane-nr-cli" info "$picture" >/dev/null
  sed -n 's/.*execve("\([^"]*\)".*/\1/p' "$out/trace"
}
started=$(programs_started)
echo "$started" | grep -qx "$root/usr/bin/../libexec/orvane-nr/orvane-raw-helper" ||
  fail "the unpacked helper was not used: $started"
echo "$started" | grep -v "^$root/" && fail "started a program outside the unpacked tree"
rm "$root/usr/libexec/orvane-nr/orvane-raw-helper"
started=$(programs_started)
[ "$started" = "$root/usr/bin/orvane-nr-cli" ] || fail "without its helper it started: $started"

echo "$deb"
echo "$depends"
