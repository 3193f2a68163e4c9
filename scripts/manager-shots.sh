#!/usr/bin/env bash
# Screenshots of the manager's main window and pages, in English and in
# Simplified Chinese, on a simulated machine of their own:
#   scripts/manager-shots.sh [OUTDIR] [BUILD-TREE]
# OUTDIR defaults to build/manager-shots; the Windows build tree to
# build/run-win (configured and built when needed). With TW_SHOT_RECTS=PREFIX
# the window rectangles of each page go to PREFIX-en.txt and PREFIX-zh.txt.
set -euo pipefail
source "$(dirname "$0")/common.sh"
OUT=$(mkdir -p "${1:-$ROOT/build/manager-shots}" && cd "${1:-$ROOT/build/manager-shots}" && pwd)
TREE=${2:-$ROOT/build/run-win}
configure_tree "$TREE" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
cmake --build "$TREE" -j "$JOBS" --target manager_shots >/dev/null
trap stop_started EXIT
wine_prefix "${WINEPREFIX:-$ROOT/build/wineprefix}"
start_xvfb
state=$(mktemp -d)
truncate -s 700M "$OUT/install.iso"
export TARNWICK_MACHINE=sim TARNWICK_SIM_STATE="Z:${state//\//\\}"
exe=$(find "$TREE" -name manager_shots.exe | head -1)
rects() { [[ -n ${TW_SHOT_RECTS:-} ]] && echo "Z:${TW_SHOT_RECTS//\//\\}-$1.txt"; return 0; }
wine "$exe" "Z:${OUT//\//\\}" en $(rects en)
LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 wine "$exe" "Z:${OUT//\//\\}" zh $(rects zh)
rm -rf "$state" "$OUT"/*.iso "$OUT"/*.img
ls "$OUT"/main-*.png
