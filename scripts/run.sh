#!/bin/sh
# Tries the launcher against the bundled stand-in for the service: installs what is
# missing, builds a variant whose host names point at the stand-in on loopback, starts the
# stand-in and the launcher, and stops the stand-in when the launcher ends.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
port=${VELTRANO_DEMO_PORT:-8730}
home_host="localhost:$port"
content_host="127.0.0.1:$port"
build="$top/build-demo"

sh "$top/scripts/install-deps.sh" run
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_BUILD_TESTS=OFF \
  -DVELTRANO_HOME_HOST="$home_host" -DVELTRANO_CONTENT_HOST="$content_host" >/dev/null
cmake --build "$build" -j "$(nproc)"

python3 "$top/demo/service.py" --port "$port" --home-host "$home_host" --content-host "$content_host" &
service=$!
trap 'kill "$service" 2>/dev/null || true' EXIT INT TERM
# The launcher asks for the version first thing: let the stand-in be listening by then.
for _ in $(seq 50); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 0.2).close()" 2>/dev/null && break
  kill -0 "$service" 2>/dev/null || { echo "演示服务没有启动（端口 $port 是否被占用？）" >&2; exit 1; }
  sleep 0.1
done
"$build/veltrano"
