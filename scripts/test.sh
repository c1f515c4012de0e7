#!/usr/bin/env bash
# Sets up, builds everything (both builds and out/game) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)"
bash scripts/build.sh

source scripts/wine-session.sh

status=0
echo "== portable core, natively with AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir build/native --output-on-failure || status=1
echo "== Windows build under Wine"
ctest --test-dir build/win --output-on-failure || status=1
exit $status
