#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the demo needs.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  build-essential cmake pkg-config git ca-certificates \
  libsdl2-dev libepoxy-dev libgl-dev libgl1-mesa-dri libglx-mesa0 \
  glslang-dev glslang-tools libspirv-cross-c-shared-dev spirv-cross \
  libmpg123-dev libsamplerate0-dev libstb-dev libimgui-dev libassimp-dev \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  xvfb xauth x11-utils xdotool imagemagick lame sox libsox-fmt-mp3
