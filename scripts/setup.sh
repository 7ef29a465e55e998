#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Zuvo needs.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libuchardet-dev libmpv-dev libswscale-dev libavutil-dev libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev clang-format
  # tools the application starts
  ffmpeg mediainfo mkvtoolnix mencoder mplayer handbrake-cli dvdauthor
  xdg-utils fonts-dejavu-core dbus
  # the certificates the look-ups check the services' HTTPS against
  ca-certificates
  # independent readers and harness used by the tests
  atomicparsley python3 python3-mutagen xvfb xauth desktop-file-utils openbox
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
