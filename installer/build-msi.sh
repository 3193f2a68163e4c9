#!/usr/bin/env bash
# Builds the installer Tarnwick.msi with wixl:
#   installer/build-msi.sh WINDOWS-BUILD-TREE HELP-FILE OUTPUT.msi [SHELL-ENTRIES.tsv]
# The tree holds the programs (app/, console/, shellext/); HELP-FILE is the
# compiled Tarnwick.chm; the entries are the shell extension's registry
# entries as its table prints them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "$1" && pwd)
help=$(realpath "$2")
out=$(realpath -m "$3")
entries=${4:+$(realpath "$4")}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
find_one() { find "$tree" -name "$1" -not -path '*/CMakeFiles/*' | head -1; }
for f in TarnwickPro.exe PellowenShl.dll tarnwick.exe tarnwickw.exe; do
  src=$(find_one "$f")
  [[ -n $src ]] || { echo "build-msi: $f is not built in $tree" >&2; exit 1; }
  cp "$src" "$stage/"
done
cp "$help" "$stage/Tarnwick.chm"
# Users get the programs without their debugging information.
x86_64-w64-mingw32-strip --strip-debug "$stage"/*.exe "$stage"/*.dll
"$here/make_wxs.py" --version-rc "$here/../resources/tarnwick.rc" ${entries:+--shell-entries "$entries"} \
  > "$stage/Tarnwick.wxs"
(cd "$stage" && wixl -a x64 -o Tarnwick.msi Tarnwick.wxs)
mkdir -p "$(dirname "$out")"
cp "$stage/Tarnwick.msi" "$out"
echo "installer: $out"
