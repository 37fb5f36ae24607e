# Shared by the scripts that work in a clean system of a Debian release (sourced, not run).

# The release's code name, for 12, 13 or a code name; empty for anything else.
release_name() {
  case $1 in
    12 | bookworm) echo bookworm ;;
    13 | trixie) echo trixie ;;
  esac
}

# The mirror apt uses on this machine, from its sources; empty where none is found.
apt_mirror() {
  mirror=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null |
           grep -v security | head -n1)
  [ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
  echo "$mirror"
}

# make_root RELEASE ROOT LOG: a minimal system, in which no service starts.
make_root() {
  [ -n "$(apt_mirror)" ] || { echo "no Debian mirror in apt's sources" >"$3"; return 1; }
  debootstrap --variant=minbase "$1" "$2" "$(apt_mirror)" >"$3" 2>&1 || return 1
  printf '#!/bin/sh\nexit 101\n' >"$2/usr/sbin/policy-rc.d"
  chmod +x "$2/usr/sbin/policy-rc.d"
}

# in_root ROOT COMMAND...: runs a command in the system with /proc, /sys and /dev mounted
# in a mount namespace of its own, gone when the command ends. Its root is a mount point, so
# that the test sandbox can make namespaces of its own in there.
in_root() {
  unshare --mount --fork sh -c '
    root=$1; shift
    mount --bind "$root" "$root" && mount --rbind /dev "$root/dev" && mount -t proc proc "$root/proc" &&
      mount --rbind /sys "$root/sys"
    exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
      DEBIAN_FRONTEND=noninteractive "$@"' in_root "$@"
}

now() { date +%s.%N; }
# Seconds since a time now() gave.
seconds_since() { echo "$(now) $1" | awk '{printf "%.1f", $1 - $2}'; }
# A check's line, with the time since the last one (kept in $started).
ok() { printf 'ok   %-62s %6s s\n' "$1" "$(seconds_since "$started")"; started=$(now); }
