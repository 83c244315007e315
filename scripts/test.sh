#!/usr/bin/env bash
# Installs, builds (warnings as errors) and runs every test under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh -DORLUNDE_WERROR=ON
export SDL_AUDIODRIVER=dummy ORLUNDE_MESSAGEBOX=stderr LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1280x720x24 -noreset" \
  ctest --test-dir build --output-on-failure --timeout 300 -j2
