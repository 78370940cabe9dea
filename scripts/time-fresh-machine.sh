#!/usr/bin/env bash
# Times the README's two commands as a new user meets them: on a bare Debian 12 (a minbase
# debootstrap chroot: no compiler, no Qt), in a plain clone of a branch of this repository, as root.
#
#   scripts/time-fresh-machine.sh CHROOT_DIR [BRANCH] [--main-job-only]
#
# Makes CHROOT_DIR afresh with debootstrap from the Debian archive ($OMBRISK_DEBIAN_MIRROR, default
# the archive's own; or, with $OMBRISK_BARE_TARBALL, unpacks a tar of such a debootstrap made
# earlier, to save its minutes), clones BRANCH (default: the one checked out) into /root/ombrisk inside it,
# then runs ./scripts/run-demo.sh and, unless --main-job-only, ./scripts/run-tests.sh there, each
# timed, with the load average before and after. Logs go to CHROOT_DIR.log/. Needs root and
# debootstrap (apt-get install debootstrap), and takes much of both cores.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: scripts/time-fresh-machine.sh CHROOT_DIR [BRANCH] [--main-job-only]}
branch=${2:-$(git -C "$repo" rev-parse --abbrev-ref HEAD)}
main_only=false
[[ ${3:-} == --main-job-only || ${2:-} == --main-job-only ]] && main_only=true
[[ $branch == --main-job-only ]] && branch=$(git -C "$repo" rev-parse --abbrev-ref HEAD)
mirror=${OMBRISK_DEBIAN_MIRROR:-http://deb.debian.org/debian}
command -v debootstrap >/dev/null || { echo "time-fresh-machine: needs debootstrap" >&2; exit 1; }
[[ $(id -u) == 0 ]] || { echo "time-fresh-machine: needs root (debootstrap, chroot)" >&2; exit 1; }

dir=$(realpath -m "$dir")
logs=$dir.log
case $dir in "$repo" | "$repo"/*) echo "time-fresh-machine: $dir is inside the repository" >&2; exit 1 ;; esac
if mountpoint -q "$dir/proc" 2>/dev/null; then echo "time-fresh-machine: $dir is in use" >&2; exit 1; fi
rm -rf "$dir" "$logs"
mkdir -p "$logs"

mounted=()
unmount() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" || true; done
}
trap unmount EXIT

note() { echo "time-fresh-machine: $*" | tee -a "$logs/figures.txt"; }
start=$(date +%s)
if [[ -n ${OMBRISK_BARE_TARBALL:-} ]]; then
  note "bare bookworm (minbase) unpacked from $OMBRISK_BARE_TARBALL into $dir"
  mkdir -p "$dir" && tar -C "$dir" -xf "$OMBRISK_BARE_TARBALL"
else
  note "debootstrap of bookworm (minbase) from $mirror into $dir"
  debootstrap --variant=minbase bookworm "$dir" "$mirror" > "$logs/debootstrap.log" 2>&1
fi
note "the bare machine took $(($(date +%s) - start)) s to make (not part of the figures)"
# The packages debootstrap fetched stay in apt's cache; a bare machine has none beyond its own.
rm -f "$dir"/var/cache/apt/archives/*.deb
cp /etc/resolv.conf "$dir/etc/resolv.conf"
git clone -q --branch "$branch" "$repo" "$dir/root/ombrisk"
note "cloned $branch at $(git -C "$dir/root/ombrisk" rev-parse --short HEAD)"

mount -t proc proc "$dir/proc" && mounted+=("$dir/proc")
mount --bind /dev "$dir/dev" && mounted+=("$dir/dev")
mount --bind /dev/pts "$dir/dev/pts" && mounted+=("$dir/dev/pts")
mount -t sysfs sysfs "$dir/sys" && mounted+=("$dir/sys")
mount -t tmpfs tmpfs "$dir/dev/shm" && mounted+=("$dir/dev/shm")
mount -t tmpfs tmpfs "$dir/tmp" && mounted+=("$dir/tmp")

# stamped: each line of its input with the seconds since it began, so a log shows where the time went.
stamped() {
  local start=$SECONDS line
  while IFS= read -r line; do printf '%4d %s\n' $((SECONDS - start)) "$line"; done
}

# timed NAME COMMAND: runs COMMAND in the clone, in a plain root environment, and notes the time.
timed() {
  local name=$1 command=$2 begin status=0
  note "$name: load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
  begin=$(date +%s)
  env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TERM=dumb LANG=C.UTF-8 \
    chroot "$dir" bash -c "cd /root/ombrisk && $command" 2>&1 | stamped > "$logs/$name.log" || status=$?
  note "$name: $command took $(($(date +%s) - begin)) s, exit $status;" \
    "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
  return $status
}
status=0
timed main-job ./scripts/run-demo.sh || status=1
if ! $main_only; then timed test-command ./scripts/run-tests.sh || status=1; fi
cat "$logs/figures.txt"
exit $status
