#!/usr/bin/env bash
# The Chromium engine's speed (chromium_bench_win.cpp) beside Debian's Chromium's own start to a
# blank page with the same arguments, in one run. Needs the Windows build (scripts/build.sh
# chromium_bench) and runs in its own Xvfb and Wine prefix. Usage: bench/chromium.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
source scripts/wine-session.sh
bench=build/win/bench/chromium_bench.exe

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

own_start_ms() {
  local profile start
  profile=$(mktemp -d)
  mapfile -t arguments < <(wine "$bench" arguments "$profile" | tr -d '\r' | grep -v '^about:blank$')
  if [ "$(id -u)" = 0 ]; then arguments+=(--no-sandbox); fi
  start=$(now_ms)
  /usr/lib/chromium/chromium "${arguments[@]}" --dump-dom about:blank >/dev/null 2>&1
  echo $(( $(now_ms) - start ))
  rm -rf "$profile"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "Chromium's own start to a blank page (--dump-dom), median of $runs: $(for _ in $(seq "$runs"); do own_start_ms; done | median) ms"
for run in $(seq "$runs"); do
  echo "== engine run $run"
  wine "$bench" 2>/dev/null | tr -d '\r'
done
