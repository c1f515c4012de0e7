#!/usr/bin/env bash
# A backup of about 255 MB of saves under Wine (saves_backup_bench, which times CNG hashing the
# same bytes twice in the same round) against cp -r of the saves followed by sha256sum of the
# originals and of the copies. Three rounds, each with its load average.
# Needs: the Windows build of saves_backup_bench.
# Usage: bench/backup_bench.sh [work folder, default build/backup-bench]
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(realpath -m "${1:-build/backup-bench}")
bench=build/win/bench/saves_backup_bench.exe
game=$work/game
if [ ! -d "$game" ]; then
  # Two memory cards, a little save data and 28 quick-save states: 255 MB.
  mkdir -p "$game/memcards" "$game/savedata/QXUS-40404" "$game/states"
  for card in Mcd001.ps2 Mcd002.ps2; do head -c 8650752 /dev/urandom >"$game/memcards/$card"; done
  for n in $(seq -w 1 10); do head -c 20000 /dev/urandom >"$game/savedata/QXUS-40404/save-0$n.myrsave"; done
  for n in $(seq -w 1 28); do head -c 8500000 /dev/urandom >"$game/states/slot-$n.state"; done
fi
cat "$game"/*/* "$game"/savedata/*/* >/dev/null 2>&1 || true

now() { date +%s.%N; }
calc() { awk "BEGIN { print $* }"; }
saves() { find memcards savedata states -type f -print0; }

source scripts/wine-session.sh
for round in 1 2 3; do
  echo "round $round: load average $(cut -d' ' -f1-3 /proc/loadavg)"
  # Through a file: the Wine server that the first start leaves running would hold a pipe open.
  wine "$bench" "Z:${game//\//\\}" 1 >"$work/bench.log" 2>&1 </dev/null
  sed -n 's/^round 1: /  launcher: /p' "$work/bench.log"
  rm -rf "$work/copy"
  start=$(now)
  cp -r "$game" "$work/copy"
  (cd "$game" && saves | xargs -0 sha256sum >/dev/null)
  (cd "$work/copy" && saves | xargs -0 sha256sum >/dev/null)
  printf '  cp -r + sha256sum twice %.2f s\n' "$(calc "$(now) - $start")"
done
rm -rf "$work/copy"
