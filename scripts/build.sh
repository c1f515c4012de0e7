#!/usr/bin/env bash
# Builds the Windows program and assembles out/game; with target names, only those (by default
# everything, the Windows tests included).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
if (($#)); then
  cmake --build build/win -j"$(nproc)" --target "$@"
else
  cmake --build build/win -j"$(nproc)"
fi
