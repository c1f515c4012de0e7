#!/usr/bin/env bash
# A soak of the launcher through the headless page: mixed requests for 10 minutes (by default),
# with samples of its memory, handles and threads every 10 s. Needs the Windows build
# (scripts/build.sh) and builds the probe that counts them.
# Usage: bench/soak.sh [--seconds 600] [--rate 1000] [--plot soak.svg] [--json soak.json] [...]
# (python3 bench/soak.py --help lists every option)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build --preset windows -j2 --target process_counts >/dev/null
source scripts/wine-session.sh
python3 bench/soak.py out/game "out/Myrrowen (USA).iso" build/win/bench/process_counts.exe "$@"
