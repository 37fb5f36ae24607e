#!/bin/sh
# Builds the Debian package (build-package/veltrano_*.deb) and checks the desktop entry and
# the AppStream record on the way. Host and telephone variables pass through to CMake:
#   scripts/package.sh [-DVELTRANO_CONTENT_HOST=...] [-DVELTRANO_HOME_HOST=...]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-package"
sh "$top/scripts/install-deps.sh" package
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DVELTRANO_BUILD_TESTS=OFF "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
desktop-file-validate "$build/data/org.veltrano.Launcher.desktop"
appstreamcli validate --no-net --pedantic "$build/data/org.veltrano.Launcher.metainfo.xml"
rm -f "$build"/veltrano_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/veltrano_*.deb)
dpkg-deb --field "$deb" Package Version Depends Recommends
dpkg-deb --contents "$deb" | awk '{print $6}'
echo "$deb"
