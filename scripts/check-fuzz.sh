#!/usr/bin/env bash
# The short fuzz pass of `make test`: each target runs over its seed corpus and then a bounded
# number of mutations (and never longer than a time cap), in a scratch copy of the corpus.
set -euo pipefail
build=${1:-build-fuzz}
runs=${2:-20000}
cap=${3:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets were built"; exit 1; }
for t in "${targets[@]}"; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  work="$build/fuzz-check/$name"
  rm -rf "$work"
  mkdir -p "$work"
  seeds="$root/fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] && cp "$seeds"/* "$work"/ 2>/dev/null || true
  echo "== $name: $runs runs, at most ${cap}s"
  "$t" -runs="$runs" -max_total_time="$cap" -rss_limit_mb=2048 -print_final_stats=1 \
    "$work" 2>"$build/fuzz-check/$name.log" || { tail -50 "$build/fuzz-check/$name.log"; exit 1; }
  grep -E "stat::number_of_executed_units|Done" "$build/fuzz-check/$name.log" | tail -2
done
