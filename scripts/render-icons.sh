#!/usr/bin/env bash
# Renders the program's icon, packaging/icons/parlet.svg, to the PNG sizes
# the package installs. Run after changing the drawing; the PNGs are kept in
# the repository.
set -euo pipefail
icons=$(cd "$(dirname "$0")/../packaging/icons" && pwd)
for size in 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$icons/parlet.svg" -o "$icons/parlet-$size.png"
done
echo "render-icons: wrote $icons/parlet-{48,64,128,256}.png"
