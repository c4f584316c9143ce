#!/usr/bin/env bash
# Runs the README's commands as a new user would, on a Debian 12 machine that has nothing: a
# pristine root made with debootstrap (minbase, from this machine's own apt mirror), one fresh
# copy per command, with this checkout's tracked files (as they are in the working tree) where
# people keep a checkout: root's in /root/project, whose folders no other user may enter (as
# Debian makes every home folder). Says each command's exit status and time; fails when one fails.
#
#   scripts/check-fresh-debian.sh [--first | --second | --both] [--as-user]     (default --both)
#
# --first runs `scripts/setup-debian.sh && scripts/run-main-job.sh`, --second runs
# `scripts/setup-debian.sh && scripts/run-tests.sh` (both read from the README as it stands);
# --both runs each in its own fresh root. --run 'COMMAND' runs another command there instead
# (to try a step alone). --as-user runs the commands as an ordinary user, newcomer, with the
# checkout in ~/project and the home folder of mode 0700: root first runs scripts/setup-debian.sh
# there, as an administrator installs packages for a user without sudo, then the user runs the
# whole command line (whose set-up then finds everything installed). Needs root (debootstrap,
# chroot, mounts).
#
# The untouched root is kept as a tarball in $KORVANE_FRESH_CACHE (default
# /var/cache/korvane-fresh-debian), so only the first run downloads it; delete the tarball to
# make a new one. Downloaded packages are kept in $KORVANE_FRESH_CACHE/apt-archives, and the
# builds use this machine's compiler cache (the user's builds a cache of their own in
# $KORVANE_FRESH_CACHE/as-user/ccache, as it may not write root's), so later runs download and
# compile little. KORVANE_FRESH_MIRROR overrides the mirror read from the apt sources;
# KORVANE_FRESH_KEEP=1 keeps the last root (unmounted) for a look inside.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cache=${KORVANE_FRESH_CACHE:-/var/cache/korvane-fresh-debian}
tarball=$cache/debian-bookworm-minbase.tar
archives=$cache/apt-archives
# The user's compiler cache, in a folder only root may enter: the user's id may belong to
# someone else on this machine.
user_cache=$cache/as-user/ccache
# The ordinary user of --as-user; the fixed id keeps the user's compiler cache theirs in every root.
user_name=newcomer
user_id=1000
# The README's two commands, as it writes them: the first two command lines of its first block.
mapfile -t readme_commands < <(awk '/^```sh/ { inside = 1; next } /^```/ && inside { exit }
  inside && NF && !/^#/ { print }' "$top/README.md")
[ ${#readme_commands[@]} -ge 2 ] || { echo "check-fresh-debian: found no two commands in README.md" >&2; exit 1; }
first=${readme_commands[0]}
second=${readme_commands[1]}

say() { echo "check-fresh-debian: $*"; }
die() { echo "check-fresh-debian: $*" >&2; exit 1; }

arguments=("$@")
which_commands=both
as_user=0
while [ $# -gt 0 ]; do
  case $1 in
    --first) which_commands=first; shift ;;
    --second) which_commands=second; shift ;;
    --both) which_commands=both; shift ;;
    --run) which_commands=other; other=${2:?--run needs a command}; shift 2 ;;
    --as-user) as_user=1; shift ;;
    -h|--help) sed -n '2,28p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) die "unknown argument $1 (try --help)" ;;
  esac
done
if [ $as_user -eq 1 ]; then
  home=/home/$user_name
else
  home=/root
fi
inside=$home/project

if [ "$(id -u)" -ne 0 ]; then
  die "needs root: it makes a Debian root with debootstrap, mounts /proc, /sys and /dev into it and chroots there. Run: sudo $0 ${arguments[*]}"
fi

# Mounts made below stay in a mount namespace of their own: nothing propagates back to the
# machine's /dev, and the kernel drops them all when the script ends, however it ends.
if [ -z "${KORVANE_FRESH_NAMESPACE:-}" ]; then
  exec env KORVANE_FRESH_NAMESPACE=1 unshare --mount --propagation private "$0" "${arguments[@]}"
fi

# Prints the URI of this machine's Debian mirror for bookworm, from its apt sources.
read_mirror() {
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk '
      function flush() { if (deb && suite && uri != "") { print uri; found = 1; exit } deb = suite = 0; uri = "" }
      /^[ \t]*$/ { flush(); next }
      /^Types:/ { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == "bookworm") suite = 1 }
      /^URIs:/ { uri = $2 }
      END { if (!found) flush() }
    ' "$file"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    sed -n -E 's/^deb[ \t]+(\[[^]]*\][ \t]+)?([^ \t]+)[ \t]+bookworm[ \t].*/\2/p' "$file"
  done
}

# Makes the untouched root once and keeps it as a tarball, with the machine's apt sources in it
# (a fresh install has its security and update suites too).
make_root_tarball() {
  [ -f "$tarball" ] && return 0
  local mirror
  mirror=${KORVANE_FRESH_MIRROR:-$(read_mirror | head -n 1)}
  [ -n "$mirror" ] || die "found no Debian bookworm mirror in /etc/apt/sources*; set KORVANE_FRESH_MIRROR"
  if ! command -v debootstrap >/dev/null 2>&1; then
    say "installing debootstrap"
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
  fi
  local staging
  staging=$(mktemp -d "$cache/staging.XXXXXX")
  say "making a minimal Debian 12 root from $mirror (once; kept in $tarball)"
  local start=$SECONDS
  if ! debootstrap --variant=minbase bookworm "$staging/root" "$mirror" > "$staging/debootstrap.log" 2>&1; then
    tail -n 30 "$staging/debootstrap.log" >&2
    rm -rf --one-file-system "$staging"
    die "debootstrap failed"
  fi
  rm -f "$staging/root/etc/apt/sources.list"
  cp -a /etc/apt/sources.list.d/. "$staging/root/etc/apt/sources.list.d/"
  [ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$staging/root/etc/apt/"
  # Only Debian's own sources: the machine may list others (disabled or not) a fresh one lacks.
  find "$staging/root/etc/apt/sources.list.d" -type f ! -name 'debian.sources' ! -name 'debian.list' -delete
  rm -rf "$staging/root/var/cache/apt/archives/"*.deb "$staging/root/var/lib/apt/lists/"*_Packages
  tar --numeric-owner -C "$staging/root" -cf "$staging/root.tar" .
  mv "$staging/root.tar" "$tarball"
  rm -rf --one-file-system "$staging"
  say "root made in $((SECONDS - start)) s"
}

work=
root=

# Kills every process whose root folder is the fresh root (a daemon a package or test started).
kill_processes_in_root() {
  local pass pid link found
  for pass in TERM TERM KILL; do
    found=0
    for pid in /proc/[0-9]*; do
      link=$(readlink "$pid/root" 2>/dev/null) || continue
      case $link in
        "$root"|"$root"/*) kill -s "$pass" "${pid#/proc/}" 2>/dev/null && found=1 ;;
      esac
    done
    [ $found -eq 0 ] && return 0
    sleep 1
  done
}

# Prints the mount points at or below the fresh root, deepest first.
mounts_in_root() {
  awk -v root="$root" '$5 == root || index($5, root "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r
}

# Stops what runs in the root, unmounts everything and removes the copy (unless asked to keep it).
clean_up() {
  [ -n "$root" ] || return 0
  kill_processes_in_root
  local point
  for point in $(mounts_in_root); do
    umount "$point" 2>/dev/null || umount -l "$point"
  done
  if [ -n "$(mounts_in_root)" ]; then
    echo "check-fresh-debian: could not unmount everything below $root; left it in place" >&2
  elif [ "${KORVANE_FRESH_KEEP:-0}" = 1 ]; then
    say "kept the root in $root"
  else
    rm -rf --one-file-system "$work"
  fi
  root=
}
snapshot=
trap 'clean_up; [ -z "$snapshot" ] || rm -f "$snapshot"' EXIT
trap 'exit 130' INT TERM HUP

# Unpacks a fresh copy of the root, copies the checkout in and mounts what a running machine has.
prepare_root() {
  work=$(mktemp -d "${KORVANE_FRESH_WORK:-/var/tmp}/korvane-fresh.XXXXXX")
  root=$work/root
  mkdir "$root"
  tar --numeric-owner -C "$root" -xpf "$tarball"
  # A machine knows its own name and how to reach the mirror.
  cp /etc/resolv.conf /etc/hosts "$root/etc/"
  # A chroot has no init: services a package installs (cupsd) must not start here, in the
  # machine's network, where nothing would stop them.
  printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"

  place_checkout

  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
  mount -t tmpfs -o mode=755 tmpfs "$root/run"
  mkdir -p "$archives" "$ccache_dir" "$root/var/cache/ccache"
  mount --bind "$archives" "$root/var/cache/apt/archives"
  if [ $as_user -eq 1 ]; then
    install -d -m 700 "$(dirname "$user_cache")"
    mkdir -p "$user_cache"
    chown "$user_id:$user_id" "$user_cache"
    mount --bind "$user_cache" "$root/var/cache/ccache"
  else
    mount --bind "$ccache_dir" "$root/var/cache/ccache"
  fi
}

# Puts the checkout where whoever runs the commands keeps it, as a clone there would have it:
# root's in /root, an ordinary user's in a home folder that only the user may enter.
place_checkout() {
  if [ $as_user -eq 1 ]; then
    chroot "$root" useradd --create-home --uid "$user_id" --user-group --shell /bin/bash "$user_name"
  fi
  mkdir -p "$root$inside"
  tar -C "$root$inside" -xpf "$snapshot"
  chmod 700 "$root$home" "$root$inside"
  if [ $as_user -eq 1 ]; then
    chown -R "$user_id:$user_id" "$root$inside"
  fi
}

# Runs a command line in the checkout inside the fresh root, as root or (with --as-user and
# "user") as the ordinary user, with the environment a login there has: the user's PATH is
# Debian's for users, without the sbin folders. Compiles share their cache keys with every other
# checkout: paths below the home folder are hashed relative to the build folder, whose own path
# is left out, and the compiler is known by its size and mtime, which dpkg takes from the
# package (the same in every root).
run_in_checkout() {
  local who=$1 command=$2 as=() path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
  local login=(HOME=/root USER=root LOGNAME=root)
  if [ "$who" = user ]; then
    as=(--userspec="$user_id:$user_id" --groups="$user_id")
    path=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games
    login=(HOME="$home" USER=$user_name LOGNAME=$user_name)
  fi
  chroot "${as[@]}" "$root" /usr/bin/env -i "${login[@]}" TERM="${TERM:-dumb}" PATH=$path \
    CCACHE_DIR=/var/cache/ccache CCACHE_BASEDIR="$home" CCACHE_NOHASHDIR=true \
    CCACHE_COMPILERCHECK=mtime CCACHE_STATSLOG=/var/tmp/ccache-stats.log \
    /bin/bash -c "cd $inside && $command" < /dev/null
}

# Runs one README command in a fresh root, as root (or, with --as-user, as the ordinary user
# after root's set-up), and records its status and time.
results=()
failed=0
run_in_fresh_root() {
  local name=$1 command=$2 status=0 start who=root set_up=
  prepare_root
  if [ $as_user -eq 1 ]; then
    who=user
    say "installing the packages as root, for $user_name, who has no sudo"
    start=$SECONDS
    run_in_checkout root scripts/setup-debian.sh || status=$?
    set_up=" (root's set-up before it: exit $status after $((SECONDS - start)) s)"
  fi
  say "running the README's $name command in a fresh Debian 12 root as $(id_of "$who") in $inside: $command"
  start=$SECONDS
  [ $status -ne 0 ] || run_in_checkout "$who" "$command" || status=$?
  local took=$((SECONDS - start)) hits=
  # The compiler cache's hits in this command alone (the cache itself is shared).
  if [ -x "$root/usr/bin/ccache" ] && [ -f "$root/var/tmp/ccache-stats.log" ]; then
    hits=$(chroot "$root" /usr/bin/env -i CCACHE_DIR=/var/cache/ccache CCACHE_STATSLOG=/var/tmp/ccache-stats.log \
      /usr/bin/ccache --show-log-stats | sed -n 's/^ *Hits: *\([0-9]* *\/ *[0-9]*\).*(\(.*\)).*/, compiler cache hits \1 (\2)/p')
  fi
  results+=("$name command ($command) as $(id_of "$who") in $inside: exit $status after $took s$hits$set_up")
  [ $status -eq 0 ] || failed=1
  clean_up
}

# The name of root or of the ordinary user.
id_of() {
  if [ "$1" = user ]; then echo "$user_name"; else echo root; fi
}

mkdir -p "$cache"
if command -v ccache >/dev/null 2>&1; then
  ccache_dir=$(ccache -k cache_dir)
else
  ccache_dir=$cache/ccache
fi
make_root_tarball

# The checkout as a clone of it would have it (tracked files only, as they are in the working
# tree), taken once so that every root gets the same files.
snapshot=$(mktemp "$cache/checkout.XXXXXX.tar")
(cd "$top" && git ls-files -z | while IFS= read -r -d '' f; do
   if [ -e "$f" ] || [ -L "$f" ]; then printf '%s\0' "$f"; fi
 done | tar --null --no-recursion -T - -cf "$snapshot")

case $which_commands in
  first) run_in_fresh_root first "$first" ;;
  second) run_in_fresh_root second "$second" ;;
  both) run_in_fresh_root first "$first"; run_in_fresh_root second "$second" ;;
  other) run_in_fresh_root given "$other" ;;
esac

for line in "${results[@]}"; do say "$line"; done
exit $failed
