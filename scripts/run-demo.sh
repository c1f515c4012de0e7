#!/usr/bin/env bash
# Sets up and builds the launcher, then runs it on out/game with the headless page and a short conversation.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh myr_launcher launcher_page standin_game demo_disc
source scripts/wine-session.sh

conversation=(
  '{"id":1,"cmd":"ready"}'
  '{"id":2,"cmd":"Ready"}'
  '{"id":3,"cmd":"play"}'
  '{"id":4,"cmd":"stop"}'
  '{"id":5,"cmd":"quit"}'
)
echo "Page says:"
printf '  %s\n' "${conversation[@]}"
echo "Launcher answers:"
# Through a file: Wine's desktop, started with the launcher's window, inherits its output and would
# keep a pipe open after the launcher ended.
replies=$(mktemp)
# The demo disc lies beside the game folder, where a player keeps the image of their disc.
export MYR_ISO="Z:$PWD/out/Myrrowen (USA).iso"
printf '%s\n' "${conversation[@]}" | MYR_LAUNCHER_BROWSER=stdio wine out/game/myr_launcher.exe >"$replies" 2>/dev/null
sed 's/^/  /' "$replies"
rm -f "$replies"
