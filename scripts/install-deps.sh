#!/bin/sh
# Installs what building, testing and packaging need, where anything is missing. Debian 12
# (bookworm) and Debian 13 (trixie) are supported; the names below are the same on both.
#   install-deps.sh [build|run|test|package|check|format]    (default: test, which includes build)
set -eu
what=${1:-test}
. /etc/os-release
case "${VERSION_CODENAME:-}" in
  bookworm | trixie) ;;
  *) echo "install-deps.sh: needs Debian 12 (bookworm) or 13 (trixie), not ${PRETTY_NAME:-this system}" >&2; exit 2 ;;
esac

build="cmake g++ make pkg-config libgtkmm-3.0-dev libwebkit2gtk-4.1-dev libsoup-3.0-dev libicu-dev
       libgtest-dev zlib1g-dev fonts-noto-cjk"
run="xvfb xauth openbox dbus dbus-x11 at-spi2-core libglib2.0-bin bubblewrap xdg-dbus-proxy
     fonts-arphic-uming fonts-arphic-ukai fonts-noto-cjk fonts-liberation fonts-dejavu-core"
test="$run mutter locales python3 python3-pyatspi python3-gi gir1.2-atspi-2.0 gir1.2-gtk-3.0 xdotool x11-utils iproute2 util-linux procps openssl
      libjs-prototype libjs-mootools libjs-excanvas"
package="$build dpkg-dev file desktop-file-utils appstream"
format="clang-format black pyflakes3"
check="debootstrap xvfb xauth openbox xdotool x11-utils python3 iproute2 util-linux procps"
case "$what" in
  build) wanted=$build ;;
  package) wanted=$package ;;
  run) wanted="$build $run" ;;
  test) wanted="$build $test" ;;
  check) wanted=$check ;;
  format) wanted=$format ;;
  *) echo "usage: $0 [build|run|test|package|check|format]" >&2; exit 2 ;;
esac

missing=""
for package in $wanted; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
# npm where there is none: a system may have its own Node.js, which Debian's npm conflicts with.
case "$what" in test | format) command -v npm >/dev/null || missing="$missing npm" ;; esac
if [ -n "$missing" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing:$missing"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
fi

# The tests' script libraries from npm, as tests/package-lock.json pins them; none of their
# scripts run.
# The JavaScript formatter and linter likewise, as scripts/format/package-lock.json pins them.
npm_ci() {
  [ "$1/node_modules/.package-lock.json" -nt "$1/package-lock.json" ] ||
    (cd "$1" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
}
[ "$what" != test ] || npm_ci "$(dirname "$0")/../tests"
[ "$what" != format ] || npm_ci "$(dirname "$0")/format"
