#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing) and builds
# into build/: everything, or only the targets in build_targets when the
# sourcing script sets it. Sourced by start.sh, dirmark.sh and test.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What the build and the tests need (the optional fuzz targets also need
# clang and libclang-rt-14-dev; see README).
packages=(build-essential cmake pkg-config libsdl2-dev libpng-dev unifont
          libgtest-dev libbenchmark-dev hp2xx desktop-file-utils librsvg2-bin)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" ${build_targets:+--target $build_targets}
