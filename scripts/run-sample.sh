#!/usr/bin/env bash
# What `make run` does: with a display, open the desktop program on a sample photograph; without
# one, say so and denoise the sample with orvane-nr-cli instead.
# The sample is a noisy picture made by our own code (orvane-make-sample), so nothing is downloaded.
set -euo pipefail
build=${1:-build}
dir="$build/sample"
mkdir -p "$dir"
"$build"/src/cli/orvane-make-sample "$dir/sample.jpg" 1200 800
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$build/src/shell/orvane-nr" ]; then
  echo "Opening $dir/sample.jpg in Orvane NR"
  exec "$build/src/shell/orvane-nr" "$dir/sample.jpg"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the command-line demo instead."
else
  echo "The desktop program was not built (ORVANE_GUI=OFF): running the command-line demo instead."
fi
"$build"/src/cli/orvane-nr-cli --overwrite "$dir/sample.jpg"
echo
echo "Original:  $dir/sample.jpg"
echo "Denoised:  $dir/sample_NR.jpg"
echo "Try other settings, for example:"
echo "  $build/src/cli/orvane-nr-cli --level 14 --mode portrait -o $dir/portrait.png $dir/sample.jpg"
