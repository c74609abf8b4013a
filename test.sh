#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
#   ./test.sh                  normal build in build/, every test (and the package check)
#   ./test.sh --sanitize       every test again under AddressSanitizer and UBSan, in
#                              build-sanitize/: the first finding stops the test and fails it
#   ./test.sh --fuzz [SECONDS] each fuzz target for SECONDS (default 30) with clang and libFuzzer,
#                              in build-fuzz/, starting from the inputs kept in tests/fuzz/corpus/
set -euo pipefail
cd "$(dirname "$0")"

mode=normal
fuzz_seconds=30
case "${1:-}" in
"") ;;
--sanitize) mode=sanitize ;;
--fuzz)
  mode=fuzz
  fuzz_seconds=${2:-30}
  [[ "$fuzz_seconds" =~ ^[0-9]+$ ]] || { echo "test.sh: --fuzz takes whole seconds" >&2; exit 2; }
  ;;
*)
  echo "usage: ./test.sh [--sanitize | --fuzz [SECONDS]]" >&2
  exit 2
  ;;
esac

if [[ $mode == fuzz ]]; then
  scripts/ensure-packages.sh --fuzz
else
  scripts/ensure-packages.sh
fi

# A private runtime folder when there is none, removed again however the run ends.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  XDG_RUNTIME_DIR=$(mktemp -d -t tavrel-runtime.XXXXXX)
  trap 'rm -rf -- "$XDG_RUNTIME_DIR"' EXIT
  export XDG_RUNTIME_DIR
fi
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

# Every finding of the sanitizers ends the program with an error, leaks included.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer-suppressions.txt:print_suppressions=0

case $mode in
normal)
  BUILD_DIR=${BUILD_DIR:-build}
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CI:+-DTAVREL_WERROR=ON}
  cmake --build "$BUILD_DIR" -j "$(nproc)"
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
  ;;
sanitize)
  # -O1 keeps the instrumented build and run short; benchmarks and the package are left out
  # (the normal pass checks the package).
  BUILD_DIR=${BUILD_DIR:-build-sanitize}
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" -DTAVREL_SANITIZE=ON \
    -DTAVREL_BUILD_BENCH=OFF -DTAVREL_PACKAGING=OFF
  cmake --build "$BUILD_DIR" -j "$(nproc)"
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 600
  ;;
fuzz)
  BUILD_DIR=${BUILD_DIR:-build-fuzz}
  CXX=clang++-14 cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVREL_FUZZ=ON -DTAVREL_BUILD_GUI=OFF -DBUILD_TESTING=OFF -DTAVREL_BUILD_BENCH=OFF \
    -DTAVREL_PACKAGING=OFF
  cmake --build "$BUILD_DIR" -j "$(nproc)"
  # New inputs go to a folder of the build; the kept corpus is only read. A failing input is
  # written to the target's folder as crash-*, leak-* or timeout-*.
  failed=()
  for corpus in tests/fuzz/corpus/*/; do
    target=$(basename "$corpus")
    work="$BUILD_DIR/fuzz-run/$target"
    mkdir -p "$work/new"
    echo "== fuzzing $target for ${fuzz_seconds} s"
    if ! "$BUILD_DIR/tests/fuzz/${target}_fuzz" -max_total_time="$fuzz_seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" \
      "$work/new" "$corpus" >"$work/log" 2>&1; then
      tail -n 40 "$work/log"
      failed+=("$target")
    else
      grep -E '^stat::number_of_executed_units|^Done' "$work/log" || true
    fi
  done
  if [[ ${#failed[@]} -gt 0 ]]; then
    echo "Fuzzing found failing inputs in: ${failed[*]} (see $BUILD_DIR/fuzz-run/<target>/)." >&2
    echo "Replay one with build/tests/fuzz/<target>_fuzz_replay FILE; once the fault is mended," >&2
    echo "keep the input in tests/fuzz/corpus/<target>/ so ctest replays it from then on." >&2
    exit 1
  fi
  ;;
esac
