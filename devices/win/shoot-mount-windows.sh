#!/usr/bin/env bash
# Screenshots (PNG) of every mount window, in English and in Simplified
# Chinese, cut to the window.
#   devices/win/shoot-mount-windows.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR: the cross build (default build/h-win); OUT_DIR default
# BUILD_DIR/mount-shots. DISPLAY_NUM (default 72) and WINEPREFIX (default
# build/wineprefix) may be set;
# an Xvfb is started on the display when none runs there. TW_SHOT_ONLY limits
# the screens (names as below); with TW_SHOT_RECTS=PREFIX the window
# rectangles of each screen go to PREFIX-LANG.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/h-win}
out=${2:-$build/mount-shots}
exe=$build/devices/win/mount_windows_shots.exe
[ -f "$exe" ] || { echo "no $exe: build the target 'mount_windows_shots' first" >&2; exit 1; }
mkdir -p "$out"
num=${DISPLAY_NUM:-72}
export DISPLAY=:$num
# shellcheck source=../../scripts/common.sh
source "$root/scripts/common.sh"
wine_prefix "${WINEPREFIX:-$root/build/wineprefix}"  # with its virtual desktop
started_xvfb=
if ! xdpyinfo -display ":$num" >/dev/null 2>&1; then
  Xvfb ":$num" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  started_xvfb=$!
  sleep 1
fi
cleanup() { if [ -n "$started_xvfb" ]; then kill "$started_xvfb" 2>/dev/null || true; fi; }
trap cleanup EXIT

rect=$(mktemp)
shot() {  # language name
  local lang=$1 name=$2 file=$out/$2-$1.png
  rm -f "$rect"
  if [ "$lang" = zh ]; then
    LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 wine "$exe" "$name" "$(winepath -w "$rect")" 2500 &
  else
    LANG=en_US.UTF-8 LC_ALL=C.UTF-8 wine "$exe" "$name" "$(winepath -w "$rect")" 2500 &
  fi
  local pid=$!
  for _ in $(seq 150); do [ -s "$rect" ] && break; sleep 0.1; done
  sleep 0.3
  if [ -s "$rect" ]; then
    read -r x y w h <"$rect"
    import -display ":$num" -window root -crop "${w}x${h}+${x}+${y}" +repage "$file"
    if [ -n "${TW_SHOT_RECTS:-}" ]; then
      wine "$build/app/shots/window_rects.exe" "Z:${TW_SHOT_RECTS//\//\\}-$lang.txt" "wizard-$name" || true
    fi
  else
    import -display ":$num" -window root "$file"
  fi
  wait "$pid" || true
  echo "$file"
}
for lang in en zh; do
  for name in ${TW_SHOT_ONLY:-page0 page1 page3 page4 page5 page6 page7 page8 page9 prefer portals addhost cloud nfs}; do
    shot "$lang" "$name"
  done
done
rm -f "$rect"
