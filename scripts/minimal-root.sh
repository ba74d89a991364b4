# A minimal Debian 12 root file system to check things in, shared by the
# checks that need a clean system (check-minimal-debian.sh,
# check-deb-install.sh). Sourced, not run; needs root. The caller sets
# `root` (an absolute path) before calling any function here.
#
# VEXA_MIRROR overrides the mirror, which is otherwise the one apt uses here.

MINIMAL_ROOT_SUITE=bookworm
MINIMAL_ROOT_PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
# How long processes left inside the root get to end before being killed.
MINIMAL_ROOT_STOP_WAIT_SECONDS=10

minimal_root_mirror() {
  local mirror=${VEXA_MIRROR:-$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
                                awk -v s="$MINIMAL_ROOT_SUITE" '$2 == s { print $1; exit }')}
  [ -n "$mirror" ] || { echo "apt has no $MINIMAL_ROOT_SUITE entry to take the mirror from; set VEXA_MIRROR" >&2; return 1; }
  echo "$mirror"
}

# debootstrap --variant=minbase into $root, its log beside it in $root.debootstrap.log.
minimal_root_create() {
  local mirror
  mirror=$(minimal_root_mirror) || return 1
  command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >/dev/null
  debootstrap --variant=minbase "$MINIMAL_ROOT_SUITE" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 || {
    echo "debootstrap failed; see $root.debootstrap.log" >&2
    return 1
  }
}

minimal_root_mounted() {
  awk -v r="$root" '$5 == r || index($5, r "/") == 1 { print $5 }' /proc/self/mountinfo
}

minimal_root_mount() {
  mount --bind /proc "$root/proc"
  mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
  mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"
  mountpoint -q "$root/dev/pts" || mount --bind /dev/pts "$root/dev/pts"
}

# Processes whose root directory is $root were started by the check.
minimal_root_stop_processes() {
  local p pids=() _
  for p in /proc/[0-9]*; do
    if [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ]; then pids+=("${p#/proc/}"); fi
  done
  [ ${#pids[@]} -gt 0 ] || return 0
  echo "stopping processes left in the root: ${pids[*]}"
  kill "${pids[@]}" 2>/dev/null || true
  for _ in $(seq "$MINIMAL_ROOT_STOP_WAIT_SECONDS"); do
    kill -0 "${pids[@]}" 2>/dev/null || return 0
    sleep 1
  done
  kill -KILL "${pids[@]}" 2>/dev/null || true
}

# Ends what runs in the root and unmounts everything mounted under it.
minimal_root_release() {
  local m
  minimal_root_stop_processes
  for m in dev sys proc; do
    if mountpoint -q "$root/$m"; then umount -R "$root/$m" || umount -R -l "$root/$m"; fi
  done
  if [ -n "$(minimal_root_mounted)" ]; then
    echo "still mounted under $root:" >&2
    minimal_root_mounted >&2
  fi
}

# Runs a shell command inside the root as root, with a clean environment;
# extra NAME=VALUE words before the command are added to it.
minimal_root_run() { # [NAME=VALUE...] command
  local env=(HOME=/root PATH=$MINIMAL_ROOT_PATH TERM="${TERM:-dumb}" DEBIAN_FRONTEND=noninteractive)
  while [ $# -gt 1 ]; do
    env+=("$1")
    shift
  done
  chroot "$root" /usr/bin/env -i "${env[@]}" bash -c "$1"
}
