#!/bin/sh
# The part of scripts/install-check.sh that runs the installed program, in network, mount
# and process namespaces of its own (whatever it leaves running ends with it):
#   install-check-run.sh ROOT WORK EXEC_LINE
set -eu
root=$1
work=$2
exec_line=$3

. "$(dirname "$0")/chroot.sh"
started=$(now)
fail() {
  printf 'FAIL %s\n' "$1"
  for log in "$work/program.log" "$work/xvfb.log"; do [ -s "$log" ] && tail -n 15 "$log" | sed 's/^/     /'; done
  exit 1
}
wait_for() {  # SECONDS COMMAND...: until the command prints something
  limit=$1
  shift
  for _ in $(seq $((limit * 10))); do
    out=$("$@" 2>/dev/null || true)
    [ -n "$out" ] && { echo "$out"; return 0; }
    sleep 0.1
  done
  return 1
}

# "X Y WIDTH HEIGHT" of a window's inside on the screen.
geometry_of() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
                           /Width:/ {w = $2} /Height:/ {h = $2} END {print x, y, w, h}'
}

ip link set lo up
ip addr add 127.0.0.2/8 dev lo
python3 -m http.server --bind 127.0.0.2 --directory "$work/www" 80 >/dev/null 2>&1 &

# The display's socket in a folder of the check's own: the web processes, in WebKit's sandbox
# without a network, reach the display only through it.
mkdir -p /tmp/.X11-unix
mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
wait_for 10 cat "$work/display" >/dev/null || fail "Xvfb starts"
export DISPLAY=":$(head -n1 "$work/display")"
openbox --sm-disable >/dev/null 2>&1 &
wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep "window id"' >/dev/null || fail "openbox starts"

# The system's root is a mount point, as a root of its own is to bubblewrap, which builds
# each web process's sandbox from it.
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --rbind /sys "$root/sys"
mkdir -p "$root/tmp/.X11-unix" "$root/run/user/0"
chmod 700 "$root/run/user/0"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"

# As the desktop starts it: the entry's Exec line, under a session bus of its own, with
# WebKit's sandbox on.
chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 DISPLAY="$DISPLAY" \
  XDG_RUNTIME_DIR=/run/user/0 \
  dbus-run-session -- sh -c "exec $exec_line" >"$work/program.log" 2>&1 &
ok "started: $exec_line"

launcher=$(wait_for 30 xdotool search --onlyvisible --name '^Veltrano$' | head -n1) ||
  fail "the launcher's window appears"
ok "the launcher's window appears"

# Command2, "查看帮助文档": its centre, from the control table (twips / 15).
set -- $(geometry_of "$launcher")
xdotool mousemove $(($1 + 80)) $(($2 + 144)) click 1
browser=$(wait_for 30 xdotool search --onlyvisible --classname veltrano-browser | head -n1) ||
  fail "a click on Command2 opens a browser window"
shell=$(pgrep -x veltrano-browse | head -n1) || fail "the browser shell runs"
grep -q "Successfully activated service 'org.veltrano.Browser'" "$work/program.log" ||
  fail "the session bus started the shell from its service file"
[ "$(readlink "/proc/$shell/exe")" = "$root/usr/bin/veltrano-browser" ] || fail "the shell is the installed one"
ok "Command2 opens a window of the bus-activated installed shell"

wait_for 30 sh -c "xdotool getwindowname $browser | grep -x 帮助文档" >/dev/null ||
  fail "the help page loads (title: $(xdotool getwindowname "$browser"))"
extents=$(xprop -id "$browser" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ,)
set -- $(geometry_of "$browser") ${extents:-0 0 0 0}
[ "$3x$4" = 1024x768 ] && [ $(($1 - $5)) -eq 0 ] && [ $(($2 - $7)) -eq 0 ] ||
  fail "the help page's window is 1024 x 768 at the top-left (it is $3 x $4, its frame at $(($1 - $5)),$(($2 - $7)))"
ok "the help page opens at 1024 x 768 in the top-left corner"

# The page's web process: namespaces of its own, and the user's home out of its sight.
echo mine >"$root/root/veltrano-check-secret"
web=$(pgrep -x WebKitWebProces | head -n1) || fail "a web process shows the page"
for ns in pid mnt; do
  [ "$(readlink "/proc/$web/ns/$ns")" != "$(readlink "/proc/$shell/ns/$ns")" ] ||
    fail "the web process has a $ns namespace of its own"
done
[ ! -e "/proc/$web/root/root/veltrano-check-secret" ] || fail "the web process cannot see the user's files"
ok "the page's web process runs in WebKit's sandbox"
# The package's module for pages' dialogs (showModalDialog), in that sandboxed process.
grep -q "/veltrano/web-extensions/libveltrano-web-extension.so" "/proc/$web/maps" ||
  fail "the web process loads the installed module for dialogs"
ok "the web process loads the installed module for dialogs"

pkill -x veltrano || true
pkill -x veltrano-browse || true
