#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the application need, when any is
# missing. As root it runs apt-get itself; otherwise it prints the line to run and fails.
# With --fuzz it also installs clang and its libFuzzer runtime for ./test.sh --fuzz.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev fonts-dejavu-core
  # lupdate and lrelease, and CMake's Qt6LinguistTools that makes the translations' catalogues
  qt6-l10n-tools qt6-tools-dev
  # printed pages: Arial's and Times New Roman's metric twins, a font with the full-width colon
  # of the title, and the PDF readers the print tests check pages with
  fonts-liberation2 fonts-wqy-microhei poppler-utils
  xvfb xauth
  # the Debian package, its manual pages and icons, and the checks of its files
  dpkg-dev fakeroot file lintian desktop-file-utils appstream help2man librsvg2-bin
  # a real serial device server: the tests and the benchmark of network ports start their own
  # (Debian's package also starts its service with its own configuration on localhost;
  # "systemctl disable --now ser2net" stops it)
  ser2net
)
if [[ "${1:-}" == "--fuzz" ]]; then
  # libFuzzer comes with clang only (g++ has no -fsanitize=fuzzer).
  PACKAGES+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for pkg in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

line="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  echo "These packages are missing: ${missing[*]}" >&2
  echo "Install them as root with:" >&2
  echo "  $line" >&2
  exit 1
fi
echo "Installing missing packages: ${missing[*]}"
apt-get update
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
