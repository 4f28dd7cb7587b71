#!/usr/bin/env bash
# Installs the Debian packages Parlet needs to build, run and test; only what
# is missing. Runs apt-get update first when something must be installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libasound2-dev libpulse-dev libudev-dev gettext
  libgtest-dev libgmock-dev libbenchmark-dev
  pulseaudio pulseaudio-utils libasound2-plugins alsa-utils
  pipewire pipewire-bin pipewire-pulse wireplumber
  xvfb xauth fonts-dejavu-core fonts-dejavu-extra
  clang libclang-rt-14-dev
  dbus dpkg-dev file desktop-file-utils appstream librsvg2-bin lintian
  mosquitto mosquitto-clients
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
