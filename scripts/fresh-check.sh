#!/usr/bin/env bash
# Proves that the README's test command passes on a fresh Debian 12 machine:
# builds a new bookworm root from Debian's packages alone (mmdebstrap, or
# debootstrap where it is missing), puts a clean clone of the repository in
# it and runs `bash scripts/test.sh` there as root, in a chroot with /proc,
# /sys and /dev mounted. Prints how long the root and the test command took.
# Takes long (the whole build and test suite from nothing), so it is not part
# of CI. Needs root.
#
# Usage: scripts/fresh-check.sh [--ref REF] [--repo REPO] [--keep] [--dir DIR]
#                               [--mirror URL] [--security-mirror URL]
#   --ref REF     branch, tag or commit to check (default: main)
#   --repo REPO   repository to clone (default: the one this script is in)
#   --keep        keep the root afterwards for inspection (its path is printed)
#   --dir DIR     build the root in DIR (new or empty; implies --keep)
#   --mirror URL, --security-mirror URL
#                 Debian mirrors (default: the ones apt uses on this machine)
set -euo pipefail
# Read whole before it runs: the check takes long, and the file may change
# meanwhile (a checkout, an edit).
{

usage() { sed -n '/^# Usage:/,/^set /{/^set /d; s/^# \{0,1\}//; p}' "$0" >&2; exit "${1:-2}"; }

script_dir=$(cd "$(dirname "$0")" && pwd)
repo=$(git -C "$script_dir" rev-parse --show-toplevel)
ref=main
keep=false
root=
mirror=
security_mirror=
while (($#)); do
  case $1 in
    --ref) ref=${2:?}; shift 2 ;;
    --repo) repo=${2:?}; shift 2 ;;
    --keep) keep=true; shift ;;
    --dir) root=${2:?}; keep=true; shift 2 ;;
    --mirror) mirror=${2:?}; shift 2 ;;
    --security-mirror) security_mirror=${2:?}; shift 2 ;;
    -h | --help) usage 0 ;;
    *) echo "fresh-check: unknown argument '$1'" >&2; usage ;;
  esac
done

[[ $(id -u) -eq 0 ]] || { echo "fresh-check: run it as root (it builds a root and mounts into it)" >&2; exit 1; }

# The URI apt uses here for a suite, from deb822 and one-line sources.
apt_uri() {
  local suite=$1 file
  for file in /etc/apt/sources.list.d/*.sources; do
    [[ -f $file ]] || continue
    awk -v s="$suite" '/^URIs:/ { u = $2 } /^$/ { u = "" }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == s && u != "") { print u; exit } }' "$file"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $file ]] || continue
    sed 's/\[[^]]*\]//' "$file" | awk -v s="$suite" '$1 == "deb" && $3 == s { print $2; exit }'
  done
}
[[ -n $mirror ]] || mirror=$(apt_uri bookworm | head -n 1)
[[ -n $mirror ]] || mirror=http://deb.debian.org/debian
[[ -n $security_mirror ]] || security_mirror=$(apt_uri bookworm-security | head -n 1)
[[ -n $security_mirror ]] || security_mirror=http://deb.debian.org/debian-security

if [[ -z $root ]]; then
  root=$(mktemp -d "${TMPDIR:-/var/tmp}/mirvosim-fresh-XXXXXX")
else
  mkdir -p "$root"
  root=$(cd "$root" && pwd)
  [[ -z $(ls -A "$root") ]] || { echo "fresh-check: $root is not empty" >&2; exit 1; }
fi

mounts=()
mount_in() { # mount_in TARGET MOUNT-ARGUMENTS...
  local target=$root$1
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounts+=("$target")
}

# Whatever still runs inside the root (daemons a test or a package started)
# is stopped before its file systems go.
stop_processes_in_root() {
  local proc pid pids=()
  for proc in /proc/[0-9]*; do
    pid=${proc#/proc/}
    [[ $pid != "$$" && $(readlink "$proc/root" 2>/dev/null) == "$root" ]] && pids+=("$pid")
  done
  ((${#pids[@]})) || return 0
  kill "${pids[@]}" 2>/dev/null || true
  sleep 2
  kill -9 "${pids[@]}" 2>/dev/null || true
}

cleaned=false
cleanup() {
  $cleaned && return
  cleaned=true
  stop_processes_in_root
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" || true
  done
  if grep -qF " $root/" /proc/mounts; then
    echo "fresh-check: something is still mounted under $root; leaving it in place" >&2
  elif $keep; then
    echo "fresh-check: the root is kept in $root"
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

start=$SECONDS
elapsed() { local s=$(($2 - $1)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }

echo "== fresh Debian 12 root in $root (mirror $mirror)"
sources=("deb $mirror bookworm main" "deb $mirror bookworm-updates main"
  "deb $security_mirror bookworm-security main")
# git: the machine the repository is cloned on has it; nothing else is added.
if command -v mmdebstrap >/dev/null; then
  mmdebstrap --mode=root --variant=important --include=git,ca-certificates bookworm "$root" "${sources[@]}"
else
  debootstrap --include=git,ca-certificates bookworm "$root" "$mirror"
  printf '%s\n' "${sources[@]}" >"$root/etc/apt/sources.list"
fi
root_built=$SECONDS

cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# A fresh root knows localhost but not this machine's host name, as on many
# new machines and containers: nothing may rely on the host name resolving.
[[ -s $root/etc/hosts ]] || printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
# Services that packages install are not started in a chroot (Debian's usual
# policy-rc.d); the tests start the daemons they need themselves.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

echo "== clone of $repo at $ref"
git clone -q --no-local "$repo" "$root/root/mirvosim"
# A branch of the source, a tag or a commit; else any ref the source knows
# (origin/main in a clone that has no main of its own).
git -C "$root/root/mirvosim" -c advice.detachedHead=false checkout -q "$ref" 2>/dev/null ||
  { git -C "$root/root/mirvosim" fetch -q "$repo" "$ref" &&
    git -C "$root/root/mirvosim" -c advice.detachedHead=false checkout -q FETCH_HEAD; } ||
  { echo "fresh-check: $repo has no ref '$ref'" >&2; exit 1; }
echo "   $(git -C "$root/root/mirvosim" log -1 --format='%h %s')"

mount_in /proc -t proc proc
# /sys as the machine has it, with what systemd mounts below it (the cgroup
# file systems slurmd needs); each bind on its own, so that unmounting them
# never reaches the machine's.
mount_in /sys --bind /sys
while read -r _ mount_point _; do
  if [[ $mount_point == /sys/* ]]; then mount_in "$mount_point" --bind "$mount_point"; fi
done < <(cat /proc/mounts)
mount_in /dev --bind /dev
mount_in /dev/pts --bind /dev/pts
mount_in /dev/shm -t tmpfs tmpfs
mount_in /run -t tmpfs tmpfs
mkdir -p "$root/run/lock"

echo "== bash scripts/test.sh in the fresh root"
test_start=$SECONDS
status=0
# In the background, so that a signal to this script stops it at once.
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  /bin/bash -c 'cd /root/mirvosim && bash scripts/test.sh' </dev/null &
wait $! || status=$?
end=$SECONDS

echo "== fresh check: root $(elapsed "$start" "$root_built"), test command $(elapsed "$test_start" "$end"), total $(elapsed "$start" "$end")"
if ((status)); then
  echo "fresh check FAILED: scripts/test.sh exited with $status on a fresh Debian 12 root"
  exit "$status"
fi
echo "fresh check passed: the README's test command passes on a fresh Debian 12 root"
exit 0
}
