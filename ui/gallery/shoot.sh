#!/usr/bin/env bash
# Starts the gallery under Wine on a private Xvfb display and writes
# screenshots (PNG) of it into a folder.
#   ui/gallery/shoot.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR: the cross build (default build/ui-win); OUT_DIR default
# build/ui-shots. DISPLAY_NUM and WINEPREFIX may be set.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/ui-win}
out=${2:-$root/build/ui-shots}
exe=$build/ui/gallery/gallery.exe
[ -x "$exe" ] || { echo "no $exe: build the target 'gallery' first" >&2; exit 1; }
mkdir -p "$out"
num=${DISPLAY_NUM:-57}
export DISPLAY=:$num
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-gallery}
started_xvfb=
if ! xdpyinfo -display ":$num" >/dev/null 2>&1 && ! [ -e "/tmp/.X11-unix/X$num" ]; then
  Xvfb ":$num" -screen 0 1024x768x24 >/dev/null 2>&1 &
  started_xvfb=$!
  sleep 1
fi
cleanup() { [ -n "$started_xvfb" ] && kill "$started_xvfb" 2>/dev/null || true; }
trap cleanup EXIT

shot() {  # name, then gallery arguments
  local name=$1; shift
  wine "$exe" --exit-after 4000 "$@" &
  local pid=$!
  sleep 3
  import -display ":$num" -window root "$out/$name.png"
  wait "$pid" || true
  echo "$out/$name.png"
}
shot gallery-pellowen --select Pellowen --hover Help
shot gallery-tools --select "Persisted Devices"
shot gallery-menu --select Help --menu
