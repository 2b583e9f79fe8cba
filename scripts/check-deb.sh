#!/usr/bin/env bash
# Checks the Debian package on a fresh Debian 12 (bookworm): builds the .deb
# with scripts/make-deb.sh, makes a minimal bookworm system with debootstrap
# in CHROOT, installs the package there with apt-get and checks what a new
# user gets: the programs' --version, vornt-cli --help, man vornt-cli, the
# menu of vornt started headless in a fresh folder (the source tree is not
# inside the chroot) and desktop-file-validate on the installed entries.
#   sudo scripts/check-deb.sh [--reuse] [CHROOT]   (default CHROOT: /var/tmp/vornt-bookworm)
# Needs root and the network (the Debian mirror, $DEBIAN_MIRROR or
# deb.debian.org). Slow (a few minutes), so CI does not run it.
# CHROOT must be missing or empty, or made by an earlier run, which is then
# made afresh; --reuse keeps it instead and only reinstalls the package.
# Every check prints what it saw; the exit status is the number of failed
# checks (0: all passed).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
reuse=0
if [ "${1:-}" = "--reuse" ]; then reuse=1; shift; fi
target=${1:-/var/tmp/vornt-bookworm}
marker="$target/.made-by-vornt-check-deb"

if [ "$(id -u)" -ne 0 ]; then
  echo "check-deb: run as root (debootstrap and chroot need it)" >&2
  exit 1
fi
case "$(realpath -m "$target")" in
  "$root" | "$root"/*) echo "check-deb: $target is inside the source tree; choose a folder outside it" >&2; exit 1 ;;
esac
if [ -d "$target" ] && [ -n "$(ls -A "$target")" ] && [ ! -e "$marker" ]; then
  echo "check-deb: $target is not empty and was not made by this script; choose another folder" >&2
  exit 1
fi

step() { printf '\n==== %s\n' "$*"; }

# Mounted while the chroot runs; always unmounted again.
mounts=()
unmount_all() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" || true; done
  mounts=()
}
trap unmount_all EXIT

step "the package (scripts/make-deb.sh)"
"$root/scripts/make-deb.sh"
deb=$(ls -t "$root"/build-deb/vornt_*.deb | head -n 1)

if [ -e "$marker" ] && [ "$reuse" -eq 0 ]; then
  step "removing the chroot of an earlier run"
  rm -rf --one-file-system "$target"
fi
if [ ! -e "$marker" ]; then
  command -v debootstrap >/dev/null || apt-get install -y debootstrap
  step "debootstrap --variant=minbase bookworm $target"
  mkdir -p "$target"
  debootstrap --variant=minbase bookworm "$target" "$mirror" | tail -n 3
  touch "$marker"
fi

for fs in proc sys dev dev/pts; do
  mount --bind "/$fs" "$target/$fs"
  mounts+=("$target/$fs")
done
cp /etc/resolv.conf "$target/etc/resolv.conf"
cp "$deb" "$target/root/"
in_chroot() { chroot "$target" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

step "apt-get install ./$(basename "$deb") (and man-db, desktop-file-utils for the checks)"
in_chroot apt-get -q update >/dev/null
in_chroot sh -c 'apt-get -y -q remove --purge vornt >/dev/null 2>&1 || true'
in_chroot sh -c "cd /root && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./$(basename "$deb") man-db desktop-file-utils" |
  grep -E '^(Setting up vornt|The following NEW|E:)|newly installed' || true

failed=0
# check NAME COMMAND...: runs the command in the chroot, shows its output, counts a failure.
check() {
  local name=$1 out status
  shift
  step "$name"
  set +e
  out=$(in_chroot sh -c "$*" 2>&1)
  status=$?
  set -e
  printf '%s\n' "$out"
  if [ $status -eq 0 ]; then echo "-> ok"; else echo "-> FAILED (exit status $status)"; failed=$((failed + 1)); fi
}

check "dpkg: the package and its dependencies" "dpkg-query -W -f='\${Package} \${Version}\nDepends: \${Depends}\n' vornt"
check "--version of every program" "vornt --version && vorn_s --version && dirmark --version && vornt-cli --version"
check "vornt-cli --help" "vornt-cli --help"
check "man vornt-cli (the first lines)" "MANWIDTH=80 man -P cat vornt-cli | head -n 12 && man -w vornt vorn_s dirmark"
check "vornt --headless --keys '' --dump-text out.txt in a fresh folder" \
  "rm -rf /tmp/fresh && mkdir /tmp/fresh && cd /tmp/fresh && HOME=/tmp/fresh vornt --headless --keys '' --dump-text out.txt && head -n 12 out.txt && grep -q '作成･編集' out.txt && grep -q '終 了' out.txt && ls"
check "the menu as a picture (the characters come from the font package)" \
  "ls /usr/share/unifont/unifont_jp.hex && cd /tmp/fresh && HOME=/tmp/fresh vornt --headless --keys '' --dump-png menu.png && ls -l menu.png && test \$(stat -c %s menu.png) -gt 5000"
check "without a display vornt says so (exit status 1)" "cd /tmp/fresh && vornt 2>&1; test \$? -eq 1"
check "vornt-cli simulate on the shipped sample" "cd /tmp/fresh && vornt-cli simulate /usr/share/vornt/samples/sample.nc"
check "no source path in the programs" "! grep -l '$root' /usr/bin/vornt /usr/bin/vorn_s /usr/bin/dirmark /usr/bin/vornt-cli"
check "desktop-file-validate on the installed entries" \
  "ls /usr/share/applications/vornt.desktop /usr/share/applications/vorn_s.desktop /usr/share/applications/dirmark.desktop && desktop-file-validate /usr/share/applications/vornt.desktop /usr/share/applications/vorn_s.desktop /usr/share/applications/dirmark.desktop"
check "every desktop entry starts an installed program" \
  "for e in /usr/share/applications/vornt.desktop /usr/share/applications/vorn_s.desktop /usr/share/applications/dirmark.desktop; do p=\$(sed -n 's/^Exec=\\([^ ]*\\).*/\\1/p' \$e); command -v \$p || exit 1; done"
check "the file types and the icon" \
  "ls /usr/share/mime/packages/vornt.xml /usr/share/icons/hicolor/scalable/apps/vornt.svg"

step "result"
if [ $failed -eq 0 ]; then echo "all checks passed on $(cat "$target/etc/debian_version") in $target"; else echo "$failed checks failed"; fi
exit $failed
