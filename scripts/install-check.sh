#!/bin/sh
# Installs a package of ours on a minimal system of a Debian release, from the package
# registry apt uses here, and checks it as a player would meet it: started from the desktop
# entry, a window, a click that starts the browser shell by bus activation, the help page
# at 1024 x 768 in the top-left corner, and a purge that leaves nothing behind.
#
#   scripts/install-check.sh RELEASE PACKAGE      RELEASE: 12 or bookworm, 13 or trixie
#
# Needs root (debootstrap, chroot, namespaces). The display (Xvfb with openbox), the private
# session bus and the service's stand-in on loopback are the test's, not the package's. One
# line per check; the exit status is non-zero after the first failure.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: $0 12|13|bookworm|trixie PACKAGE.deb" >&2; exit 2; }
[ $# -eq 2 ] || usage
. "$top/scripts/chroot.sh"
release=$(release_name "$1")
[ -n "$release" ] || usage
[ -f "$2" ] || { echo "install-check: no package $2" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "install-check: run as root" >&2; exit 2; }
deb=$(readlink -f "$2")
sh "$top/scripts/install-deps.sh" check

# The hosts the package was built for: the build's defaults unless told otherwise.
default_of() { sed -n "s/^set($1 \"\([^\"]*\)\".*/\1/p" "$top/CMakeLists.txt"; }
content_host=${VELTRANO_CONTENT_HOST:-$(default_of VELTRANO_CONTENT_HOST)}
home_host=${VELTRANO_HOME_HOST:-$(default_of VELTRANO_HOME_HOST)}

work=$(mktemp -d /var/tmp/veltrano-check.XXXXXX)
root="$work/root"
trap 'rm -rf "$work"' EXIT

started=$(now)
fail() { printf 'FAIL %s\n' "$1"; [ -s "$work/log" ] && tail -n 20 "$work/log" | sed 's/^/     /'; exit 1; }

make_root "$release" "$root" "$work/log" || fail "debootstrap --variant=minbase $release"
ok "minimal $release system from apt's mirror"

cp "$deb" "$root/tmp/"
package=$(basename "$deb")
{ in_root "$root" apt-get update -q && in_root "$root" apt-get install -y -q --no-install-recommends "/tmp/$package"; } \
  >"$work/log" 2>&1 || fail "apt-get install ./$package"
ok "apt-get install ./$package, dependencies from $release"
in_root "$root" dpkg-query -W -f='${Installed-Size} KiB installed; depends on ${Depends}\n' veltrano | fold -s -w 100 |
  sed 's/^/     /'
in_root "$root" dpkg-query -L veltrano >"$work/files"

# What the check itself needs in there: a session bus to run the program under.
in_root "$root" apt-get install -y -q --no-install-recommends dbus-daemon dbus-bin >"$work/log" 2>&1 ||
  fail "apt-get install dbus-daemon dbus-bin (the check's session bus)"
ok "the check's session bus (dbus-daemon)"

# The service's stand-in: its two names resolve to a loopback address in a network of the
# check's own, where a plain HTTP server answers with the version and the help page.
mkdir -p "$work/www"
printf '1.0.2' >"$work/www/ver.html"
printf '<!DOCTYPE html><html><head><meta charset="utf-8"><title>帮助文档</title></head><body>帮助</body></html>' \
  >"$work/www/readme.html"
printf '127.0.0.1 localhost\n127.0.0.2 %s %s\n' "$content_host" "$home_host" >"$root/etc/hosts"
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/org.veltrano.Launcher.desktop" | sed 's/ *%[fFuU]//g')
[ -n "$exec_line" ] || fail "the desktop entry has an Exec line"

unshare --net --mount --pid --fork --mount-proc sh "$top/scripts/install-check-run.sh" "$root" "$work" "$exec_line" || exit 1
started=$(now)

in_root "$root" apt-get purge -y -q veltrano >"$work/log" 2>&1 || fail "apt-get purge veltrano"
left=""
while read -r path; do
  [ -e "$root$path" ] && [ ! -d "$root$path" ] && left="$left $path"
done <"$work/files"
[ -z "$left" ] || fail "files left after the purge:$left"
in_root "$root" dpkg-query -W veltrano >/dev/null 2>&1 && fail "dpkg still knows the package after the purge"
ok "apt-get purge veltrano leaves none of its files"
