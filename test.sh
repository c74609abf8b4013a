#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

scripts/ensure-packages.sh

BUILD_DIR=${BUILD_DIR:-build}
# A private runtime folder when there is none, removed again however the run ends.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  XDG_RUNTIME_DIR=$(mktemp -d -t tavrel-runtime.XXXXXX)
  trap 'rm -rf -- "$XDG_RUNTIME_DIR"' EXIT
  export XDG_RUNTIME_DIR
fi
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CI:+-DTAVREL_WERROR=ON}
cmake --build "$BUILD_DIR" -j "$(nproc)"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
