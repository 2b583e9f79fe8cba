#!/usr/bin/env bash
# Builds when needed and runs every test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/setup.sh"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
