#!/usr/bin/env bash
# Installs, builds and runs the demo from the repository root, where data/ resolves.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/bin/orlunde
