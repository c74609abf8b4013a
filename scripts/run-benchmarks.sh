#!/usr/bin/env bash
# Builds and runs every benchmark in bench/ and prints their figures; see "Performance" in
# README.md. The programs run offscreen against virtual units, so no display or serial port is
# needed. Takes about a minute; --all adds a backup and a restore at 9600-baud timing (about
# 2.5 minutes more).
#
#   scripts/run-benchmarks.sh [--all]
set -euo pipefail
cd "$(dirname "$0")/.."

all=()
case "${1:-}" in
  "") ;;
  --all) all=(--all) ;;
  *)
    echo "usage: scripts/run-benchmarks.sh [--all]" >&2
    exit 2
    ;;
esac

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" --target filter_response_bench graph_bench eq_import_bench \
  graph_paint_bench transfer_bench idle_bench startup_bench edit_latency_bench dump_pdf_bench

runtime_dir=$(mktemp -d /tmp/tavrel-bench.XXXXXX)
trap 'rm -rf -- "$runtime_dir"' EXIT
export XDG_RUNTIME_DIR=$runtime_dir QT_QPA_PLATFORM=offscreen

bench="$BUILD_DIR/bench"
"$bench/startup_bench"
echo
"$bench/idle_bench"
echo
"$bench/edit_latency_bench"
echo
"$bench/transfer_bench" "${all[@]}"
echo
"$bench/dump_pdf_bench"
echo
"$bench/graph_paint_bench"
echo
"$bench/graph_bench" --benchmark_color=false 2>/dev/null | sed -n '/^Share of a/,$p'
echo
"$bench/filter_response_bench" --benchmark_color=false 2>/dev/null | sed -n '/^Recompute cost/,$p'
echo
"$bench/eq_import_bench" --benchmark_color=false 2>/dev/null | sed -n '/^Import of a/,$p'
