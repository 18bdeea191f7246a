#!/usr/bin/env bash
# What `make run` does: denoise a sample photograph with orvane-nr-cli and say where the result is.
# The sample is a noisy picture made by our own code (orvane-make-sample), so nothing is downloaded.
set -euo pipefail
build=${1:-build}
dir="$build/sample"
mkdir -p "$dir"
"$build"/src/cli/orvane-make-sample "$dir/sample.jpg" 1200 800
"$build"/src/cli/orvane-nr-cli --overwrite "$dir/sample.jpg"
echo
echo "Original:  $dir/sample.jpg"
echo "Denoised:  $dir/sample_NR.jpg"
echo "Try other settings, for example:"
echo "  $build/src/cli/orvane-nr-cli --level 14 --mode portrait -o $dir/portrait.png $dir/sample.jpg"
