#!/bin/sh
# Redoes docs/window.png and docs/chart.png: the demo build against the stand-in service,
# under a virtual display with openbox.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
port=8730
build="$top/build-demo"
sh "$top/scripts/install-deps.sh" test
command -v import >/dev/null || { sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo; $sudo apt-get install -y -q imagemagick; }
cmake -S "$top" -B "$build" -DVELTRANO_BUILD_TESTS=OFF -DVELTRANO_HOME_HOST="localhost:$port" \
  -DVELTRANO_CONTENT_HOST="127.0.0.1:$port" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
export VELTRANO_BUILD_DIR="$build" VELTRANO_CONTENT_HOST="127.0.0.1:$port" VELTRANO_HOME_HOST="localhost:$port"
"$top/tests/e2e/sandbox.sh" unused.example unused.example sh -c "
  python3 '$top/demo/service.py' --port $port >/dev/null &
  for _ in \$(seq 50); do python3 -c \"import socket; socket.create_connection(('127.0.0.1', $port), 0.2).close()\" 2>/dev/null && break; sleep 0.1; done
  /usr/bin/python3 '$top/scripts/screenshots.py' '$top/docs'
  kill \$!"
