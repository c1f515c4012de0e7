#!/usr/bin/env bash
# The Chromium engine's speed beside Debian's Chromium on its own, in one run. Needs the Windows
# build (scripts/build.sh myr_launcher chromium_bench) and a Wine session (scripts/wine-session.sh).
# Usage: bench/chromium.sh [runs] [another myr_launcher.exe whose start to time beside]
# Each run prints the load average, then:
# - the launcher from its start until its Play button shows on the X display (bench/x_probe.py),
#   beside Chromium on its own from its start until its debugging port lists its page, and
#   until the first frame of a one-button page arrives (bench/first_frame_peer.mjs);
# - chromium_bench_win.cpp: the engine's start, round trips, the 1 MiB reply, frames;
# - Chromium on its own, without Wine, evaluating the same 1 MiB script for a client
#   (bench/reply_peer.mjs).
# Both browsers keep their profiles from run to run, as a player's does; a first round warms them.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
other=${2:-}
bench=build/win/bench/chromium_bench.exe
probe=bench/x_probe.py
# Where the page draws its Play button (disabled here: no game, no disc), and its colour then.
play_button=(280 220 20 20 ac8d55)

now_ms() { "$probe" now; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", b - a }'; }

mapfile -t arguments < <(wine "$bench" arguments /tmp/profile | tr -d '\r')
peer_profile=$(mktemp -d)
game=$(mktemp -d)
trap 'rm -rf "$peer_profile" "$game"' EXIT
peer_arguments=()
for argument in "${arguments[@]}"; do
  case $argument in
    --user-data-dir=*) peer_arguments+=("--user-data-dir=$peer_profile") ;;
    *) peer_arguments+=("$argument") ;;
  esac
done
cp out/game/myr_launcher.exe "$game/"
if [ -n "$other" ]; then cp "$other" "$game/other_launcher.exe"; fi
cp -r out/game/launcher-ui "$game/"

# From the browser's start until its debugging port lists the blank page it was started with
# (the launcher's pipe replaced by a port that curl can ask).
own_start_ms() {
  local start pid port own=()
  for argument in "${peer_arguments[@]}"; do
    case $argument in
      --remote-debugging-pipe) own+=(--remote-debugging-port=0) ;;
      *) own+=("$argument") ;;
    esac
  done
  if [ "$(id -u)" = 0 ]; then own+=(--no-sandbox); fi
  rm -f "$peer_profile/DevToolsActivePort"
  start=$(now_ms)
  /usr/lib/chromium/chromium "${own[@]}" >/dev/null 2>&1 &
  pid=$!
  until [ -s "$peer_profile/DevToolsActivePort" ]; do sleep 0.01; done
  port=$(head -1 "$peer_profile/DevToolsActivePort")
  until curl -s "http://127.0.0.1:$port/json/list" | grep -q '"url": "about:blank"'; do sleep 0.01; done
  elapsed "$start" "$(now_ms)"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

# The launcher's window closed as the window manager's close button does.
close_window() {
  /usr/bin/python3 - "$1" <<'PY'
import sys
from Xlib import X, display
from Xlib.protocol import event
d = display.Display()
w = d.create_resource_object('window', int(sys.argv[1], 0))
protocols, delete = d.intern_atom('WM_PROTOCOLS'), d.intern_atom('WM_DELETE_WINDOW')
w.send_event(event.ClientMessage(window=w, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0])))
d.flush()
PY
}

launcher_start_ms() {
  local program=${1:-myr_launcher.exe} start pid window shown
  start=$(now_ms)
  MYR_LAUNCHER_BROWSER=chromium wine "$game/$program" >/dev/null 2>&1 &
  pid=$!
  read -r window _ < <("$probe" find-window Myrrowen 60000)
  shown=$("$probe" wait-pixels "$window" "${play_button[@]}" 60000)
  elapsed "$start" "$shown"
  close_window "$window"
  wait "$pid" || true
}

own_start_ms >/dev/null
launcher_start_ms >/dev/null
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
for run in $(seq "$runs"); do
  echo "run $run, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  launcher=$(launcher_start_ms)
  own=$(own_start_ms)
  echo "launcher's start until its Play button is on screen: $launcher ms"
  if [ -n "$other" ]; then echo "$other, the same: $(launcher_start_ms other_launcher.exe) ms"; fi
  echo "Chromium's own start until its page is listed: $own ms (launcher $(ratio "$launcher" "$own")x)"
  node bench/first_frame_peer.mjs "${peer_arguments[@]}"
  engine=$(wine "$bench" 2>/dev/null | tr -d '\r')
  echo "$engine"
  peer=$(node bench/reply_peer.mjs 5 "${arguments[@]}")
  echo "$peer"
  ours=$(sed -n 's/^1 MiB reply delivered: median \([0-9.]*\) ms.*/\1/p' <<<"$engine")
  theirs=$(sed -n 's/.*median \([0-9.]*\) ms.*/\1/p' <<<"$peer")
  echo "1 MiB reply: launcher $(ratio "$ours" "$theirs")x Chromium alone"
done
