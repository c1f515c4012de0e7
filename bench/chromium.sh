#!/usr/bin/env bash
# The Chromium engine's speed (chromium_bench_win.cpp) beside Debian's Chromium's own start to a
# blank page with the same arguments, in one run. Needs the Windows build (scripts/build.sh
# chromium_bench) and a Wine session (scripts/wine-session.sh). Usage: bench/chromium.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
bench=build/win/bench/chromium_bench.exe

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# From the browser's start until its debugging port lists the blank page it was started with
# (the launcher's pipe replaced by a port that curl can ask).
own_start_ms() {
  local profile start pid port
  profile=$(mktemp -d)
  mapfile -t arguments < <(wine "$bench" arguments "$profile" | tr -d '\r' |
    sed 's/^--remote-debugging-pipe$/--remote-debugging-port=0/')
  if [ "$(id -u)" = 0 ]; then arguments+=(--no-sandbox); fi
  start=$(now_ms)
  /usr/lib/chromium/chromium "${arguments[@]}" >/dev/null 2>&1 &
  pid=$!
  until [ -s "$profile/DevToolsActivePort" ]; do sleep 0.01; done
  port=$(head -1 "$profile/DevToolsActivePort")
  until curl -s "http://127.0.0.1:$port/json/list" | grep -q '"url": "about:blank"'; do sleep 0.01; done
  echo $(( $(now_ms) - start ))
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  rm -rf "$profile"
}

for run in $(seq "$runs"); do
  echo "Chromium's own start to a blank page: $(own_start_ms) ms"
  wine "$bench" 2>/dev/null | tr -d '\r'
done
