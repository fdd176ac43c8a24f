#!/bin/sh
# Builds and runs the decoder benchmark in the Linux build tree: decoding
# throughput over synthetic tables of 4 KiB to 16 MiB, the cost against one
# fwrite of the same text, and the time of a whole `kelb-cu -d file 230` run.
# Usage: scripts/bench.sh [--quick]
set -e
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux --target bench_decode
build/linux/tests/bench/bench_decode "$@"
