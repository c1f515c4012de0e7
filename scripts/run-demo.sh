#!/usr/bin/env bash
# Sets up and builds the launcher, makes a fresh demo game folder in out/demo and shows the
# launcher doing its job there: on this desktop when there is one (until its window is closed),
# otherwise as a player's first start on a screen of its own, step by step, with pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh myr_launcher launcher_page standin_game demo_disc

# A player's folder once the release is unzipped next to the game: the launcher, its page, its
# licences, the game (here the stand-in) and no saves or myr.ini yet; the disc image beside it.
demo=out/demo
image="$demo/Myrrowen (USA).iso"
rm -rf "$demo"
mkdir -p "$demo/game"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win/CMakeCache.txt)
(cd build/win && cpack >/dev/null)
python3 -m zipfile -e "out/myr_launcher-$version-win64.zip" "$demo/game"
cp out/game/myr.exe "$demo/game/"
cp "out/Myrrowen (USA).iso" "$image"

# What the stand-in game does when started: a few lines, a save, then it waits to be stopped.
export STANDIN_LINES=5 STANDIN_STDERR_TEXT='demo: a save is written, waiting to be stopped'
export STANDIN_WRITE_FILE='savedata\QXUS-40404\save-001.myrsave' STANDIN_WRITE_TEXT='the demo game saved here'
export STANDIN_SLEEP_MS=600000
export MYR_ISO=

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export MYR_WINE_DISPLAY=keep
  source scripts/wine-session.sh
  echo "The launcher opens on $DISPLAY in $demo/game; drop $PWD/$image onto its window."
  echo "The demo ends when its window is closed."
  status=0
  # Through a file: Wine's desktop inherits the launcher's output and would hold a pipe open.
  MYR_LAUNCHER_BROWSER=chromium wine "$demo/game/myr_launcher.exe" >"$demo/launcher-output.txt" 2>&1 || status=$?
  echo "The launcher ended with $status; what it left is in $demo/game."
  exit "$status"
fi

echo "No display: the launcher plays a first start on a screen of its own (pictures in $demo/)."
source scripts/wine-session.sh
# Wine's services start with the first program of a session and keep its output open: start them
# before the launcher.
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
NODE_OPTIONS=--experimental-websocket node scripts/demo/first_start.mjs "$demo" "$demo/game" "$image"
