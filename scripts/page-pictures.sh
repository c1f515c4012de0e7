#!/usr/bin/env bash
# Writes a picture of each section of the player's page, in the light and the dark theme, into a
# folder: scripts/page-pictures.sh <folder> [section ...]   (default: all five sections)
# Files are named <section>-<theme>.png. The launcher comes from out/game (MYR_GAME_DIR overrides),
# the page from launcher-ui/ of this tree; MYR_ISO, when set, is passed on to show a chosen disc.
# Runs inside the caller's Wine session when DISPLAY and WINEPREFIX are set, else in its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ]; then
  echo "usage: $0 <folder> [play|settings|controls|saves|maintenance ...]" >&2
  exit 2
fi
out=$(mkdir -p "$1" && cd "$1" && pwd)
shift
sections=("$@")
[ ${#sections[@]} -gt 0 ] || sections=(play settings controls saves maintenance)
game_dir=${MYR_GAME_DIR:-$root/out/game}
[ -f "$game_dir/myr_launcher.exe" ] || { echo "no launcher in $game_dir: build it or set MYR_GAME_DIR" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
  # shellcheck source=wine-session.sh
  source "$root/scripts/wine-session.sh"
fi

folder=$(mktemp -d)
# The session's own trap, when this script started one, still has to stop it.
trap 'rm -rf "$folder"; if declare -F myr_stop_wine_session >/dev/null; then myr_stop_wine_session; fi' EXIT
cp "$game_dir/myr_launcher.exe" "$folder/"
[ -f "$game_dir/myr.exe" ] && cp "$game_dir/myr.exe" "$folder/"
cp -r "$root/launcher-ui" "$folder/launcher-ui"
[ -d "$game_dir/launcher-art" ] && cp -r "$game_dir/launcher-art" "$folder/launcher-art"

failed=0
for section in "${sections[@]}"; do
  for theme in light dark; do
    picture="$out/$section-$theme.png"
    rm -f "$picture"
    # The launcher ends by itself once the picture is written; the timeout only guards a hang.
    MYR_LAUNCHER_BROWSER=chromium MYR_LAUNCHER_CAPTURE="$(winepath -w "$picture")" \
      MYR_LAUNCHER_PAGE="$section" MYR_LAUNCHER_THEME="$theme" \
      timeout 90 wine "$folder/myr_launcher.exe" >"$folder/launcher.log" 2>&1 || true
    if [ -s "$picture" ]; then
      echo "$picture"
    else
      echo "no picture of $section ($theme); the launcher said:" >&2
      tail -n 20 "$folder/launcher.log" >&2
      failed=1
    fi
  done
done
exit $failed
