#!/usr/bin/env bash
# The main job: installs what is missing, builds, and starts the manager
# TarnwickPro.exe under Wine on the simulated machine. With a display it
# simply shows the window; without one it starts Xvfb, writes a screenshot
# of the main window and keeps running until stopped (Ctrl+C).
#
# The manager and the native console `tarnwick` share one simulated machine:
# the state folder TARNWICK_SIM_STATE (default ~/.local/state/tarnwick-sim),
# which the manager reaches as the same folder under Z:.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup-deps.sh"

STATE=${TARNWICK_SIM_STATE:-${XDG_STATE_HOME:-$HOME/.local/state}/tarnwick-sim}
mkdir -p "$STATE"
STATE=$(cd "$STATE" && pwd)

NATIVE=$ROOT/build/run-native
configure_tree "$NATIVE"
cmake --build "$NATIVE" -j "$JOBS" --target tarnwick >/dev/null
WIN=$ROOT/build/run-win
configure_tree "$WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
cmake --build "$WIN" -j "$JOBS" --target TarnwickPro

trap stop_started EXIT
wine_prefix "$ROOT/build/wineprefix"
headless=
if ! { [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; }; then headless=1; fi
start_xvfb
export TARNWICK_MACHINE=sim TARNWICK_SIM_STATE="Z:${STATE//\//\\}"
exe=$WIN/app/TarnwickPro.exe
echo "Simulated machine: $STATE (the console sees it with TARNWICK_SIM_STATE=$STATE)"
if [[ -z $headless ]]; then
  wine "$exe" "$@"
  exit 0
fi
wine "$exe" "$@" >/dev/null 2>&1 &
app=$!
shot=$ROOT/build/manager-screenshot.png
for _ in $(seq 100); do
  if xwininfo -root -tree 2>/dev/null | grep '"Velthorn Tarnwick"' >/dev/null; then break; fi
  sleep 0.2
done
# The title appears before the window has painted (slowly, on a busy
# machine): wait until the selected left-menu item is drawn and the picture
# stays the same for a second.
pixel() { convert "$shot" -format "%[pixel:p{$1,$2}]" info: 2>/dev/null; }
prev=$(mktemp --suffix=.png)
for _ in $(seq 60); do
  sleep 1
  import -window root -crop 1024x768+0+0 "$shot"
  if [[ $(pixel 150 72) != "$(pixel 150 420)" && -s $prev ]] &&
    [[ $(compare -metric AE "$shot" "$prev" null: 2>&1 || true) == 0 ]]; then break; fi
  cp "$shot" "$prev"
done
rm -f "$prev"
echo "No display: the manager runs on Xvfb $DISPLAY. Screenshot of its window: $shot"
echo "Stop it with Ctrl+C."
wait "$app" || true
