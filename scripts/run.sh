#!/usr/bin/env bash
# The main job: installs what is missing, builds, and starts the manager on
# the simulated machine (under Wine, with Xvfb when there is no display).
# Until the manager's window exists, the console front end lists the
# simulated machine's devices.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup-deps.sh"

WIN=$ROOT/build/run-win
configure_tree "$WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
export TARNWICK_MACHINE=sim
if cmake --build "$WIN" --target help | grep -q 'TarnwickPro'; then
  cmake --build "$WIN" -j "$JOBS" --target TarnwickPro
  trap stop_started EXIT
  wine_prefix "$ROOT/build/wineprefix"
  start_xvfb
  exe=$(find "$WIN" -name TarnwickPro.exe | head -1)
  wine "$exe" "$@"
else
  NATIVE=$ROOT/build/run-native
  configure_tree "$NATIVE"
  cmake --build "$NATIVE" -j "$JOBS" --target tarnwick
  "$NATIVE/console/tarnwick" list
fi
