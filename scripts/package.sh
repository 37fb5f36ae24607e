#!/bin/sh
# Builds the Debian package for the release it runs on (build-package/veltrano_VERSION~debNN_amd64.deb,
# its dependencies as dpkg-shlibdeps finds them there) and checks the desktop entry and the
# AppStream record on the way. Host and telephone variables pass through to CMake:
#   scripts/package.sh [-DVELTRANO_CONTENT_HOST=...] [-DVELTRANO_HOME_HOST=...]
# scripts/release-run.sh RELEASE scripts/package.sh builds it for another supported release.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-package"
sh "$top/scripts/install-deps.sh" package
. /etc/os-release
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DVELTRANO_BUILD_TESTS=OFF \
  -DVELTRANO_PACKAGE_RELEASE="deb${VERSION_ID}" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
desktop-file-validate "$build/data/org.veltrano.Launcher.desktop"
appstreamcli validate --no-net --pedantic "$build/data/org.veltrano.Launcher.metainfo.xml"
rm -f "$build"/veltrano_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/veltrano_*.deb)
dpkg-deb --field "$deb" Package Version Depends Recommends
dpkg-deb --contents "$deb" | awk '{print $6}'
echo "$deb"
