# Sourced: one Xvfb and one Wine prefix for a whole run, both stopped on exit.
# Sets DISPLAY, WINEPREFIX, WINEDEBUG and WINEDLLOVERRIDES.

export WINEPREFIX="${MYR_WINEPREFIX:-$PWD/build/wineprefix}"
export WINEDEBUG=-all
# No network here: never offer to download Mono or Gecko.
export WINEDLLOVERRIDES="mscoree=;mshtml="

myr_display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$myr_display_file" >/dev/null 2>&1 &
myr_xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$myr_display_file" ] && break
  sleep 0.1
done
export DISPLAY=":$(cat "$myr_display_file")"
rm -f "$myr_display_file"

myr_stop_wine_session() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  kill "$myr_xvfb_pid" 2>/dev/null || true
  wait "$myr_xvfb_pid" 2>/dev/null || true
}
trap myr_stop_wine_session EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
wineserver -p 2>/dev/null || true
# Wine's background services start with the first program of a session and inherit its output;
# started here, they never hold a test runner's pipe open.
wine cmd /c exit >/dev/null 2>&1 || true
