#!/usr/bin/env bash
# Runs every benchmark program that the build produced (bench/ and its subfolders).
set -euo pipefail
build=${1:-build}
found=0
while IFS= read -r b; do
  found=1
  echo "== $(basename "$b")"
  "$b"
done < <(find "$build/bench" -type f -name 'bench_*' -perm -u+x | sort)
[ "$found" = 1 ] || { echo "no benchmarks were built" >&2; exit 1; }
