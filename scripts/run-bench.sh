#!/usr/bin/env bash
# Runs every benchmark program that the build produced.
set -euo pipefail
build=${1:-build}
found=0
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b"
done
[ "$found" = 1 ] || { echo "no benchmarks were built" >&2; exit 1; }
