#!/usr/bin/env bash
# Installs what is missing, builds the application and the virtual unit, starts a virtual 4x8 unit
# with device ID 1 in the background and then the application, whose connect dialog lists and
# preselects that unit. The virtual unit is stopped when the application ends.
#
#   ./run.sh                     start the application (needs a display)
#   ./run.sh --screenshot FILE   render the main window connected to the virtual unit under a
#                                virtual X server and save it as a PNG file
#   ./run.sh --package           build the Debian package build/tavrel_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")"

usage() {
  echo "usage: ./run.sh [--screenshot FILE | --package]" >&2
  exit 2
}

screenshot=""
package=""
case "${1:-}" in
  "") ;;
  --package)
    [[ $# -eq 1 ]] || usage
    package=yes
    ;;
  --screenshot)
    [[ -n "${2:-}" && $# -eq 2 ]] || usage
    screenshot=$(realpath -m -- "$2")
    ;;
  *) usage ;;
esac

if [[ -n "$package" ]]; then
  scripts/ensure-packages.sh
  BUILD_DIR=${BUILD_DIR:-build}
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD_DIR" --target tavrel_install_files -j "$(nproc)"
  rm -f -- "$BUILD_DIR"/tavrel_*.deb
  (cd "$BUILD_DIR" && cpack -G DEB)
  debs=("$BUILD_DIR"/tavrel_*.deb)
  echo "Install it with: sudo apt install ./${debs[0]}"
  exit 0
fi

if [[ -z "$screenshot" && -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run.sh: no display available (\$DISPLAY and \$WAYLAND_DISPLAY are empty)," >&2
  echo "so the application window cannot be shown. To see it anyway, render it with" >&2
  echo "  ./run.sh --screenshot FILE" >&2
  exit 1
fi

scripts/ensure-packages.sh

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --target tavrel tavrel_unit_sim_program -j "$(nproc)"

# The virtual unit publishes its port in $XDG_RUNTIME_DIR/tavrel/, where the application looks.
own_runtime_dir=""
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  XDG_RUNTIME_DIR=$(mktemp -d -t tavrel-runtime.XXXXXX)
  own_runtime_dir=$XDG_RUNTIME_DIR
  chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi
link_name="run-$$"
link="$XDG_RUNTIME_DIR/tavrel/$link_name"

"$BUILD_DIR/tools/tavrel-unit-sim" --unit 1:4x8 --name "$link_name" >/dev/null &
sim_pid=$!
stop_unit() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  if [[ -n "$own_runtime_dir" ]]; then
    rm -rf -- "$own_runtime_dir"
  fi
}
trap stop_unit EXIT

for _ in $(seq 50); do
  [[ -e "$link" ]] && break
  kill -0 "$sim_pid" 2>/dev/null || { echo "run.sh: the virtual unit did not start" >&2; exit 1; }
  sleep 0.1
done
[[ -e "$link" ]] || { echo "run.sh: the virtual unit did not publish $link" >&2; exit 1; }
echo "Virtual 4x8 unit with device ID 1 on $link"

if [[ -n "$screenshot" ]]; then
  mkdir -p "$(dirname "$screenshot")"
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$BUILD_DIR/tavrel" --screenshot "$screenshot" --auto-connect "$link" --device-id 1
  echo "Saved $screenshot"
else
  "$BUILD_DIR/tavrel" --port "$link"
fi
