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
         ./usr/share/orvane-nr/Help/Help.html; do
  echo "$contents" | grep -q " $f\$" || fail "$f not in the package"
done
echo "$deb"
echo "$depends"
