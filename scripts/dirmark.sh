#!/usr/bin/env bash
# Builds when needed and starts Dirmark on ./work, the working directory
# scripts/start.sh gives VORN-T, so that VORN-T lists the folders it registers.
# Extra arguments go to dirmark.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_targets=dirmark
source "$root/scripts/setup.sh"
mkdir -p "$root/work"
exec "$root/build/apps/dirmark" --work-dir "$root/work" "$@"
