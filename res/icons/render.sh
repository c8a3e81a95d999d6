#!/usr/bin/env bash
# Renders the committed PNG and ICO icons from the SVG drawings, so that building needs neither
# tool. Run it after changing a drawing. Needs rsvg-convert (librsvg2-bin) and icotool (icoutils).
set -euo pipefail
cd "$(dirname "$0")"

for n in 16 24 32 48 64 128 256; do
  # Scaled down from 256, the signal arcs and the camera blur into one blot; the 16 px drawing
  # puts them on whole pixels.
  drawing=quenlo.svg
  [ "$n" -eq 16 ] && drawing=quenlo-16.svg
  mkdir -p "hicolor/${n}x${n}/apps"
  rsvg-convert -w "$n" -h "$n" "$drawing" -o "hicolor/${n}x${n}/apps/quenlo.png"
done

icotool --create --output=quenlo.ico \
  hicolor/{16x16,24x24,32x32,48x48}/apps/quenlo.png --raw=hicolor/256x256/apps/quenlo.png
