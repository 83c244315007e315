#!/usr/bin/env bash
# Runs the real programs on a private X server (one 800x600 mode) and ends them as a viewer
# would:
#  - windowed (Fullscreen box cleared): the settings and window lines, the client area of the
#    mode's size, T and R served by the frame loop, Escape ends with exit code 0;
#  - windowed, Alt+F4 (the close box) ends with 0;
#  - the release build, windowed: Escape ends it with 0 and nothing on standard output;
#  - fullscreen with the defaults: T and R do nothing, Escape still ends the run (the frame
#    loop's own test) with 0;
#  - without an X server both programs end with "*** error: ..." and -1, the release build
#    with nothing on standard output.
#   demo_runs.sh CONSOLE_PROGRAM RELEASE_PROGRAM
set -u

console=$(realpath "$1")
release=$(realpath "$2")

for tool in xdotool xvfb-run stdbuf; do
    command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
if [ -z "${ORLUNDE_E2E_DISPLAY:-}" ]; then
    export ORLUNDE_E2E_DISPLAY=1
    exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
pid=""

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Polls for a visible window whose name matches $1; its id goes to stdout.
find_window() {
    local deadline=$((SECONDS + $2)) id=""
    while [ $SECONDS -lt $deadline ] && kill -0 "$pid" 2> /dev/null; do
        id=$(xdotool search --onlyvisible --name "$1" 2> /dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}

# Waits up to $2 seconds for a line matching $1 in the program's output.
wait_for() {
    local deadline=$((SECONDS + $2))
    while [ $SECONDS -lt $deadline ]; do
        grep -q -- "$1" "$work/out" && return 0
        kill -0 "$pid" 2> /dev/null || { grep -q -- "$1" "$work/out"; return; }
        sleep 0.2
    done
    return 1
}

keys() {
    for key in "$@"; do
        xdotool key --clearmodifiers "$key"
        sleep 0.1
    done
}

# Starts $1 and answers its setup dialog with the keys $2...; the demo's window id goes to
# $window (class window "Tovenmark" or the fullscreen "edit" window).
window=""
start() {
    local program=$1
    shift
    : > "$work/out"
    : > "$work/err"
    stdbuf -oL -eL "$program" > "$work/out" 2> "$work/err" &
    pid=$!
    local dialog
    dialog=$(find_window '^skarnholt_vandrup$' 30) || { echo "no dialog; stderr:"; cat "$work/err"; return 1; }
    xdotool windowfocus --sync "$dialog" 2> /dev/null || true
    sleep 0.3
    keys "$@"
    window=$(find_window '^(Tovenmark|edit)$' 60) || { echo "no demo window; stderr:"; cat "$work/err"; return 1; }
    # The frame loop runs once the tracks are bound; the release build says nothing, so it
    # is given time instead.
    if [ "$program" = "$release" ]; then
        sleep 4
    else
        wait_for '^size of : 24$' 120 || { echo "the frame loop did not start"; return 1; }
    fi
    xdotool windowfocus --sync "$window" 2> /dev/null || true
    sleep 0.5
}

# Waits up to 30 seconds for the program to end; its exit code goes to $code.
code=""
finish() {
    for _ in $(seq 150); do kill -0 "$pid" 2> /dev/null || break; sleep 0.2; done
    if kill -0 "$pid" 2> /dev/null; then
        kill -9 "$pid" 2> /dev/null
        wait "$pid" 2> /dev/null
        code="still running"
        return 1
    fi
    wait "$pid"
    code=$?
}

expect_lines() {
    local title=$1
    shift
    for line in "$@"; do grep -q -- "$line" "$work/out" || fail "$title: no line '$line'"; done
}

check_clean_end() {
    local title=$1
    finish
    [ "$code" = "0" ] || fail "$title: exit code $code"
    grep -q -- '\*\*\* error' "$work/err" && fail "$title: $(grep -- '\*\*\* error' "$work/err")"
    grep -q -- 'sorry, the window creation sucked' "$work/out" && fail "$title: the window failed"
}

echo "== windowed: hot keys, then Escape"
if start "$console" Tab Tab space Return; then
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "${WIDTH}x${HEIGHT}" = "800x600" ] || fail "windowed: client area ${WIDTH}x${HEIGHT}"
    keys t
    wait_for '^Reloading Done!$' 20 || fail "windowed: T reloaded no textures"
    keys r
    # An effect that fails to compile asks Y/N in the console: N goes on with the rest.
    for _ in $(seq 100); do
        grep -q 'Finished Compiling Shaders' "$work/out" && break
        grep -q 'try again Y/N' "$work/out" && { keys n; sleep 0.2; }
        sleep 0.1
    done
    grep -q '^Finished Compiling Shaders$' "$work/out" || fail "windowed: R recompiled no effects"
    keys Escape
    check_clean_end "windowed"
    expect_lines "windowed" '^TargetRect =  0.750000 1.000000$' '^screen = 800x600@' '^render = 800x450$' \
        '^offset = 75$' '^ratio  = 1.333333$' \
        '^hello!HEIGHT = 600.000000  WIDTH = 800.000000  RENDERHEIGHT = 450.000000$' \
        '^Reloading textures$' '^Recompiling Shaders...$'
else
    fail "windowed: no run"
    kill -9 "$pid" 2> /dev/null
fi

echo "== windowed: Alt+F4"
if start "$console" Tab Tab space Return; then
    keys alt+F4
    check_clean_end "Alt+F4"
else
    fail "Alt+F4: no run"
    kill -9 "$pid" 2> /dev/null
fi

echo "== fullscreen defaults: Escape"
if start "$console" Return; then
    # The fullscreen window has no procedure of the program's: T and R do nothing there.
    keys t r
    sleep 1
    keys Escape
    check_clean_end "fullscreen"
    expect_lines "fullscreen" '^HEIGHT = 600.000000  WIDTH = 800.000000  RENDERHEIGHT = 450.000000$'
    grep -q 'TargetRect\|hello!' "$work/out" && fail "fullscreen: windowed-mode lines"
    grep -q 'Reloading\|Recompiling' "$work/out" && fail "fullscreen: a hot key was served"
else
    fail "fullscreen: no run"
    kill -9 "$pid" 2> /dev/null
fi

echo "== release build, windowed: Escape"
if start "$release" Tab Tab space Return; then
    keys Escape
    check_clean_end "release"
    [ -s "$work/out" ] && fail "release: console lines '$(head -3 "$work/out")'"
else
    fail "release: no run"
    kill -9 "$pid" 2> /dev/null
fi

echo "== no X server"
for program in "$console" "$release"; do
    env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$program" > "$work/out" 2> "$work/err"
    code=$?
    name=$(basename "$program")
    [ "$code" -eq 255 ] || fail "no display, $name: exit code $code"
    grep -q '^\*\*\* error: ' "$work/err" || fail "no display, $name: no error line; stderr: $(cat "$work/err")"
    if [ "$program" = "$release" ] && [ -s "$work/out" ]; then
        fail "no display, $name: console lines '$(cat "$work/out")'"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all passed"
