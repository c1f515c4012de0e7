#!/usr/bin/env bash
# Installs what the builds and tests need (Debian, as root); quick when all is in place.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang python3
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev zlib1g-dev wine wine64 xvfb xauth openbox
  googletest libbenchmark-dev nlohmann-json3-dev rapidjson-dev xorriso
  chromium nodejs xdotool x11-utils imagemagick python3-xlib
)
# The image's Node may bring its own npm; Debian's is only needed without one.
if ! command -v npm >/dev/null; then
  packages+=(npm)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Playwright for the end-to-end tests and the demo, from the lock file; it drives Debian's
# Chromium and never downloads a browser of its own.
e2e="$(dirname "$0")/../tests/e2e"
if [ ! -d "$e2e/node_modules/playwright-core" ]; then
  (cd "$e2e" && npm ci --no-audit --no-fund --loglevel=error)
fi
