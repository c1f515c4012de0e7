#!/usr/bin/env bash
# Builds the Windows program and assembles out/game; with target names, only those (by default
# everything, the Windows tests included).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
if (($#)); then
  cmake --build --preset windows -j"$(nproc)" --target "$@"
else
  cmake --build --preset windows -j"$(nproc)"
fi
