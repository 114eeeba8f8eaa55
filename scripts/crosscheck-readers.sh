#!/bin/sh
# Cross-checks the BMP, PCX, TGA, PNM and icon readers against an independent decoder: ImageMagick
# writes a sample picture in each format and layout, pictova-decode decodes it, and ImageMagick's
# own decode of the same file must match pixel for pixel (absolute error count 0).
# Usage: scripts/crosscheck-readers.sh [path/to/pictova-decode]   (needs ImageMagick's convert)
set -eu
decode=${1:-build/linux/tools/pictova-decode}
im=$(command -v convert-im6.q16 || command -v convert)
compare=$(command -v compare-im6.q16 || command -v compare)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$im" -size 37x23 gradient:red-blue -swirl 90 -depth 8 "$work/src.png"
"$im" -size 37x23 pattern:checkerboard -monochrome "$work/mono.png"

failures=0
check() {  # check NAME SOURCE FORMAT-PREFIX CONVERT-OPTIONS...
  name=$1 src=$2 format=$3
  shift 3
  "$im" "$work/$src" "$@" "$format$work/$name"
  if ! "$decode" "$work/$name" "$work/$name.ours.png" >/dev/null; then
    echo "FAIL $name: pictova-decode failed"
    failures=$((failures + 1))
    return
  fi
  "$im" "$work/$name" -auto-orient -flatten -type truecolor "$work/$name.ref.png"
  ae=$("$compare" -metric AE "$work/$name.ours.png" "$work/$name.ref.png" null: 2>&1 || true)
  if [ "$ae" = "0" ]; then
    echo "ok   $name"
  else
    echo "FAIL $name: $ae pixels differ"
    failures=$((failures + 1))
  fi
}

check a24.bmp src.png bmp3:
check a8.bmp src.png bmp3: -type palette
check a4.bmp src.png bmp3: -colors 16 -type palette
check a1.bmp mono.png bmp3: -type bilevel
check a32.bmp src.png bmp: -alpha on -define bmp:format=bmp4
check a16.bmp src.png bmp: -define bmp:subtype=RGB565
check a24.pcx src.png pcx:
check a8.pcx src.png pcx: -type palette
check a1.pcx mono.png pcx: -type bilevel
check a24.tga src.png tga:
check r24.tga src.png tga: -compress rle
check a8.tga src.png tga: -type palette
check g8.tga src.png tga: -colorspace gray
check a.ppm src.png ppm:
check a.pgm src.png pgm:
check a.pbm mono.png pbm:
check ascii.ppm src.png ppm: -compress none
check ascii.pgm src.png pgm: -compress none
check ascii.pbm mono.png pbm: -compress none
check a16.ppm src.png ppm: -depth 16
check a.ico src.png ico: -resize 32x32!
check a.cur src.png cur: -resize 32x32!

if [ "$failures" -ne 0 ]; then
  echo "$failures sample(s) differ" >&2
  exit 1
fi
echo "all samples match"
