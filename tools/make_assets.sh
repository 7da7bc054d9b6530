#!/usr/bin/env bash
# Draws the installer window's pictures and the application icon into assets/.
# Run by hand after changing a picture; the results are committed. Needs ImageMagick
# and the WenQuanYi Micro Hei font (fonts-wqy-microhei); the output is repeatable
# (no timestamps or random data in the files).
set -euo pipefail
cd "$(dirname "$0")/../assets"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
im() {  # convert with metadata stripped; the last argument is the output
  convert "${@:1:$#-1}" -strip -define png:exclude-chunks=date,time "${@: -1}"
}

# 220 x 80 start / finish buttons: white text centred on a teal field in a light-blue frame.
button() {  # $1 field colour, $2 frame colour, $3 text, $4 output
  im -size 220x80 "xc:$2" -fill "$1" -draw 'roundrectangle 5,5 214,74 10,10' \
     -font "$font" -pointsize 34 -fill white -gravity center -annotate +0+0 "$3" \
     -quality 92 -sampling-factor 1x1 "$4"
}
button '#1a9c9c' '#9fd4f0' '安装' button_install.jpg
button '#63b8b8' '#c8e6f5' '安装' button_install_hover.jpg
button '#1a9c9c' '#9fd4f0' '完成' button_finish.jpg

# 27 x 22 close crosses: a white cross on blue, orange or dark red.
cross() {  # $1 colour, $2 output
  im -size 27x22 "xc:$1" -stroke white -strokewidth 2 -draw 'line 8,6 18,15' -draw 'line 18,6 8,15' \
     -quality 95 -sampling-factor 1x1 "$2"
}
cross '#1e6fd0' cross_blue.jpg
cross '#f08a24' cross_orange.jpg
cross '#8b1010' cross_red.jpg

# Flame logos: a white flame on blue.
flame() {  # $1 WxH, $2 output
  local w=${1%x*} h=${1#*x}
  im -size "$1" 'xc:#1683c4' -fill white -stroke white -strokewidth 1 \
     -draw "path 'M $((w/2)),$((h/8)) C $((w*3/4)),$((h*3/8)) $((w*17/20)),$((h*5/8)) $((w/2)),$((h*7/8)) C $((w*3/20)),$((h*5/8)) $((w/4)),$((h*3/8)) $((w*2/5)),$((h/4)) C $((w*2/5)),$((h*2/5)) $((w/2)),$((h/2)) $((w/2)),$((h/8)) Z'" \
     -fill '#1683c4' -stroke '#1683c4' -draw "ellipse $((w/2)),$((h*11/16)) $((w/10)),$((h/7)) 0,360" \
     -quality 90 "$2"
}
flame 424x534 logo_flame.jpg
flame 250x256 logo_flame_small.jpg

# Icons: the flame on a rounded blue square, 32-bit with alpha.
icon_png() {  # $1 size, $2 output
  local s=$1
  im -size "${s}x${s}" xc:none -fill '#1683c4' -draw "roundrectangle 0,0 $((s-1)),$((s-1)) $((s/6)),$((s/6))" \
     -fill white -draw "path 'M $((s/2)),$((s/8)) C $((s*3/4)),$((s*3/8)) $((s*17/20)),$((s*5/8)) $((s/2)),$((s*7/8)) C $((s*3/20)),$((s*5/8)) $((s/4)),$((s*3/8)) $((s*2/5)),$((s/4)) Z'" \
     -define png:color-type=6 "$2"
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for s in 128 96 72 64 48 32 24 16; do icon_png "$s" "$tmp/$s.png"; done
# ICO entries are BMP-coded 32-bit images (no PNG compression), as every loader reads them.
convert "$tmp"/128.png "$tmp"/96.png "$tmp"/72.png "$tmp"/64.png "$tmp"/48.png "$tmp"/32.png "$tmp"/24.png "$tmp"/16.png \
        -define icon:format=bmp app.ico
convert "$tmp"/48.png -define icon:format=bmp icon48.ico

# The program's own hand cursor (resource 1032): a pointing hand, hot spot on the fingertip.
# ImageMagick writes icons only; a cursor file is the same with type 2 and the hot spot in
# the planes / bit-count fields of its directory entry.
convert -size 32x32 xc:none -fill white -stroke black -strokewidth 1 \
  -draw "path 'M 10,2 L 14,2 L 14,13 L 17,12 L 20,13 L 23,14 L 26,16 L 26,25 L 23,30 L 12,30 L 5,20 L 6,17 L 10,20 Z'" \
  -define icon:format=bmp "$tmp/hand.ico"
python3 - "$tmp/hand.ico" hand.cur <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
struct.pack_into("<H", data, 2, 2)          # resource type: cursor
struct.pack_into("<HH", data, 6 + 4, 12, 2)  # hot spot x, y of the first (only) image
open(sys.argv[2], "wb").write(bytes(data))
PY
