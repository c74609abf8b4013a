#!/usr/bin/env bash
# Builds the Debian package in a build folder and checks it as a user's machine would see it:
# the files it installs, the dependencies dpkg-shlibdeps found, the versions the programs print,
# the desktop entry, the metainfo, the udev rule, and lintian's verdict (no errors).
#
#   check-package.sh BUILD_DIR VERSION DESKTOP_ID
set -euo pipefail

build_dir=$1
version=$2
desktop_id=$3

# cpack, dpkg and lintian leave caches in the temporary folder: give them one of their own.
TMPDIR=$(mktemp -d -t tavrel-package-check.XXXXXX)
trap 'rm -rf -- "$TMPDIR"' EXIT
export TMPDIR

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

for tool in cpack dpkg-deb dpkg-shlibdeps fakeroot lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || {
    echo "check-package.sh: $tool is missing: run scripts/ensure-packages.sh" >&2
    exit 1
  }
done

arch=$(dpkg --print-architecture)
deb="$build_dir/tavrel_${version}_${arch}.deb"
rm -f -- "$deb"
(cd "$build_dir" && cpack -G DEB >cpack.log 2>&1) || {
  cat "$build_dir/cpack.log" >&2
  echo "check-package.sh: cpack failed" >&2
  exit 1
}
[[ -f "$deb" ]] || { echo "check-package.sh: cpack wrote no $deb" >&2; exit 1; }
echo "Built $deb"

# The files a user gets.
listing=$(dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|')
expected=(
  /usr/bin/tavrel
  /usr/bin/tavrel-cli
  /usr/bin/tavrel-unit-sim
  "/usr/share/applications/$desktop_id.desktop"
  "/usr/share/metainfo/$desktop_id.metainfo.xml"
  "/usr/share/icons/hicolor/scalable/apps/$desktop_id.svg"
  /usr/share/man/man1/tavrel.1.gz
  /usr/share/man/man1/tavrel-cli.1.gz
  /usr/share/man/man1/tavrel-unit-sim.1.gz
  /usr/lib/udev/rules.d/70-tavrel-serial-adapters.rules
  /usr/share/doc/tavrel/copyright
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/$desktop_id.png")
done
for file in "${expected[@]}"; do
  grep -qxF -- "$file" <<<"$listing" || fail "the package lacks $file"
done

# Dependencies computed from the binaries, plus the platform plugins Qt loads at run time.
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
depends_names=$(sed -e 's/ *([^)]*)//g' -e 's/, */\n/g' <<<"$depends")
for package in libc6 libstdc++6 libqt6core6 libqt6widgets6 qt6-qpa-plugins; do
  grep -qxF -- "$package" <<<"$depends_names" || fail "Depends lacks $package"
done

root=$(mktemp -d) # inside $TMPDIR, removed with it
dpkg-deb --extract "$deb" "$root"

# Every program prints the package's version, without a display.
for program in tavrel tavrel-cli tavrel-unit-sim; do
  printed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$root/usr/bin/$program" --version 2>&1) || fail "$program --version failed"
  [[ "$printed" == "$program $version" ]] || fail "$program --version printed '$printed'"
done

# The PNG sizes are what their folders say.
for size in 16 48 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$desktop_id.png"
  [[ -f "$png" ]] || continue
  dimensions=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [[ "$dimensions" == "${size}x${size}" ]] || fail "$png is $dimensions"
done

desktop-file-validate "$root/usr/share/applications/$desktop_id.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$desktop_id.metainfo.xml" ||
  fail "appstreamcli validate"

# The udev rule: each adapter family by vendor ID, access for the seat's user, ModemManager off.
rules="$root/usr/lib/udev/rules.d/70-tavrel-serial-adapters.rules"
if [[ -f "$rules" ]]; then
  for vendor in 0403 10c4 1a86 067b; do
    grep -q "ATTRS{idVendor}==\"$vendor\"" "$rules" || fail "the udev rule lacks vendor $vendor"
  done
  grep -q 'TAG+="uaccess"' "$rules" || fail "the udev rule grants no uaccess"
  grep -q 'ENV{ID_MM_DEVICE_IGNORE}="1"' "$rules" || fail "the udev rule leaves ModemManager on"
fi

# Lintian: errors fail the check; warnings and notes are shown.
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"

if ((failures > 0)); then
  echo "$failures package check(s) failed" >&2
  exit 1
fi
echo "The package $deb passed every check"
