#!/bin/sh
# Runs a command the way a user meets the program: a private network and mount namespace
# in which the service's host names resolve to a loopback address, a virtual X display
# with a window manager, and a private session bus (with the accessibility bus behind it).
# Nothing of it outlives the command: it runs in a PID namespace of its own, whose processes
# (a shell the bus started, its web processes) are ended before its files are removed.
#
#   [VELTRANO_WM=openbox|mutter] sandbox.sh CONTENT_HOST HOME_HOST COMMAND [ARG...]
#
# openbox by default; mutter is GNOME's, in its X11 mode, with its focus-stealing prevention
# (its decisions logged to $VELTRANO_SANDBOX_WORK/wm.log).
set -eu

if [ -z "${VELTRANO_IN_SANDBOX:-}" ]; then
  map=""
  [ "$(id -u)" -eq 0 ] || map="--map-root-user"
  exec unshare $map --net --mount --pid --fork --mount-proc env VELTRANO_IN_SANDBOX=1 sh "$0" "$@"
fi

content_host=$1
home_host=$2
shift 2

# GLib resolves with AI_ADDRCONFIG: with 127.0.0.1 alone on lo it would find no IPv4 at all.
ip link set lo up
ip addr add 127.0.0.2/8 dev lo
work=$(mktemp -d /tmp/veltrano-sandbox.XXXXXX)
# This shell is the namespace's first process: kill -1 reaches every other one in it.
# They go at once, but their last writes may still land while the folder is emptied.
cleanup() {
  kill -s KILL -1 2>/dev/null || true
  for _ in $(seq 100); do rm -rf "$work" 2>/dev/null && return; sleep 0.05; done
  rm -rf "$work"
}
trap cleanup EXIT
printf '127.0.0.1 localhost\n::1 localhost\n127.0.0.2 %s %s\n' "$content_host" "$home_host" >"$work/hosts"
mount --bind "$work/hosts" /etc/hosts

# A fresh home: the browser's data, downloads and caches start empty.
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/home/.local/share" \
       XDG_CACHE_HOME="$work/home/.cache" XDG_CONFIG_HOME="$work/home/.config" LANG=C.UTF-8
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER
export NO_AT_BRIDGE=0 GTK_A11Y=atspi GDK_BACKEND=x11

# The display's socket in a folder of the sandbox's own: the web processes, in a network
# namespace of WebKit's, reach the display only through it, and must find this one.
mkdir -p /tmp/.X11-unix
mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix

# -noreset: the server resets whenever its last client leaves, and refuses whoever connects
# meanwhile: openbox, as the first look for it ends, and no window manager for the run.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -ac -noreset >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 600); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "sandbox: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export VELTRANO_SANDBOX_WORK="$work"

status=0
# Each window manager runs its start-up command once it manages windows (it names itself on
# the root window long before): a window mapped earlier would be placed and focused late.
case "${VELTRANO_WM:=openbox}" in
  openbox) wm='openbox --sm-disable --startup "touch $VELTRANO_SANDBOX_WORK/wm-ready"' ;;
  # mutter ends when its start-up command does: this one lasts as long as the display.
  mutter) wm='MUTTER_DEBUG=startup mutter --x11 --replace --sm-disable --display="$DISPLAY" -- \
                sh -c "touch \"\$VELTRANO_SANDBOX_WORK/wm-ready\"; exec xprop -root -spy _NET_ACTIVE_WINDOW >/dev/null"' ;;
  *) echo "sandbox: unknown window manager $VELTRANO_WM" >&2; exit 2 ;;
esac
export VELTRANO_WM
dbus-run-session -- sh -c '
  eval "$0" >"$VELTRANO_SANDBOX_WORK/wm.log" 2>&1 &
  for _ in $(seq 600); do [ -e "$VELTRANO_SANDBOX_WORK/wm-ready" ] && break; sleep 0.05; done
  [ -e "$VELTRANO_SANDBOX_WORK/wm-ready" ] || { echo "sandbox: $VELTRANO_WM did not start" >&2; cat "$VELTRANO_SANDBOX_WORK/wm.log" >&2; exit 1; }
  exec "$@"' "$wm" "$@" || status=$?
kill "$xvfb" 2>/dev/null || true
exit "$status"
