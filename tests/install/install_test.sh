#!/usr/bin/env bash
# install_test.sh BUILD_DIR [desktop-file-validate]: installs into a fresh prefix and checks
# that the installed programs start and find what they read at run time.
set -euo pipefail
build=$1 validate=${2:-}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "FAIL: $*"; exit 1; }

"$prefix/bin/orvane-nr-cli" --version | grep -q '^orvane-nr-cli ' || fail "orvane-nr-cli --version"
[ -x "$prefix/libexec/orvane-nr/orvane-raw-helper" ] || fail "raw helper not installed"
[ -s "$prefix/share/orvane-nr/Help/Help.html" ] || fail "Help.html not installed"
zcat "$prefix/share/man/man1/orvane-nr-cli.1.gz" | grep -q '^\.TH ORVANE-NR-CLI 1' || fail "man page"
# Every picture the guide shows is installed with it.
for img in $(grep -o 'src="[^"]*"' "$prefix/share/orvane-nr/Help/Help.html" | sed 's/src="//;s/"$//'); do
  [ -f "$prefix/share/orvane-nr/Help/$img" ] || fail "Help picture $img missing"
done
if [ -e "$build/src/shell/orvane-nr" ]; then
  "$prefix/bin/orvane-nr" --version | grep -q '^orvane-nr ' || fail "orvane-nr --version"
  desktop=$prefix/share/applications/orvane-nr.desktop
  [ -f "$desktop" ] || fail "no desktop entry"
  grep -q '^Exec=orvane-nr %f$' "$desktop" || fail "desktop Exec line"
  grep -q '^MimeType=.*image/jpeg;' "$desktop" || fail "desktop MIME types"
  if [ -n "$validate" ]; then "$validate" "$desktop" || fail "desktop entry does not validate"; fi
  for size in 16 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/orvane-nr.png
    [ -f "$icon" ] || fail "icon $size missing"
    # The PNG header holds the width and height at bytes 16..23.
    dims=$(od -An -tu4 --endian=big -j16 -N8 "$icon" | tr -s ' ')
    [ "$dims" = " $size $size" ] || fail "icon $size is$dims"
  done
fi
echo "installed and started from $prefix"
