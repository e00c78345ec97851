#!/usr/bin/env bash
# Runs the README's test command on a machine that has nothing installed: bootstraps a minimal Debian 12
# root (debootstrap --variant=minbase bookworm) into a new temporary folder, clones the committed state of
# this checkout into it with ../shared beside the clone, and runs the command there in a chroot with a
# clean environment. The root is unmounted and removed afterwards, also after a failure or an interrupt:
# nothing is kept between runs (no bootstrapped base, no apt cache, no compiler cache) that could hide a
# missing step. The exit status is the command's.
#   scripts/fresh-machine.sh [COMMAND]     COMMAND defaults to "scripts/setup.sh test"
# Needs root; re-runs itself through sudo otherwise. Environment:
#   FRESH_TMPDIR    where the temporary folder is made (default: TMPDIR, else /tmp)
#   DEBIAN_MIRROR   the mirror to bootstrap from (default: the machine's configured Debian mirror)
set -uo pipefail

command_in_root=${1:-scripts/setup.sh test}
checkout=$(cd "$(dirname "$0")/.." && pwd)

if [ "$(id -u)" -ne 0 ]; then
  exec sudo env FRESH_TMPDIR="${FRESH_TMPDIR:-}" DEBIAN_MIRROR="${DEBIAN_MIRROR:-}" TMPDIR="${TMPDIR:-}" \
    bash "$0" "$command_in_root"
fi

say() { echo "fresh-machine [$(date +%T), $((SECONDS / 60)) min]: $*"; }

# The Debian mirror this machine's apt uses, so the root comes from where its packages come from.
configured_mirror() {
  local uri
  if [ -r /etc/apt/sources.list.d/debian.sources ]; then
    uri=$(awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /security/) { print $i; exit } }' \
      /etc/apt/sources.list.d/debian.sources)
  fi
  if [ -z "${uri:-}" ] && [ -r /etc/apt/sources.list ]; then
    uri=$(awk '$1 == "deb" && $0 ~ / bookworm / && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }' \
      /etc/apt/sources.list)
  fi
  echo "${uri:-http://deb.debian.org/debian}"
}

if ! command -v debootstrap >/dev/null; then
  say "installing debootstrap"
  apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap \
    >/dev/null || { echo "fresh-machine: cannot install debootstrap" >&2; exit 1; }
fi

work=$(mktemp -d "${FRESH_TMPDIR:-${TMPDIR:-/tmp}}/pimdesk-fresh.XXXXXX") && work=$(cd "$work" && pwd -P) || exit 1
root=$work/root
child= # the step running now (debootstrap, the command in the root)

# Every mount point at or below the root, deepest first.
mounts_below_root() {
  findmnt -rn -o TARGET | awk -v r="$root" '$0 == r || index($0, r "/") == 1' | sort -r
}

# Ends a process and everything it started.
end_tree() { # pid
  local c
  for c in $(cat /proc/"$1"/task/*/children 2>/dev/null); do end_tree "$c"; done
  kill -KILL "$1" 2>/dev/null
}

# Runs a step in the background and waits for it, so that a TERM or an interrupt reaches the trap at
# once rather than when the step ends.
run_step() {
  "$@" &
  child=$!
  wait "$child"
  local status=$?
  child=
  return $status
}

cleanup() {
  local status=$?
  trap - EXIT INT TERM
  [ -n "$child" ] && end_tree "$child"
  # Processes still running inside the root (an interrupted build or test) hold its mounts: end them.
  local pid dir
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    [ "$(readlink "$dir/root" 2>/dev/null)" = "$root" ] && kill -KILL "$pid" 2>/dev/null
  done
  # What debootstrap, the binds below or a test mounted inside the root.
  local m
  for _ in 1 2 3; do
    for m in $(mounts_below_root); do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null; done
    [ -z "$(mounts_below_root)" ] && break
    sleep 1
  done
  if [ -n "$(mounts_below_root)" ]; then
    echo "fresh-machine: still mounted, $work left in place:" >&2
    mounts_below_root >&2
  else
    rm -rf --one-file-system "$work"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mirror=${DEBIAN_MIRROR:-$(configured_mirror)}
say "bootstrapping Debian 12 (minbase) from $mirror into $root"
if ! run_step debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1; then
  tail -30 "$work/debootstrap.log" >&2
  echo "fresh-machine: debootstrap failed" >&2
  exit 1
fi

# The same Debian sources as this machine (the release with its updates and security fixes), as a
# newly installed Debian 12 has; debootstrap alone names only the release.
if [ -r /etc/apt/sources.list.d/debian.sources ] && [ -z "${DEBIAN_MIRROR:-}" ]; then
  cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/debian.sources"
  rm -f "$root/etc/apt/sources.list"
fi
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

# The committed state of the checkout, not its working files; the shared test data beside it, where
# the tests look for it (../shared/testdata).
commit=$(git -C "$checkout" rev-parse HEAD) || exit 1
say "cloning $checkout at $commit"
git clone -q --no-checkout "$checkout" "$root/srv/pimdesk" || exit 1
git -C "$root/srv/pimdesk" fetch -q "$checkout" "$commit" && git -C "$root/srv/pimdesk" checkout -q --detach "$commit" || exit 1
if [ -d "$checkout/../shared" ]; then
  cp -a "$(readlink -f "$checkout/../shared")" "$root/srv/shared" || exit 1
else
  say "no ../shared beside the checkout: the tests that read the shared test data will say they are skipped"
fi

# The root is a mount point of its own, as / is on a running machine (unshare -m, findmnt / need it).
mount --bind "$root" "$root" && mount --make-private "$root" || exit 1
# As on a running machine, with what is mounted below them (/dev/shm, /dev/pts); as slaves, so that
# unmounting them here never unmounts anything of this machine.
for m in proc dev sys; do
  mount --rbind "/$m" "$root/$m" && mount --make-rslave "$root/$m" || exit 1
done

say "running '$command_in_root' in the new root"
run_step chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 CI=true /bin/bash -c "cd /srv/pimdesk && $command_in_root" </dev/null
status=$?
say "'$command_in_root' exited $status"
exit "$status"
