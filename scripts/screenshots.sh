#!/usr/bin/env bash
# Every screen's screenshots, in English and in Simplified Chinese, into one
# folder, under the names the help pages show:
#   scripts/screenshots.sh WINDOWS-BUILD-TREE OUTDIR
# Runs each screen's own script (the manager, the mount windows, the
# snapshot windows, the shell extension) on the display in DISPLAY.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tree=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
cmake --build "$tree" -j "$JOBS" --target manager_shots mount_windows_shots snapshot_shots pellowen_shots PellowenShl >/dev/null
num=${DISPLAY#:}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
