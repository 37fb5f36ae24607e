#!/bin/sh
# Builds the Debian package for a supported release in a clean minimal system of that
# release, made with debootstrap from the package registry apt uses here, so that its
# dependencies are the ones dpkg-shlibdeps finds there. The package lands beside the host's
# own, in build-package/. CMake options pass through as to scripts/package.sh.
#   scripts/package-release.sh 12|13|bookworm|trixie [-DVELTRANO_CONTENT_HOST=...] ...
# Needs root. The sources are the checkout's tracked files, as they are in the work tree.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/chroot.sh"
release=$(release_name "${1:-}")
[ -n "$release" ] || { echo "usage: $0 12|13|bookworm|trixie [CMAKE OPTION...]" >&2; exit 2; }
shift
[ "$(id -u)" -eq 0 ] || { echo "package-release: run as root" >&2; exit 2; }
sh "$top/scripts/install-deps.sh" check

work=$(mktemp -d /var/tmp/veltrano-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
root="$work/root"
started=$(now)
make_root "$release" "$root" "$work/log" || { tail -n 20 "$work/log" >&2; exit 1; }
echo "minimal $release system: $(echo "$(now) $started" | awk '{printf "%.0f", $1 - $2}') s"

mkdir -p "$root/src"
git -C "$top" ls-files -z | (cd "$top" && xargs -0 tar -cf -) | tar -xf - -C "$root/src"
started=$(now)
in_root "$root" sh /src/scripts/package.sh "$@"
echo "built on $release: $(echo "$(now) $started" | awk '{printf "%.0f", $1 - $2}') s"
mkdir -p "$top/build-package"
cp "$root"/src/build-package/veltrano_*.deb "$top/build-package/"
ls "$top"/build-package/veltrano_*~*.deb
