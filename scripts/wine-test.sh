#!/usr/bin/env bash
# Runs one Windows test program under Wine for CTest. Wine's desktop and services can start with the
# program and inherit its output; holding a file instead of CTest's pipe, they never make CTest wait.
set -u
log=$(mktemp)
wine "$@" >"$log" 2>&1
status=$?
cat "$log"
rm -f "$log"
exit "$status"
