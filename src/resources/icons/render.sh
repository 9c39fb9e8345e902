#!/bin/sh
# Renders the committed PNG sizes and Windows icons from the two SVG drawings.
# Needs ImageMagick; run it after changing an SVG and commit the results.
set -eu
cd "$(dirname "$0")"
for name in qzm qzm-document; do
  for size in 16 32 48 64 128 256; do
    mkdir -p "$size"
    convert -background none -density 300 "$name.svg" -resize "${size}x${size}" "PNG32:$size/$name.png"
  done
  convert 16/$name.png 32/$name.png 48/$name.png 256/$name.png "$name.ico"
done
