#!/usr/bin/env bash
# Starts the program from a build folder.
set -euo pipefail
bin=${1:?usage: run.sh BIN_DIR}
if [ ! -x "$bin/parlet" ]; then
  echo "run: the program is not built yet (no $bin/parlet)" >&2
  exit 1
fi

here=$(cd "$(dirname "$0")/.." && pwd)
sound_runtime=""
xvfb_pid=""
cleanup() {
  if [ -n "$sound_runtime" ]; then bash "$here/scripts/sound-server.sh" stop "$sound_runtime" >/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# No sound card and no sound server (a bare machine, a container): start a
# private loop-back sound server, so that what Parlet sends comes back to its
# own input and is decoded, as if a second station had answered.
if [ ! -d /dev/snd ] && ! pactl info >/dev/null 2>&1; then
  sound_runtime=${XDG_RUNTIME_DIR:-/tmp}/parlet-sound-$(id -u)
  echo "run: no sound card and no sound server here: starting a private loop-back sound server in $sound_runtime"
  echo "run: (what Parlet sends comes back to its own input and is shown again in its log)"
  bash "$here/scripts/sound-server.sh" start "$sound_runtime"
  export PULSE_RUNTIME_PATH=$sound_runtime
  unset PULSE_SERVER
fi

# No display: a private virtual one, so the program runs (nothing shows).
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
  xvfb_pid=$!
  read -r -t 10 display <"$fifo" || { rm -f "$fifo"; echo "run: Xvfb did not start" >&2; exit 1; }
  rm -f "$fifo"
  export DISPLAY=":$display"
  echo "run: no display here: Parlet runs on a private virtual display $DISPLAY (Xvfb); stop it with Ctrl+C"
fi

status=0
"$bin/parlet" || status=$?
exit "$status"
