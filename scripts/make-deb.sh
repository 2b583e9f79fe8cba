#!/usr/bin/env bash
# Builds the Debian package vornt_<version>_<arch>.deb into build-deb/: a
# Release build of the programs only (no tests or benchmarks), stripped.
# Install it with: sudo apt-get install ./build-deb/vornt_*.deb
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/build-deb"
cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=Release -DVORNT_TESTS=OFF -DVORNT_BENCH=OFF >/dev/null
cmake --build "$out" -j"$(nproc)"
(cd "$out" && cpack -G DEB)
dpkg-deb --field "$out"/vornt_*.deb Package Version Depends
