#!/usr/bin/env bash
# Screenshots (PNG) of the shell extension's dialogs and context menu, in
# English and in Simplified Chinese, under Wine on an Xvfb display, over a
# simulated protected volume P:.
#   scripts/pellowen-shots.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR: the cross build (default build/ci-win), with the targets
# pellowen_shots and PellowenShl built; OUT_DIR default build/pellowen-shots.
# DISPLAY_NUM and WINEPREFIX may be set; TW_SHOT_ONLY limits the screens;
# with TW_SHOT_RECTS=PREFIX the window rectangles go to PREFIX-LANG.txt.
set -euo pipefail
source "$(dirname "$0")/common.sh"
build=$(realpath "${1:-$ROOT/build/ci-win}")
out=${2:-$ROOT/build/pellowen-shots}
mkdir -p "$out"
out=$(realpath "$out")
bin=$build/shellext/win
[[ -f $bin/pellowen_shots.exe && -f $bin/PellowenShl.dll ]] || {
  echo "build the targets pellowen_shots and PellowenShl in $build first" >&2
  exit 1
}
mkdir -p "$out"
wine_prefix "${WINEPREFIX:-$ROOT/build/shots-wineprefix}"
num=${DISPLAY_NUM:-71}
export DISPLAY=:$num
started=
if ! xdpyinfo >/dev/null 2>&1; then
  Xvfb ":$num" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  started=$!
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi
cleanup() { if [[ -n $started ]]; then kill "$started" 2>/dev/null || true; fi; }
trap cleanup EXIT

# The simulated machine of the screens, with P: mapped into the prefix so
# the shell's path functions find the folder.
state=$build/shots-sim-state
rm -rf "$state"
mkdir -p "$state/vvfs/P"
ln -sfn "$state/vvfs/P" "$WINEPREFIX/dosdevices/p:"
export TARNWICK_MACHINE=sim TARNWICK_SIM_STATE="Z:$state"
wineserver -p 60 || true  # warm: the first screen would otherwise be late
wine cmd /c exit >/dev/null 2>&1 || true

shot() {  # name language screen
  local name=$1 lang=$2 screen=$3 rect
  local env=()
  [[ $lang == zh ]] && env=(LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8)
  (cd "$bin" && env "${env[@]}" wine pellowen_shots.exe "$screen" --exit-after 3500 >"$out/.rect" 2>/dev/null) &
  local pid=$!
  sleep 2.5
  import -display ":$num" -window root "$out/.full.png"
  if [[ -n ${TW_SHOT_RECTS:-} ]]; then
    wine "$build/app/shots/window_rects.exe" "Z:${TW_SHOT_RECTS//\//\\}-$lang.txt" "pellowen-$name" || true
  fi
  wait "$pid" || true
  rect=$(tr -d '\r' <"$out/.rect" | head -1)
  if [[ -n $rect ]]; then
    read -r x y w h <<<"$rect"
    convert "$out/.full.png" -crop "$((w + 40))x$((h + 40))+$((x > 20 ? x - 20 : 0))+$((y > 20 ? y - 20 : 0))" +repage \
      "$out/$name-$lang.png"
  else
    cp "$out/.full.png" "$out/$name-$lang.png"
  fi
  echo "$out/$name-$lang.png"
}

for lang in en zh; do
  for screen in ${TW_SHOT_ONLY:-password encrypt share copy progress menu}; do
    shot "$screen" "$lang" "$screen"
  done
done
rm -f "$out/.rect" "$out/.full.png"
