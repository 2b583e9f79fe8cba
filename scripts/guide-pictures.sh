#!/usr/bin/env bash
# Draws the user guide's pictures: each docs/images/NAME.keys is a key script
# that vornt runs headless on a fresh working directory with the sample
# program loaded; the screen at its end becomes NAME.png.
#   scripts/guide-pictures.sh [VORNT [OUT_DIR]]   (default: build/apps/vornt, docs/images)
# The date is fixed, so the same program draws the same pictures; a test
# draws them again and compares them with those in docs/images.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
vornt=$(realpath "${1:-$root/build/apps/vornt}")
out=$(mkdir -p "${2:-$root/docs/images}" && realpath "${2:-$root/docs/images}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for keys in "$root"/docs/images/*.keys; do
  name=$(basename "$keys" .keys)
  rm -rf "$tmp/work" && mkdir -p "$tmp/work"
  cp "$root/data/samples/sample.nc" "$tmp/work/"
  (cd "$tmp/work" && HOME="$tmp" XDG_CONFIG_HOME="$tmp/config" SOURCE_DATE_EPOCH=1767225600 \
    "$vornt" --work-dir "$tmp/work" --headless --keys-file "$keys" --dump-png "$out/$name.png" sample.nc)
done
