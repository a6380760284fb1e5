#!/bin/sh
# Renders the program icon's PNG sizes from kelp.svg (rsvg-convert, from librsvg2-bin). The
# PNGs are committed so that a build needs no SVG renderer; run this after changing the SVG.
set -e
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" kelp.svg -o "kelp-$size.png"
done
