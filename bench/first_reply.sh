#!/usr/bin/env bash
# Time from the launcher's process start to its first reply with the headless page, against Wine
# starting a program that exits at once. Needs the Windows build (scripts/build.sh) and runs in its
# own Xvfb and Wine prefix. Usage: bench/first_reply.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
source scripts/wine-session.sh

trivial=build/bench-trivial/exit_at_once.exe
mkdir -p "$(dirname "$trivial")"
printf 'int main(void) { return 0; }\n' > build/bench-trivial/exit_at_once.c
x86_64-w64-mingw32-gcc -O2 -o "$trivial" build/bench-trivial/exit_at_once.c

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

first_reply_ms() {
  local start reply
  start=$(now_ms)
  coproc LAUNCHER { MYR_LAUNCHER_BROWSER=stdio exec wine out/game/myr_launcher.exe 2>/dev/null; }
  echo '{"id":1,"cmd":"ready"}' >&"${LAUNCHER[1]}"
  read -r reply <&"${LAUNCHER[0]}"
  echo $(( $(now_ms) - start ))
  exec {LAUNCHER[1]}>&-
  wait "$LAUNCHER_PID" || true
}

trivial_ms() {
  local start
  start=$(now_ms)
  wine "$trivial"
  echo $(( $(now_ms) - start ))
}

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

first_reply_ms >/dev/null  # warm-up
trivial_ms >/dev/null
launcher=$(for _ in $(seq "$runs"); do first_reply_ms; done | median)
baseline=$(for _ in $(seq "$runs"); do trivial_ms; done | median)
echo "median of $runs runs: first reply ${launcher} ms, program that exits at once ${baseline} ms"
awk -v a="$launcher" -v b="$baseline" 'BEGIN { printf "ratio %.2f\n", a / b }'
