#!/usr/bin/env bash
# Builds when needed and starts VORN_s, the learner's edition, in ./work.
# The learner's number comes from VORN_LEARNER (or pass --learner N yourself);
# extra arguments go to vorn_s.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/setup.sh"
mkdir -p "$root/work"
cp -n "$root/data/samples/"*.nc "$root/work/" 2>/dev/null || true
cd "$root/work"
if [ $# -eq 0 ]; then set -- sample.nc; fi
if [ -n "${VORN_LEARNER:-}" ]; then set -- --learner "$VORN_LEARNER" "$@"; fi
exec "$root/build/apps/vorn_s" --work-dir "$root/work" "$@"
