#!/usr/bin/env bash
# Draws every picture of both deliverables from simple shapes, in one
# palette, into resources/images/. The pictures are committed; run this
# again only to change them (needs ImageMagick 6: convert).
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")/.." && pwd)/resources/images}
mkdir -p "$out"
cd "$out"
IM=${IM:-convert}
FONT=${FONT:-DejaVu-Sans}

# Palette: slate frame, one blue accent, pale page.
DARK='#2b3036'; MID='#3a4048'; EDGE='#4a525c'; DEEP='#24282d'
ACCENT='#3d8fe0'; ACCENT_DK='#2f6fb5'; ACCENT_LT='#7db8f2'; ICE='#b9d7f0'
PAGE='#ecf3fc'; LINE='#c5cfda'; KEY='#c0c0c0'; MAGENTA='#ff00ff'

bmp_to() { local file=$1; shift; "$IM" "$@" -alpha off -type TrueColor "BMP3:$file"; }
png_to() { local file=$1; shift; "$IM" "$@" -define png:color-type=6 "PNG32:$file"; }
ico_to() { local file=$1; shift; "$IM" "$@" -define icon:auto-resize="${ICO_SIZES:-48,32,24,16}" "$file"; }

# ---- Main window background (PNG 140 of type 24), 800 x 480 -----------------
# White outside the rounded corners: the frame cuts those pixels away.
png_to bg_main.png -size 800x480 xc:white \
  \( \( -size 800x50 gradient:"$MID"-"$DARK" \) \( -size 800x430 xc:"$PAGE" -fill "$DARK" -draw "rectangle 0,0 179,429" \) -append \) \
  \( -size 800x480 xc:black -fill white -draw "roundrectangle 0,0 799,479 7,7" \) -composite \
  -fill "$ACCENT" -draw "roundrectangle 14,13 36,35 5,5" \
  -fill white -draw "roundrectangle 19,18 31,30 2,2" -fill "$ACCENT" -draw "rectangle 21,24 29,25" \
  -font "$FONT" -pointsize 15 -fill '#e8eef5' -annotate +46+30 'Velthorn Tarnwick' \
  -fill "$EDGE" -draw "rectangle 6,50 793,50"

# ---- Left menu (PNG by name, type 2011) ------------------------------------
png_to BG.PNG -size 180x420 gradient:'#33383f'-"$DARK"
png_to FRISTMENU_BG.PNG -size 180x51 gradient:'#383e45'-'#31363c' -fill "$DEEP" -draw "rectangle 0,50 179,50"
png_to MENU_BG.PNG -size 180x51 gradient:'#383e45'-'#31363c' -fill "$EDGE" -draw "rectangle 0,0 179,0" \
  -fill "$DEEP" -draw "rectangle 0,50 179,50"
png_to SELECT.PNG -size 180x51 gradient:"$ACCENT"-"$ACCENT_DK" -fill "$ACCENT_LT" -draw "rectangle 0,0 3,50" \
  -fill "$DEEP" -draw "rectangle 0,50 179,50"
png_to CHILDITEM_BG.PNG -size 180x36 xc:'#2f343a' -fill '#393f46' -draw "rectangle 0,35 179,35"
png_to CHILDITEMSEL_BG.PNG -size 180x36 gradient:'#3c4653'-'#343c47' -fill "$ACCENT" -draw "rectangle 0,0 2,35"
png_to CLOUD.PNG -size 18x18 xc:none -fill "$ICE" -draw "circle 6,10 6,6 circle 11,8 11,3 circle 14,11 14,8 rectangle 3,10 15,14"
png_to TOOLS.PNG -size 18x18 xc:none -fill "$ICE" -draw "circle 12,5 12,1" -fill none -stroke "$ICE" -strokewidth 3 \
  -draw "line 11,6 3,14" -stroke none -fill "$DARK" -draw "circle 13,4 13,3"
png_to HELP.PNG -size 18x18 xc:none -fill none -stroke "$ICE" -strokewidth 2 -draw "circle 9,9 9,2" -stroke none \
  -fill "$ICE" -font "$FONT" -pointsize 11 -annotate +6+13 '?'

# ---- Caption buttons: 24-bit, RGB(192,192,192) is transparent -----------------
cap() {  # file width height fill glyph-colour glyph
  # No anti-aliasing: a blended edge pixel would not match the key colour.
  bmp_to "$1" -size "$2x$3" xc:"$KEY" +antialias ${4:+-fill "$4" -draw "roundrectangle 1,1 $(($2-2)),$(($3-2)) 4,4"} \
    -stroke "$5" -strokewidth 2 -fill none -draw "$6"
}
X='line 13,8 22,17 line 22,8 13,17'
M='line 12,13 23,13'
cap 132.bmp 35 26 '' '#d6dde5' "$X"
cap 135.bmp 35 26 '#d9534f' white "$X"
cap 134.bmp 35 26 '#a94442' '#f2dede' "$X"
cap 133.bmp 35 26 '' '#d6dde5' "$M"
cap 137.bmp 35 26 "$EDGE" white "$M"
cap 136.bmp 35 26 "$DEEP" '#c8d0d8' "$M"
menu_btn() {  # file fill glyph
  bmp_to "$1" -size 66x31 xc:"$KEY" +antialias ${2:+-fill "$2" -draw "roundrectangle 1,2 64,28 5,5"} \
    -stroke "$3" -strokewidth 2 -draw "line 14,10 30,10 line 14,15 30,15 line 14,20 30,20" \
    -stroke none -fill "$3" -draw "polygon 40,12 52,12 46,19"
}
menu_btn 176.bmp '' '#d6dde5'
menu_btn 177.bmp "$EDGE" white
menu_btn 178.bmp "$DEEP" '#c8d0d8'

# ---- Push button strips: four frames, pressed / hover / normal / disabled ----
strip() {  # file frame-width height
  local w=$2 h=$3 r=4
  bmp_to "$1" -size "$((w*4))x$h" xc:"$MAGENTA" +antialias -fill white -strokewidth 1 \
    -stroke "$ACCENT_DK" -draw "roundrectangle 0,0 $((w-1)),$((h-1)) $r,$r" \
    -stroke "$ACCENT" -draw "roundrectangle $w,0 $((2*w-1)),$((h-1)) $r,$r" \
    -stroke '#9fb0c2' -draw "roundrectangle $((2*w)),0 $((3*w-1)),$((h-1)) $r,$r" \
    -stroke '#d0d6dd' -draw "roundrectangle $((3*w)),0 $((4*w-1)),$((h-1)) $r,$r"
}
strip 153.bmp 106 40
strip 181.bmp 80 26

# ---- List header --------------------------------------------------------------
bmp_to 160.bmp -size 1x18 gradient:'#fdfeff'-'#e6ecf3'
bmp_to 161.bmp -size 1x34 xc:"$LINE"
bmp_to 174.bmp -size 7x34 gradient:'#eef6fe'-'#cfe2f7'
bmp_to 156.bmp -size 9x34 gradient:'#c6d6e8'-'#e0e9f3'

# ---- Scroll bar skin: 9 x 3 cells of 15 pixels --------------------------------
# Rows: normal, hover, pressed. Columns: up, down, thumb, track (vertical);
# left, right, thumb, track (horizontal); size box.
skin_args=()
for row in 0 1 2; do
  case $row in 0) face='#d5dde6'; glyph='#5a6571';; 1) face='#b9d7f0'; glyph='#2f6fb5';; 2) face="$ACCENT"; glyph=white;; esac
  y=$((row*15))
  cell() { echo $(( $1*15 )),$y $(( $1*15+14 )),$((y+14)); }
  skin_args+=(-fill "$face" -stroke none)
  for c in 0 1 4 5; do skin_args+=(-draw "roundrectangle $(cell $c) 3,3"); done
  skin_args+=(-fill "$glyph")
  skin_args+=(-draw "polygon 3,$((y+9)) 11,$((y+9)) 7,$((y+4))")                # up
  skin_args+=(-draw "polygon 18,$((y+5)) 26,$((y+5)) 22,$((y+10))")             # down
  skin_args+=(-draw "polygon 69,$((y+3)) 69,$((y+11)) 64,$((y+7))")            # left
  skin_args+=(-draw "polygon 80,$((y+3)) 80,$((y+11)) 85,$((y+7))")            # right
  skin_args+=(-fill "$face" -stroke "$glyph" -strokewidth 1)
  skin_args+=(-draw "roundrectangle 32,$((y+1)) 42,$((y+13)) 4,4")               # thumb, vertical
  skin_args+=(-draw "roundrectangle 91,$((y+2)) 103,$((y+12)) 4,4")              # thumb, horizontal
  skin_args+=(-stroke none -fill '#eef2f6' -draw "rectangle 45,$y 59,$((y+14))" -draw "rectangle 105,$y 119,$((y+14))")
  skin_args+=(-fill '#dde4eb' -draw "rectangle 45,$y 45,$((y+14))" -draw "rectangle 105,$y 119,$y")
  skin_args+=(-fill '#eef2f6' -draw "rectangle 120,$y 134,$((y+14))" -fill '#a8b3bf')
  skin_args+=(-draw "point 131,$((y+11))" -draw "point 128,$((y+11))" -draw "point 131,$((y+8))")
done
bmp_to 157.bmp -size 135x45 xc:'#eef2f6' "${skin_args[@]}"

# ---- Page strips and backgrounds ----------------------------------------------
bmp_to 159.bmp -size 7x50 gradient:'#f7fafd'-'#dfe8f2'
bmp_to 172.bmp -size 619x53 gradient:'#eaf1f9'-'#d5e1ee' -fill "$LINE" -draw "rectangle 0,0 618,0"
bmp_to 180.bmp -size 618x434 gradient:'#f6f9fd'-'#e4edf8' \
  -fill '#dae6f4' -draw "circle 560,380 560,300" -fill '#e8f0f9' -draw "circle 560,380 560,330"
bmp_to 205.bmp -size 618x434 gradient:'#f6f9fd'-'#e4edf8' \
  -fill '#dce7f4' -draw "rectangle 0,400 617,433" -fill "$LINE" -draw "rectangle 0,400 617,400"

# ---- Icons ---------------------------------------------------------------------
app_icon() { "$IM" -size 48x48 xc:none -fill "$ACCENT" -draw "roundrectangle 1,1 46,46 9,9" \
  -fill white -draw "roundrectangle 11,11 36,36 4,4" -fill "$ACCENT" -draw "rectangle 15,27 32,29 circle 30,18 30,16" "$@"; }
app_icon -define icon:auto-resize=48,32,24,16 128.ico
padlock() {  # file size closed?
  local s=$1 closed=$2 file=$3
  "$IM" -size 48x48 xc:none -fill none -stroke "$MID" -strokewidth 5 \
    -draw "$( [ "$closed" = 1 ] && echo 'arc 13,5 35,30 180,360' || echo 'arc 21,2 43,27 180,340')" \
    -stroke none -fill '#e0a526' -draw "roundrectangle 8,20 40,44 5,5" -fill "$MID" -draw "circle 24,31 24,28 rectangle 23,31 25,38" \
    -resize "${s}x${s}" "$file"
}
padlock 48 1 lock48.png; padlock 48 0 unlock48.png
"$IM" lock48.png -define icon:auto-resize=48,32,16 221.ico
"$IM" unlock48.png -define icon:auto-resize=48,32,16 222.ico
"$IM" -size 48x48 xc:none -fill "$ACCENT" -draw "circle 16,24 16,12" -fill white -draw "circle 16,24 16,19" \
  -fill "$ACCENT" -draw "rectangle 24,21 44,27 rectangle 36,27 40,34 rectangle 30,27 33,32" \
  -define icon:auto-resize=48,32,16 225.ico
"$IM" -size 48x48 xc:none -fill "$ACCENT" -draw "circle 24,16 24,6" -draw "ellipse 24,44 16,14 180,360" \
  -define icon:auto-resize=48,32,16 228.ico
# Device list: disk, CD/DVD drive, iSCSI device, network device (24 x 24).
"$IM" -size 24x24 xc:none -fill "$MID" -draw "roundrectangle 2,5 21,18 3,3" -fill "$ACCENT" -draw "rectangle 5,14 9,15" \
  -fill '#8fd16a' -draw "circle 17,14 17,13" -define icon:auto-resize=24,16 230.ico
"$IM" -size 24x24 xc:none -fill '#c9d3de' -draw "circle 12,12 12,2" -fill "$ACCENT_LT" -draw "circle 12,12 12,5" \
  -fill white -draw "circle 12,12 12,10" -define icon:auto-resize=24,16 231.ico
"$IM" -size 24x24 xc:none -fill "$MID" -draw "roundrectangle 2,3 21,13 3,3" -fill "$ACCENT" -draw "rectangle 11,13 12,18 rectangle 4,18 19,20" \
  -fill '#8fd16a' -draw "circle 17,8 17,7" -define icon:auto-resize=24,16 232.ico
"$IM" -size 24x24 xc:none -fill "$MID" -draw "roundrectangle 2,3 21,13 3,3" -fill "$ACCENT_LT" -draw "circle 12,19 12,15" \
  -fill "$ACCENT" -draw "rectangle 11,13 12,15" -define icon:auto-resize=24,16 233.ico
# Portal (18 x 18 in the portal manager's list).
"$IM" -size 36x36 xc:none -fill "$ACCENT" -draw "circle 18,18 18,2" -fill none -stroke white -strokewidth 2 \
  -draw "ellipse 18,18 7,15 0,360 line 3,18 33,18 line 6,10 30,10 line 6,26 30,26" \
  -define icon:auto-resize=32,18,16 234.ico

# ---- Snapshot tree pictures (white is transparent) -----------------------------
bmp_to 236.bmp -size 32x32 xc:white -fill "$MID" -draw "roundrectangle 3,6 28,26 4,4" -fill "$ACCENT_LT" -draw "rectangle 7,20 24,22"
bmp_to 237.bmp -size 32x32 xc:white -fill '#8fd16a' -draw "circle 16,16 16,4" -fill white -draw "polygon 12,10 23,16 12,22"
bmp_to 238.bmp -size 32x32 xc:white -fill "$ACCENT" -draw "roundrectangle 4,8 27,25 3,3" -fill white -draw "circle 16,16 16,11" \
  -fill "$ACCENT" -draw "circle 16,16 16,13" -fill "$ACCENT_DK" -draw "rectangle 10,5 18,8"
bmp_to 239.bmp -size 32x32 xc:white -fill '#e0a526' -draw "roundrectangle 4,8 27,25 3,3" -fill white -draw "circle 16,16 16,11" \
  -fill '#e0a526' -draw "circle 16,16 16,13" -fill '#b5811a' -draw "rectangle 10,5 18,8"
# The stub runs from the picture on the left (17 pixels before the box) to the
# box's own picture, at the pictures' middle height.
bmp_to 240.bmp -size 33x4 xc:white -fill "$EDGE" -draw "rectangle 0,1 32,2"
# Branch pieces, 33 x 65 each, side by side: straight on down, down and right
# into a branch, and the last turn right; the line runs down the middle of the
# parent's column and turns at the pictures' middle height.
bmp_to 241.bmp -size 99x65 xc:white -fill "$EDGE" -draw "rectangle 0,0 1,64" \
  -draw "rectangle 33,0 34,64 rectangle 33,14 65,15" -draw "rectangle 66,0 67,15 rectangle 66,14 98,15"

# ---- Wizard header pattern (tiles behind the title band) -----------------------
bmp_to 245.bmp -size 8x8 xc:'#f3f7fc' -fill '#e6eef8' -draw "point 0,0 point 4,4"

# ---- Shell extension -----------------------------------------------------------
png_to 215.png -size 34x19 xc:none -stroke white -strokewidth 2 -draw "line 12,5 21,14 line 21,5 12,14"
bmp_to 216.bmp -size 16x26 gradient:"$ACCENT"-"$ACCENT_DK" -fill '#3a86d6' -draw "line 0,25 15,10 line 8,25 15,18"
bmp_to 223.bmp -size 16x16 xc:white -fill "$ACCENT" -draw "roundrectangle 0,0 15,15 3,3" -fill white -draw "rectangle 4,9 11,10"
"$IM" lock48.png -background white -alpha remove -resize 16x16 -alpha off -type TrueColor BMP3:226.bmp
"$IM" unlock48.png -background white -alpha remove -resize 16x16 -alpha off -type TrueColor BMP3:227.bmp
rm -f lock48.png unlock48.png
echo "images written to $out"
