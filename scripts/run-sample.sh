#!/usr/bin/env bash
# What `make run` does until the command-line program exists: show the engine at work.
set -euo pipefail
build=${1:-build}
exec "$build"/bench/bench_engine --quick
