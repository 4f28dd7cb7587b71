#!/usr/bin/env bash
# Draws the README's pictures of the main window and the settings dialog into
# docs/ (in English, in German, at a scale of 2 as on a HiDPI screen, and
# under a dark desktop palette),
# under a private Xvfb display. Usage: screenshots.sh [BIN_DIR]
# (default build/release/bin, as built by `make build`).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$here/build/release/bin}
if [ ! -x "$bin/parlet-screenshots" ]; then
  echo "screenshots: not built yet (no $bin/parlet-screenshots); run 'make build' first" >&2
  exit 1
fi

# -displayfd picks a free display number and reports it once the server is up.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r -t 10 display <"$fifo" || { echo "screenshots: Xvfb did not start" >&2; exit 1; }
echo "screenshots: drawing on a private Xvfb display :$display"

export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR LANGUAGE
LANG=C.UTF-8 "$bin/parlet-screenshots" "$here/docs"
# In German, and at twice the size as on a HiDPI screen.
LANG=de_DE.UTF-8 "$bin/parlet-screenshots" "$here/docs" -de
LANG=C.UTF-8 QT_SCALE_FACTOR=2 "$bin/parlet-screenshots" "$here/docs" -hidpi
# Under a dark desktop theme.
LANG=C.UTF-8 "$bin/parlet-screenshots" --dark "$here/docs" -dark
