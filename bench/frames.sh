#!/usr/bin/env bash
# A change of the page until its pixels show, seen from the X display: a key press sent with XTest
# to the window, then the window's pixels read back until the page's swatch has changed
# (bench/x_probe.py). The launcher beside, in the same run: Chromium drawing its own window with
# the same page and size, and Chromium's screencast frame alone (from the key sent over the
# protocol until the frame arrives, bench/frames/formats.mjs, which also times the other formats).
# Needs the Windows build (scripts/build.sh) and a Wine session (scripts/wine-session.sh).
# Usage: bench/frames.sh [runs] [changes] [another myr_launcher.exe to time beside]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
changes=${2:-20}
other=${3:-}
probe=bench/x_probe.py

folder=$(mktemp -d)
profile=$(mktemp -d)
trap 'rm -rf "$folder" "$profile"' EXIT
cp out/game/myr_launcher.exe "$folder/"
if [ -n "$other" ]; then cp "$other" "$folder/other_launcher.exe"; fi
mkdir "$folder/launcher-ui"
cp bench/frames/page.html "$folder/launcher-ui/index.html"
cp launcher-ui/styles.css "$folder/launcher-ui/"

# The median, least and most of the numbers on standard input.
summary() { sort -n | awk '{ v[NR] = $1 } END { printf "median %.1f ms (%.1f to %.1f)", v[int((NR + 1) / 2)], v[1], v[NR] }'; }
sandbox=()
if [ "$(id -u)" = 0 ]; then sandbox=(--no-sandbox); fi

# The window's size, and latencies of changes of the swatch in its lower right corner.
latencies() {
  local window=$1 width height
  width=$(xwininfo -id "$window" | awk '/Width:/ { print $2 }')
  height=$(xwininfo -id "$window" | awk '/Height:/ { print $2 }')
  echo "size ${width}x${height}" >&2
  # Keys go where the focus is, and Wine gives it on a click.
  xdotool mousemove --window "$window" 40 40 click 1
  "$probe" input-latency "$window" key:a $((width - 150)) $((height - 100)) 100 60 "$changes"
}

launcher_ms() {
  MYR_LAUNCHER_BROWSER=chromium wine "$folder/$1" >/dev/null 2>&1 &
  local pid=$! window
  window=$("$probe" find-window Myrrowen 60000 | cut -d' ' -f1)
  sleep 3  # the page has loaded and drawn
  latencies "$window" | summary
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

chromium_window_ms() {
  local size=$1 pid window
  /usr/lib/chromium/chromium "${sandbox[@]}" --no-first-run --user-data-dir="$profile" --window-size="${size/x/,}" \
    --app="file://$folder/launcher-ui/index.html" >/dev/null 2>&1 &
  pid=$!
  # Chromium names its window in UTF-8 only, which the probe does not read.
  window=
  until [ -n "$window" ]; do
    sleep 0.1
    window=$(xdotool search --name "Frame latency page" 2>/dev/null | head -1 || true)
  done
  sleep 3
  latencies "$window" | summary
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
}

for run in $(seq "$runs"); do
  echo "run $run, load $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "  launcher: $(launcher_ms myr_launcher.exe 2>"$folder/size")"
  size=$(awk '{ print $2 }' "$folder/size")
  if [ -n "$other" ]; then echo "  $other: $(launcher_ms other_launcher.exe 2>/dev/null)"; fi
  echo "  Chromium's own window: $(chromium_window_ms "$size" 2>/dev/null)"
  node bench/frames/formats.mjs "$changes" "$size" | sed 's/^/  /'
done
