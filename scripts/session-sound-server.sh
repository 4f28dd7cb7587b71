#!/usr/bin/env bash
# Starts, stops or restarts a private sound server together with the session
# manager's saved stream volumes, for the tests of turning other programs
# down: PulseAudio with module-stream-restore, or PipeWire with
# pipewire-pulse and WirePlumber (its restore-stream). Everything lives in
# DIR, never in the user's own session:
#   DIR/pulse/native   the PulseAudio socket (clients: PULSE_RUNTIME_PATH=DIR/pulse)
#   DIR/home, DIR/state, DIR/config   HOME, XDG_STATE_HOME, XDG_CONFIG_HOME
#   DIR/state/wireplumber/restore-stream   WirePlumber's saved stream volumes
# PipeWire gets a private session bus; WirePlumber is kept off the machine's
# devices, so a null sink "loop" is the only output on either server. A
# restart keeps the saved volumes.
#
# usage: session-sound-server.sh start|stop|restart pulseaudio|pipewire DIR
set -euo pipefail

usage() { echo "usage: session-sound-server.sh start|stop|restart pulseaudio|pipewire DIR" >&2; exit 2; }
action=${1:-}
kind=${2:-}
dir=${3:-}
[ -n "$dir" ] || usage
case $kind in pulseaudio|pipewire) ;; *) usage ;; esac
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

export HOME=$dir/home XDG_STATE_HOME=$dir/state XDG_CONFIG_HOME=$dir/config
export PULSE_RUNTIME_PATH=$dir/pulse
unset PULSE_SERVER DBUS_SESSION_BUS_ADDRESS
[ "$kind" = pipewire ] && export XDG_RUNTIME_DIR=$dir

server_up() { pactl info >/dev/null 2>&1; }

# Ends the processes whose ids are in DIR/*.pid: all asked at once, then
# waited for (a zombie counts as ended), killed after five seconds.
stop_pids() {
  local pids=() name pid
  for name in "$@"; do
    [ -f "$dir/$name.pid" ] || continue
    pid=$(cat "$dir/$name.pid")
    rm -f "$dir/$name.pid"
    kill -TERM "$pid" 2>/dev/null && pids+=("$pid")
  done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do
      case $(ps -o stat= -p "$pid" 2>/dev/null) in '' | Z*) break ;; esac
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  done
}

start_pulseaudio() {
  mkdir -p "$PULSE_RUNTIME_PATH" "$dir/pulse-state"
  chmod 700 "$PULSE_RUNTIME_PATH"
  local extra=()
  [ "$(id -u)" -eq 0 ] && extra+=(--system=false)
  PULSE_STATE_PATH=$dir/pulse-state pulseaudio -D -n --exit-idle-time=-1 --disallow-exit "${extra[@]}" \
    --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=loop rate=48000" \
    --load=module-stream-restore \
    --log-target=file:"$dir/server.log" 2>>"$dir/server.log"
}

start_pipewire() {
  mkdir -p "$HOME" "$XDG_STATE_HOME" "$XDG_CONFIG_HOME/wireplumber/main.lua.d" \
    "$XDG_CONFIG_HOME/wireplumber/bluetooth.lua.d"
  chmod 700 "$dir"
  printf 'alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\nlibcamera_monitor.enabled = false\n' \
    >"$XDG_CONFIG_HOME/wireplumber/main.lua.d/99-test-no-devices.lua"
  printf 'bluez_monitor.enabled = false\n' >"$XDG_CONFIG_HOME/wireplumber/bluetooth.lua.d/99-test-no-devices.lua"
  dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$dir/bus" 4>"$dir/dbus.pid"
  DBUS_SESSION_BUS_ADDRESS=$(cat "$dir/bus")
  export DBUS_SESSION_BUS_ADDRESS
  local program
  for program in pipewire wireplumber pipewire-pulse; do
    setsid "$program" >>"$dir/$program.log" 2>&1 </dev/null &
    echo $! >"$dir/$program.pid"
    # WirePlumber and the PulseAudio interface need the daemon's socket.
    if [ "$program" = pipewire ]; then
      for _ in $(seq 50); do [ -S "$dir/pipewire-0" ] && break; sleep 0.1; done
    fi
  done
}

stop() {
  if [ "$kind" = pulseaudio ]; then
    if [ -S "$PULSE_RUNTIME_PATH/native" ]; then
      pulseaudio --kill >/dev/null 2>&1 || true
      for _ in $(seq 50); do server_up || break; sleep 0.1; done
    fi
  else
    stop_pids pipewire-pulse wireplumber pipewire dbus
  fi
}

start() {
  stop
  "start_$kind"
  for _ in $(seq 100); do server_up && break; sleep 0.1; done
  server_up || { echo "session-sound-server: $kind did not come up (see $dir)" >&2; stop; exit 1; }
  if [ "$kind" = pipewire ]; then
    pactl load-module module-null-sink sink_name=loop rate=48000 >/dev/null
    # The session manager's stream restore is up once it has linked a stream.
    for _ in $(seq 50); do pactl list short sinks | grep -q '\bloop\b' && break; sleep 0.1; done
  fi
  pactl set-default-sink loop
  echo "session-sound-server: $kind running in $dir"
}

case $action in
  start) start ;;
  stop) stop; echo "session-sound-server: $kind stopped" ;;
  restart) stop; start ;;
  *) usage ;;
esac
