#!/usr/bin/env bash
# Runs the end-to-end tests with Debian's Chromium; playwright-core comes from the lock file and
# never downloads a browser of its own. Needs DISPLAY and WINEPREFIX (scripts/wine-session.sh).
set -euo pipefail
cd "$(dirname "$0")"
if [ ! -d node_modules/playwright-core ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
# Wine's background services start with the first program of a session and keep its output open:
# let them start now, not with a launcher whose output a test waits to see closed.
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
# Node 20 offers its WebSocket client only on request.
export NODE_OPTIONS=--experimental-websocket
exec node --test --test-concurrency=1 --test-timeout=300000 \
  ./*.test.js
