# Sourced: one Xvfb with a window manager and one Wine prefix for a whole run, all stopped on exit.
# Sets DISPLAY, WINEPREFIX, WINEDEBUG and WINEDLLOVERRIDES. With MYR_WINE_DISPLAY=keep, Wine uses
# the DISPLAY it is given (a person's desktop) and no Xvfb is started.

export WINEPREFIX="${MYR_WINEPREFIX:-$PWD/build/wineprefix}"
export WINEDEBUG=-all
# No network here: never offer to download Mono or Gecko. No menu entries or desktop files on
# the host for the shortcuts that tests put on the prefix's desktop.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"

myr_xvfb_pid=
myr_wm_pid=
if [ "${MYR_WINE_DISPLAY:-}" != keep ]; then
  myr_display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$myr_display_file" >/dev/null 2>&1 &
  myr_xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$myr_display_file" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(cat "$myr_display_file")"
  rm -f "$myr_display_file"
  # A window manager, as on a desktop: without one Wine waits seconds whenever a window goes away,
  # and minimising and restoring do not behave as they do for players.
  openbox >/dev/null 2>&1 &
  myr_wm_pid=$!
fi

myr_stop_wine_session() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ -n "$myr_xvfb_pid" ]; then
    kill "$myr_wm_pid" 2>/dev/null || true
    wait "$myr_wm_pid" 2>/dev/null || true
    kill "$myr_xvfb_pid" 2>/dev/null || true
    wait "$myr_xvfb_pid" 2>/dev/null || true
  fi
}
trap myr_stop_wine_session EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
# One server for the whole run: a server that ends between tests is started again by the next
# one, with Wine's services and desktop, which then keep that test's output open.
wineserver -w 2>/dev/null || true
wineserver -p
