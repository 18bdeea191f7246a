#!/usr/bin/env bash
# Runs each fuzz target for the given number of seconds over a copy of its seed corpus.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-600}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets were built"; exit 0; }
for t in "${targets[@]}"; do
  name=$(basename "$t")
  work="$build/fuzz-work/$name"
  mkdir -p "$work"
  seeds="$root/fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  echo "== $name for ${seconds}s"
  "$t" -max_total_time="$seconds" -print_final_stats=1 "$work"
done
