#!/usr/bin/env bash
# Builds when needed and starts VORN-T in ./work (a ready working directory
# with a sample program loaded). Extra arguments go to vornt.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/setup.sh"
mkdir -p "$root/work"
cp -n "$root/data/samples/"*.nc "$root/work/" 2>/dev/null || true
cd "$root/work"
if [ $# -eq 0 ]; then set -- sample.nc; fi
exec "$root/build/apps/vornt" --work-dir "$root/work" "$@"
