# Shared by the run and test scripts: build trees, Wine prefix, Xvfb.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=${JOBS:-$(nproc)}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# configure_tree DIR [cmake args...]: configures once, then reuses the tree.
configure_tree() {
  local dir=$1
  shift
  if [[ ! -f $dir/build.ninja ]]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  fi
  # Re-read the folder list each time, so a tree follows TW_SKIP_DIRS.
  cmake "$dir" -DTW_SKIP_DIRS="${TW_SKIP_DIRS:-}" >/dev/null
}

# wine_prefix DIR: a prefix of our own, made once, with a virtual desktop so
# that windows close quickly under Xvfb.
wine_prefix() {
  export WINEPREFIX=$1
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # Dialogs ask for "MS Shell Dlg", which Wine maps to Tahoma; this Wine does
  # not look in the folder where Debian's fonts-wine puts it.
  # TW_NO_TAHOMA=1 leaves it out (the screenshots' "other system font" prefix).
  [[ ${TW_NO_TAHOMA:-} == 1 ]] && return 0
  local f
  for f in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
    [[ -f $f && ! -f $WINEPREFIX/drive_c/windows/Fonts/${f##*/} ]] &&
      mkdir -p "$WINEPREFIX/drive_c/windows/Fonts" && cp "$f" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  return 0
}

# start_xvfb: a display of our own when there is none; stop_started undoes it.
STARTED_XVFB=
start_xvfb() {
  if [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then return; fi
  local n
  for n in $(seq 91 120); do
    [[ -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    STARTED_XVFB=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
  done
  echo "Xvfb did not start" >&2
  return 1
}
stop_started() {
  if [[ -n ${WINEPREFIX:-} ]]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [[ -n $STARTED_XVFB ]]; then kill "$STARTED_XVFB" 2>/dev/null || true; fi
}
