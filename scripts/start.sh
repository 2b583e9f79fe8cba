#!/usr/bin/env bash
# Builds the program when needed (only it, not the tests) and starts it in
# ./work, a ready working directory with the sample programs:
#   scripts/start.sh [ARGS]            VORN-T (a sample program loaded)
#   scripts/start.sh --vorn-s [ARGS]   VORN_s, the program store on its own
#   scripts/start.sh --dirmark [ARGS]  Dirmark, the shared folders VORN-T lists
# Other arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=vornt
case "${1:-}" in
  --vorn-s) program=vorn_s; shift ;;
  --dirmark) program=dirmark; shift ;;
  --help|-h) sed -n '2,7s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"; exit 0 ;;
esac
build_targets=$program
source "$root/scripts/setup.sh"
mkdir -p "$root/work"
cp -n "$root/data/samples/"*.nc "$root/work/" 2>/dev/null || true
cd "$root/work"
if [ "$program" = vornt ] && [ $# -eq 0 ]; then set -- sample.nc; fi
exec "$root/build/apps/$program" --work-dir "$root/work" "$@"
