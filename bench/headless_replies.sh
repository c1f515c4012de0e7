#!/usr/bin/env bash
# Reply times of "init" and "saves" through the headless page with a well-filled game folder.
# Needs the Windows build (scripts/build.sh) and the bench build (cmake --preset bench).
# Usage: bench/headless_replies.sh [requests]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build --preset bench --target full_card >/dev/null
card=$(mktemp)
trap 'rm -f "$card"' EXIT
build/bench/bench/full_card "$card"
source scripts/wine-session.sh
python3 bench/headless_replies.py out/game/myr_launcher.exe launcher-ui "out/Myrrowen (USA).iso" "$card" "$@"
