#!/usr/bin/env bash
# Screenshots (PNG) of the snapshot windows in English and in Chinese.
#   devices/snapshots/win/shoot.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR: the cross build (default build/h-win), with the target
# snapshot_shots built; OUT_DIR default BUILD_DIR/snapshot-shots.
# DISPLAY_NUM (default 73) and WINEPREFIX may be set; an Xvfb is started on
# the display when none runs there. TW_SHOT_ONLY limits the screens (their
# names); with TW_SHOT_RECTS=PREFIX the window rectangles go to PREFIX-LANG.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$root/build/h-win}
out=${2:-$build/snapshot-shots}
exe=$build/devices/snapshots/win/snapshot_shots.exe
[ -x "$exe" ] || { echo "no $exe: build the target 'snapshot_shots' first" >&2; exit 1; }
mkdir -p "$out"
num=${DISPLAY_NUM:-73}
export DISPLAY=:$num
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
started_xvfb=
if ! xdpyinfo -display ":$num" >/dev/null 2>&1; then
  Xvfb ":$num" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  started_xvfb=$!
  sleep 1
fi
cleanup() { [ -n "$started_xvfb" ] && kill "$started_xvfb" 2>/dev/null || true; }
trap cleanup EXIT

shot() {  # name, language (en|zh), what
  local name=$1 lang=$2 what=$3 rect=$out/.rect
  [[ " ${TW_SHOT_ONLY:-$name} " == *" $name "* ]] || return 0
  rm -f "$rect"
  if [ "$lang" = zh ]; then
    LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 wine "$exe" "$what" "$(winepath -w "$rect")" 3500 &
  else
    LANG=C.UTF-8 LC_ALL=C.UTF-8 wine "$exe" "$what" "$(winepath -w "$rect")" 3500 &
  fi
  local pid=$!
  for _ in $(seq 100); do [ -s "$rect" ] && break; sleep 0.1; done
  sleep 0.3
  if [ -s "$rect" ]; then
    import -display ":$num" -window root -crop "$(cat "$rect")" +repage "$out/$name-$lang.png"
    if [ -n "${TW_SHOT_RECTS:-}" ]; then
      wine "$build/app/shots/window_rects.exe" "Z:${TW_SHOT_RECTS//\//\\}-$lang.txt" "$name" || true
    fi
    echo "$out/$name-$lang.png"
  else
    echo "no window for $name ($lang)" >&2
  fi
  wait "$pid" || true
}
for lang in en zh; do
  shot snapshot-manager "$lang" --manager
  shot create-snapshot "$lang" --create
  shot change-secret "$lang" --secret
  shot device-menu "$lang" --menu
done
