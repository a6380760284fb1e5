#!/bin/sh
# Renders the toolbar and program icons from their SVG drawings (ImageMagick). The PNG files
# are what the program ships, so Qt needs no SVG support.
set -e
cd "$(dirname "$0")"
for icon in open save download upload reset clock; do
  convert -background none -density 96 "$icon.svg" -resize 32x32 "$icon.png"
done
convert -background none -density 96 kelp-logo.svg -resize 96x96 kelp-logo.png
