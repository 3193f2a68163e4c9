#!/usr/bin/env bash
# Every screen's screenshots, in English and in Simplified Chinese, into one
# folder, under the names the help pages show:
#   scripts/screenshots.sh WINDOWS-BUILD-TREE OUTDIR
# Runs each screen's own script (the manager, the mount windows, the
# snapshot windows, the shell extension) on the display in DISPLAY.
#
# Then the manager's pages, the wizard's first two, the snapshot windows and
# the shell extension's screens again at 120, 144 and 192 DPI and at 96 DPI without
# Tahoma (OUTDIR-scales/SETTING, one Wine prefix per setting, kept between
# runs; TW_SHOT_SETTINGS picks others, "" none), and checks them: every
# control inside its window, no controls overlapping that do not at 96 DPI
# (scripts/check-shot-layout.py), and the 96-DPI pictures the same pixels as
# recorded in scripts/shots-96.sums (TW_SHOT_SUMS=update rewrites it).
set -euo pipefail
source "$(dirname "$0")/common.sh"
tree=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
scales=$out-scales
rm -rf "$scales"
mkdir -p "$scales/rects"
cmake --build "$tree" -j "$JOBS" --target manager_shots mount_windows_shots snapshot_shots pellowen_shots PellowenShl \
  window_rects >/dev/null
num=${DISPLAY#:}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TW_SHOT_RECTS=$scales/rects/96
"$ROOT/scripts/manager-shots.sh" "$out" "$tree" >/dev/null
DISPLAY_NUM=$num "$ROOT/devices/win/shoot-mount-windows.sh" "$tree" "$work/mount" >/dev/null
DISPLAY_NUM=$num "$ROOT/devices/snapshots/win/shoot.sh" "$tree" "$work/snapshots" >/dev/null
DISPLAY_NUM=$num "$ROOT/scripts/pellowen-shots.sh" "$tree" "$work/pellowen" >/dev/null
for lang in en zh; do
  cp "$work/mount/page0-$lang.png" "$out/wizard-select-device-$lang.png"
  cp "$work/mount/page1-$lang.png" "$out/wizard-targets-$lang.png"
  for f in "$work"/mount/*-"$lang".png; do cp "$f" "$out/wizard-$(basename "$f")"; done
  for f in "$work"/snapshots/*-"$lang".png; do cp "$f" "$out/$(basename "$f")"; done
  for f in "$work"/pellowen/*-"$lang".png; do cp "$f" "$out/pellowen-$(basename "$f")"; done
done
ls "$out" | wc -l | xargs echo "screenshots:"

# The other settings: a prefix of their own each (a copy of the 96-DPI one
# with LogPixels set, or without Tahoma), a display large enough for 200 %.
settings=${TW_SHOT_SETTINGS-120 144 192 notahoma}
if [[ -n $settings ]]; then
  base=${WINEPREFIX:-$ROOT/build/wineprefix}
  wine_prefix "$base"
  WINEPREFIX=$base wineserver -w || true
  big=
  for n in $(seq 121 160); do
    [[ -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
    big=$!
    for _ in $(seq 50); do DISPLAY=:$n xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    break
  done
  trap 'rm -rf "$work"; [[ -n $big ]] && kill "$big" 2>/dev/null; true' EXIT
  for setting in $settings; do
    prefix=$ROOT/build/shots-prefix-$setting
    dpi=$setting no_tahoma=
    [[ $setting == notahoma ]] && dpi=96 no_tahoma=1
    if [[ ! -f $prefix/.made ]]; then
      rm -rf "$prefix"
      cp -a "$base" "$prefix"
      rm -f "$prefix"/drive_c/windows/Fonts/tahoma*.ttf
      WINEPREFIX=$prefix wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
      WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1900x1180 /f >/dev/null 2>&1
      WINEPREFIX=$prefix wineserver -w || true
      touch "$prefix/.made"
    fi
    dir=$scales/$setting
    mkdir -p "$dir"
    (
      export WINEPREFIX=$prefix TW_NO_TAHOMA=$no_tahoma DISPLAY=:$n TW_SHOT_RECTS=$scales/rects/$setting
      "$ROOT/scripts/manager-shots.sh" "$dir" "$tree" >/dev/null
      TW_SHOT_ONLY="page0 page1" DISPLAY_NUM=$n "$ROOT/devices/win/shoot-mount-windows.sh" "$tree" "$dir/mount" >/dev/null
      DISPLAY_NUM=$n "$ROOT/devices/snapshots/win/shoot.sh" "$tree" "$dir/snapshots" >/dev/null
      DISPLAY_NUM=$n "$ROOT/scripts/pellowen-shots.sh" "$tree" "$dir/pellowen" >/dev/null
      wineserver -k || true
    )
    for f in "$dir"/mount/*.png; do mv "$f" "$dir/wizard-$(basename "$f")"; done
    for f in "$dir"/snapshots/*.png; do mv "$f" "$dir/"; done
    for f in "$dir"/pellowen/*.png; do mv "$f" "$dir/pellowen-$(basename "$f")"; done
    rm -rf "$dir/mount" "$dir/snapshots" "$dir/pellowen"
  done
  python3 "$ROOT/scripts/check-shot-layout.py" "$scales/rects"
fi

# The 96-DPI pictures, pixel for pixel: those the programs draw alike every
# time (the main window, the wizard). The Tools page lists images by their
# location under OUTDIR, so it varies with the folder; the windows taken
# after a fixed wait (snapshot and shell extension dialogs) catch the caret
# or a window still opening, and so do the wizard pages with a text box.
sums=$ROOT/scripts/shots-96.sums
varies=" main-tools-en.png main-tools-zh.png wizard-page3-en.png wizard-page3-zh.png wizard-page9-en.png wizard-page9-zh.png "
if [[ ${TW_SHOT_SUMS:-} == update ]]; then
  {
    echo "# Pixel signatures (ImageMagick %#) of the 96-DPI screenshots: scripts/screenshots.sh"
    cd "$out"
    for f in main-*.png wizard-*.png; do [[ $varies == *" $f "* ]] || echo "$(identify -format '%#' "$f") $f"; done
  } >"$sums"
else
  changed=0 compared=0
  while read -r sum file; do
    [[ $sum == \#* ]] && continue
    compared=$((compared + 1))
    now=$(identify -format '%#' "$out/$file" 2>/dev/null || echo missing)
    [[ $now == "$sum" ]] || { echo "96-DPI picture changed: $file"; changed=$((changed + 1)); }
  done <"$sums"
  echo "96-DPI pictures: $compared compared, $changed changed"
  [[ $changed -eq 0 ]]
fi
