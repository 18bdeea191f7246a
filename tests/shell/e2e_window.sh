#!/usr/bin/env bash
# Starts the built program on a generated photograph (inside an X server), waits for the first
# paint, takes screenshots and looks for the photograph's top-left corner at 1:1 in the upper
# half. The last screenshot is kept.
set -euo pipefail
program=$1 make_sample=$2 finder=$3 shot=$4
work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb
"$make_sample" "$work/photo.png" 1600 1000
"$program" "$work/photo.png" &
pid=$!
for _ in $(seq 1 60); do
  sleep 0.5
  kill -0 "$pid" || { echo "the program ended early"; exit 1; }
  import -window root "$shot" 2>/dev/null || continue
  if "$finder" "$shot" "$work/photo.png"; then exit 0; fi
done
echo "the photograph's corner never appeared in the upper half"
exit 1
