#!/usr/bin/env bash
# Runs the real programs past the setup dialog (Enter takes the defaults) on a private X server:
#  - orlunde_console plays data/tarnvik.mp3 through the frame loop and ends by itself once the
#    music passes 129 seconds, with exit code 0;
#  - without data/tarnvik.mp3 the run ends with "*** error: failed to open tune" and -1;
#  - without a sound output device it ends with "*** error: failed to init bass" and -1;
#  - the release build shows no console lines.
#   program_runs.sh CONSOLE_PROGRAM RELEASE_PROGRAM
set -u

console=$(realpath "$1")
release=$(realpath "$2")
root=$(pwd)

for tool in xdotool xvfb-run stdbuf; do
    command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
if [ -z "${ORLUNDE_RUNS_DISPLAY:-}" ]; then
    export ORLUNDE_RUNS_DISPLAY=1
    exec xvfb-run -a -s "-screen 0 1280x720x24" "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# run PROGRAM DIR LIMIT: starts PROGRAM in DIR, presses Enter in the dialog and waits up to
# LIMIT seconds for it to end; sets $rc and $elapsed, output in $work/out and $work/err.
run() {
    local program=$1 dir=$2 limit=$3
    : > "$work/out"
    : > "$work/err"
    (cd "$dir" && exec stdbuf -oL -eL "$program" > "$work/out" 2> "$work/err") &
    local pid=$!
    local window="" deadline=$((SECONDS + 30))
    while [ -z "$window" ] && [ $SECONDS -lt $deadline ] && kill -0 "$pid" 2> /dev/null; do
        window=$(xdotool search --onlyvisible --name '^skarnholt_vandrup$' 2> /dev/null | head -1)
        [ -n "$window" ] || sleep 0.2
    done
    if [ -z "$window" ]; then
        fail "the dialog did not appear"
        kill "$pid" 2> /dev/null
        wait "$pid" 2> /dev/null
        rc=-999
        return
    fi
    xdotool windowfocus --sync "$window" 2> /dev/null || true
    sleep 0.3
    xdotool key --clearmodifiers Return
    local start=$SECONDS
    deadline=$((SECONDS + limit))
    while kill -0 "$pid" 2> /dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.5; done
    elapsed=$((SECONDS - start))
    if kill -0 "$pid" 2> /dev/null; then
        fail "$(basename "$program") still running after ${limit}s"
        kill -9 "$pid" 2> /dev/null
    fi
    wait "$pid"
    rc=$?
}

expect_line() {
    grep -qxF -- "$1" "$work/$2" || fail "missing line '$1' in $2: $(head -c 600 "$work/$2")"
}

# A data directory like the real one but without some files.
data_without() {
    local dir=$work/$1
    shift
    mkdir -p "$dir/data"
    for f in "$root"/data/*; do ln -s "$f" "$dir/data/"; done
    for missing in "$@"; do rm -f "$dir/data/$missing"; done
    echo "$dir"
}

echo "== no music file"
run "$console" "$(data_without nomusic tarnvik.mp3)" 60
[ "$rc" = 255 ] || fail "no music: exit code $rc, expected 255 (-1)"
expect_line "*** error: failed to open tune" err
expect_line "Loading Demo...." out

echo "== no sound output device"
SDL_AUDIODRIVER=no-such-driver run "$console" "$root" 60
[ "$rc" = 255 ] || fail "no sound: exit code $rc, expected 255 (-1)"
expect_line "*** error: failed to init bass" err

echo "== release build, ended early with Escape"
: > "$work/out"
(cd "$root" && exec "$release" > "$work/out" 2> "$work/err") &
pid=$!
window=""
for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name '^skarnholt_vandrup$' 2> /dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.2
done
xdotool windowfocus --sync "$window" 2> /dev/null || true
sleep 0.3
xdotool key --clearmodifiers Return
sleep 6
xdotool key --clearmodifiers Escape
for _ in $(seq 100); do kill -0 "$pid" 2> /dev/null || break; sleep 0.2; done
kill -9 "$pid" 2> /dev/null && fail "release build did not end on Escape"
wait "$pid"
rc=$?
[ "$rc" = 0 ] || fail "release build: exit code $rc"
[ -s "$work/out" ] && fail "release build printed console lines: $(head -c 300 "$work/out")"

echo "== the whole demo, to the end of the music"
run "$console" "$root" 200
[ "$rc" = 0 ] || fail "full run: exit code $rc; stderr: $(head -c 600 "$work/err")"
# SDL's dummy driver consumes samples a few per cent faster than real time, so 129 s of music
# pass in a little less wall time; far less would mean the loop ended on something else.
[ "$elapsed" -ge 118 ] || fail "full run ended after ${elapsed}s, before the music reached 129 s"
expect_line "size of : 24" out
expect_line "Loading Demo...." out
grep -q '^fps = ' "$work/out" || fail "no frame-rate line"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all program runs passed"
