#!/usr/bin/env bash
# Starts or stops a private PulseAudio server for tests that use real sound:
# a null sink "loop" at 48000 Hz as the default sink and its monitor as the
# default source, so what is played comes back as input without any sound
# hardware; and a second null sink "radio" (described as "Radio"), standing
# for the radio's own sound card beside the speakers. ALSA's "default" device reaches it through libasound2-plugins
# (Debian's ALSA configuration routes "default" to PulseAudio while a server
# is reachable).
#
# usage: sound-server.sh start|stop [RUNTIME_DIR]
# The server lives in RUNTIME_DIR (default: $PULSE_RUNTIME_PATH), never in
# the user's own; clients find it through PULSE_RUNTIME_PATH=RUNTIME_DIR.
set -euo pipefail

action=${1:?usage: sound-server.sh start|stop [RUNTIME_DIR]}
runtime=${2:-${PULSE_RUNTIME_PATH:?set PULSE_RUNTIME_PATH or pass RUNTIME_DIR}}
export PULSE_RUNTIME_PATH=$runtime
# Keep the server's state (cookie, databases) beside it too.
export PULSE_STATE_PATH=$runtime/state
unset PULSE_SERVER

server_up() { pactl info >/dev/null 2>&1; }

stop() {
  if [ -f "$runtime/pid" ]; then
    pulseaudio --kill >/dev/null 2>&1 || true
    for _ in $(seq 50); do server_up || break; sleep 0.1; done
  fi
}

case $action in
  start)
    mkdir -p "$runtime" "$PULSE_STATE_PATH"
    chmod 700 "$runtime"
    stop
    extra=()
    # PulseAudio warns when run as root but works in user mode; keep it
    # alive for the whole test run.
    [ "$(id -u)" -eq 0 ] && extra+=(--system=false)
    pulseaudio -D -n --exit-idle-time=-1 --disallow-exit "${extra[@]}" \
      --load=module-native-protocol-unix \
      --load="module-null-sink sink_name=loop rate=48000 sink_properties=device.description=Speakers" \
      --load="module-null-sink sink_name=radio rate=48000 sink_properties=device.description=Radio" \
      --log-target=file:"$runtime/server.log" 2>>"$runtime/server.log"
    for _ in $(seq 100); do server_up && break; sleep 0.1; done
    server_up || { echo "sound-server: PulseAudio did not come up (see $runtime/server.log)" >&2; exit 1; }
    pactl set-default-sink loop
    pactl set-default-source loop.monitor
    # ALSA's default must be the PulseAudio plugin, else the tests would
    # reach some other device.
    if ! aplay -L 2>/dev/null | grep -A1 '^default$' | grep -qi pulseaudio; then
      echo "sound-server: ALSA's default device does not reach PulseAudio" >&2
      stop
      exit 1
    fi
    echo "sound-server: PulseAudio running in $runtime"
    ;;
  stop)
    stop
    echo "sound-server: stopped"
    ;;
  *)
    echo "usage: sound-server.sh start|stop [RUNTIME_DIR]" >&2
    exit 2
    ;;
esac
