#!/bin/sh
# Regenerates the 16 and 32 pixel PNGs of the button images from their SVG drawings.
# A developer tool: the build uses the committed PNGs. Needs rsvg-convert (librsvg2-bin).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/16" "$here/32"
for svg in "$here"/svg/*.svg; do
    name=$(basename "$svg" .svg)
    for size in 16 32; do
        rsvg-convert -w "$size" -h "$size" -o "$here/$size/$name.png" "$svg"
    done
done
