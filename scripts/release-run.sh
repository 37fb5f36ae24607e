#!/bin/sh
# Runs one of the project's scripts in a clean minimal system of a supported Debian release,
# made with debootstrap from the package registry apt uses here: the other release's
# package, with the dependencies dpkg-shlibdeps finds there, or its test suite.
#   scripts/release-run.sh 12|13|bookworm|trixie scripts/package.sh [-DVELTRANO_CONTENT_HOST=...]
#   scripts/release-run.sh 13 scripts/test.sh
# A package it builds lands beside the host's own, in build-package/. Needs root. The sources
# are the checkout's tracked files as they are in the work tree.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/chroot.sh"
release=$(release_name "${1:-}")
[ -n "$release" ] && [ $# -ge 2 ] || { echo "usage: $0 12|13|bookworm|trixie SCRIPT [ARG...]" >&2; exit 2; }
shift
[ "$(id -u)" -eq 0 ] || { echo "release-run: run as root" >&2; exit 2; }
sh "$top/scripts/install-deps.sh" check

work=$(mktemp -d /var/tmp/veltrano-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
root="$work/root"
started=$(now)
make_root "$release" "$root" "$work/log" || { tail -n 20 "$work/log" >&2; exit 1; }
echo "minimal $release system: $(seconds_since "$started") s"

mkdir -p "$root/src"
git -C "$top" ls-files -z | (cd "$top" && xargs -0 tar -cf -) | tar -xf - -C "$root/src"
started=$(now)
status=0
in_root "$root" sh "/src/$@" || status=$?
echo "$* on $release: exit $status after $(seconds_since "$started") s"
if ls "$root"/src/build-package/veltrano_*.deb >/dev/null 2>&1; then
  mkdir -p "$top/build-package"
  cp "$root"/src/build-package/veltrano_*.deb "$top/build-package/"
fi
exit "$status"
