#!/usr/bin/env bash
# Regenerates every generated file of data/ (and the setup dialog's bitmap) from the sources
# in the repository: the sync tracks from data/src/timeline.txt, the music from the same
# timeline, the pictures and the meshes. The output is the same, byte for byte, on every run.
#
#   scripts/make-content.sh            builds the tools in build-content/ first
#   ORLUNDE_TOOLS_DIR=DIR scripts/make-content.sh   uses tools already built in DIR
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

if [ -z "${ORLUNDE_TOOLS_DIR:-}" ]; then
  BUILD="$ROOT/build-content"
  cmake -S "$ROOT" -B "$BUILD" >/dev/null
  cmake --build "$BUILD" --target trackc synth imagegen meshgen meshtool -j"${JOBS:-2}"
  ORLUNDE_TOOLS_DIR="$BUILD/bin"
fi
BIN="$ORLUNDE_TOOLS_DIR"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

TIMELINE=data/src/timeline.txt

echo "== tracks"
"$BIN/trackc" compile "$TIMELINE" data

echo "== music"
"$BIN/synth" "$TIMELINE" "$WORK/tarnvik.wav"
lame --quiet --cbr -b 192 -q 2 --noreplaygain "$WORK/tarnvik.wav" data/tarnvik.mp3

echo "== pictures"
mkdir -p data/backroundfx data/endscreen data/gris data/loadingscreen app/resources
"$BIN/imagegen" data app/resources/bitmap_1001.bmp

echo "== meshes"
mkdir -p data/part_1 "$WORK/obj"
"$BIN/meshgen" "$WORK/obj"
for part in h.SCENEauge2_3 gris.SCENEgrismesh_1 gris.SCENEkjeft_0 gris.SCENEnasabor_7 gris.SCENEring_2 gris.SCENEtann_8; do
  "$BIN/meshtool" convert "$WORK/obj/$part.obj" "data/gris/$part.mesh"
done
"$BIN/meshtool" convert "$WORK/obj/shape2.SCENEStar01.obj" data/part_1/shape2.SCENEStar01.mesh
echo "content done"
