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
# How clean the pictures are, beside the other denoisers (minutes: they are slow).
echo "== bench_quality"
/usr/bin/python3 "$(dirname "$0")/../bench/quality/bench_quality.py" --cli "$build/src/cli/orvane-nr-cli" \
  --work "$build/quality" --peers
