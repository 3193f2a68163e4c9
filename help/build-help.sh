#!/usr/bin/env bash
# Compiles the help file Tarnwick.chm from the pages here and the
# screenshots the screenshot scripts took:
#   help/build-help.sh IMAGES-DIR OUTPUT.chm
# Fails when a page shows a picture that is not in IMAGES-DIR.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
images=$(cd "$1" && pwd)
out=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp -r "$here/index.html" "$here/style.css" "$here/en" "$here/zh" "$stage/"
mkdir -p "$stage/images"
missing=0
for img in $(grep -oh 'images/[A-Za-z0-9_.-]*\.png' "$here"/en/*.html "$here"/zh/*.html | sort -u); do
  if [[ -f $images/${img#images/} ]]; then cp "$images/${img#images/}" "$stage/images/"
  else echo "build-help: $img is missing from $images" >&2; missing=1; fi
done
((missing == 0)) || exit 1

cd "$stage"
{
  echo "[OPTIONS]"
  echo "Compatibility=1.1 or later"
  echo "Compiled file=Tarnwick.chm"
  echo "Contents file=toc.hhc"
  echo "Default topic=index.html"
  echo "Display compile progress=No"
  echo "Language=0x409 English (United States)"
  echo "Title=Velthorn Tarnwick Help"
  echo
  echo "[FILES]"
  find . -type f ! -name '*.hhp' ! -name '*.hhc' | sed 's|^\./||' | sort
} > Tarnwick.hhp
toc_item() { printf '<LI><OBJECT type="text/sitemap"><param name="Name" value="%s"><param name="Local" value="%s"></OBJECT>\n' "$1" "$2"; }
{
  echo '<HTML><BODY><UL>'
  toc_item "Velthorn Tarnwick" index.html
  echo '<UL>'
  for page in main_window:"The main window" mount_wizard:"Mounting a device" portal_manager:"iSCSI portals and targets" \
    snapshot_manager:"Snapshots" shell_extension:"Commands in Explorer" console:"The console program"; do
    toc_item "${page#*:}" "en/${page%%:*}.html"
  done
  echo '</UL>'
  toc_item "Chinese (Simplified)" zh/main_window.html
  echo '</UL></BODY></HTML>'
} > toc.hhc
chmcmd Tarnwick.hhp >/dev/null 2>&1
# Every page and picture must be inside.
listing=$(chmls list Tarnwick.chm 2>/dev/null)
for f in $(find . -type f \( -name '*.html' -o -name '*.png' -o -name '*.css' \) | sed 's|^\.||'); do
  grep -qF " $f" <<<"$listing" || { echo "build-help: $f is missing from the compiled help" >&2; exit 1; }
done
mkdir -p "$(dirname "$out")"
cp Tarnwick.chm "$out"
echo "help: $out ($(find . -type f -name '*.html' | wc -l) pages, $(ls images | wc -l) pictures)"
