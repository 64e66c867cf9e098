#!/usr/bin/env bash
# Tries the README's commands on a fresh Debian: makes a minimal RELEASE (bookworm or trixie) with
# debootstrap in a temporary folder, from the mirror this machine's apt already uses, clones the
# committed HEAD of this repository into it and runs there, as root from the clone's root and with
# no display, `bash tools/run.sh`, `bash tools/test.sh` and `bash tools/check-release.sh`. Prints
# each one's wall time, exit status and closing lines and keeps its output in a log under /tmp.
# Whatever happens, interrupted too, it ends what it started in there, unmounts and removes what it
# made. Needs root; downloads close to a gigabyte. Not part of the test command.
#
#   bash tools/check-fresh-debian.sh [--worktree] RELEASE
#
# --worktree: the work tree as it is, tracked and untracked files but not out/, over the clone of
# HEAD, to try changes before they are committed.
# Exit status 0 only when all three commands passed.
set -uo pipefail

worktree=
if [ "${1:-}" = --worktree ]; then worktree=1; shift; fi
release=${1:-}
case "$release" in
  bookworm | trixie) ;;
  *) echo "usage: bash tools/check-fresh-debian.sh [--worktree] bookworm|trixie" >&2; exit 2 ;;
esac
if [ "$(id -u)" != 0 ]; then
  echo "check-fresh-debian: needs root (debootstrap, mount, chroot)" >&2
  exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
say() { echo "check-fresh-debian $release: $*"; }

# A package list that a mirror caught mid-sync failed to give does not stop the install.
if ! command -v debootstrap >/dev/null; then
  apt-get update -qq || echo "check-fresh-debian: some package lists were not read; going on"
  apt-get install -y -qq debootstrap >/dev/null || exit 1
fi

# The mirrors this machine's apt uses (deb822 or one-line sources); deb.debian.org without them.
uris=$( {
  sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/debian.sources
  sed -n 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]*\)\?\([^[:space:]]*\).*/\2/p' \
    /etc/apt/sources.list
} 2>/dev/null | tr -s ' \t' '\n')
mirror=$(grep -m1 -E '/debian/?$' <<<"$uris" || echo http://deb.debian.org/debian)
security=$(grep -m1 -E '/debian-security/?$' <<<"$uris" || echo "${mirror%/}-security")

logs=/tmp/check-fresh-debian-$release-$(date +%Y%m%d-%H%M%S)
work=$(mktemp -d "/tmp/fresh-debian-$release.XXXXXX") || exit 1
root=$work/root
mounted=()

# Ends what still runs in the temporary system (Xvfb, a Wine server, an interrupted command): the
# processes whose root is that folder, all started by this script.
stop_inside() {
  local signal pid pids
  for signal in TERM KILL; do
    pids=()
    for pid in /proc/[0-9]*; do
      [ "$(readlink "$pid/root" 2>/dev/null)" = "$root" ] && pids+=("${pid#/proc/}")
    done
    [ ${#pids[@]} = 0 ] && return
    kill -s "$signal" "${pids[@]}" 2>/dev/null
    sleep 2
  done
}

# Unmounts in the reverse order (lazily when busy) and removes the folder only when nothing is
# mounted under it any more, so rm never reaches the machine's own /dev.
clean_up() {
  local i
  trap '' INT TERM  # a second Ctrl-C does not cut the cleaning short
  stop_inside
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}"
  done
  if findmnt -rn -o TARGET | grep -qF "$work/"; then
    say "something is still mounted under $work; left in place" >&2
  else
    rm -rf --one-file-system "$work"
  fi
}
trap clean_up EXIT
trap 'say interrupted >&2; exit 130' INT
trap 'say stopped >&2; exit 143' TERM

mount_at() {  # mount_at PATH MOUNT-ARGUMENTS...: PATH inside the temporary system
  local target=$root$1
  shift
  mount "$@" "$target" || exit 1
  mounted+=("$target")
}

say "debootstrap from $mirror (log $logs-debootstrap.log)"
start=$SECONDS
if ! debootstrap --variant=minbase --arch=amd64 "$release" "$root" "$mirror" \
  >"$logs-debootstrap.log" 2>&1; then
  tail -n 20 "$logs-debootstrap.log"
  say "debootstrap failed"
  exit 1
fi
say "minimal system made in $((SECONDS - start)) s"
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $release main
deb $mirror $release-updates main
deb $security $release-security main
EOF
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# Wine and Xvfb need these; the bound /dev is made a slave so that nothing mounted on it here
# reaches the machine's own.
mount_at /proc -t proc proc
mount_at /sys -t sysfs sysfs
mount_at /dev --bind /dev
mount --make-rslave "$root/dev"
mount_at /dev/pts --bind /dev/pts
mount_at /dev/shm -t tmpfs -o mode=1777 tmpfs

clone=$root/root/tavrik9
head=$(git -C "$repo" rev-parse --short HEAD)
git clone --quiet --no-hardlinks "$repo" "$clone" || exit 1
if [ -n "$worktree" ]; then
  git -C "$repo" ls-files -z --cached --others --exclude-standard -- ':!out' |
    tar -C "$repo" --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -C "$clone" -xf -
  git -C "$repo" ls-files -z --deleted | (cd "$clone" && xargs -0 -r rm -f --)
  say "the work tree of $repo (HEAD $head and what is not committed)"
else
  say "the committed HEAD $head of $repo"
fi

# A root login's environment, without DISPLAY; TAVRIK9_64BIT_ONLY passes through.
environment=(HOME=/root USER=root LOGNAME=root SHELL=/bin/bash TERM=dumb
             PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
if [ -n "${TAVRIK9_64BIT_ONLY:-}" ]; then
  environment+=("TAVRIK9_64BIT_ONLY=$TAVRIK9_64BIT_ONLY")
fi
inside() {
  chroot "$root" /usr/bin/env -i "${environment[@]}" /bin/bash -c "cd /root/tavrik9 && $1"
}

status=0
for command in "bash tools/run.sh" "bash tools/test.sh" "bash tools/check-release.sh"; do
  log=$logs-$(basename "${command#* }" .sh).log
  say "$command (log $log)"
  start=$SECONDS
  # In the background, so that an interruption is handled at once, not when the command ends.
  inside "$command" >"$log" 2>&1 </dev/null &
  wait $!
  result=$?
  say "$command: exit status $result after $((SECONDS - start)) s"
  # Which road it took, and what it said it did.
  grep -E '^(wine: |program:|screenshot|not run:|total:|release check:)' "$log" |
    sed 's/^/  > /'
  if [ $result != 0 ]; then
    tail -n 15 "$log" | sed 's/^/  | /'
    status=1
  fi
done
exit $status
