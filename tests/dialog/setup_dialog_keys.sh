#!/usr/bin/env bash
# Drives the real program's setup dialog from the keyboard (xdotool) on a private X server:
# Escape leaves with "hooo" and exit code 0 before any window of the demo opens; Alt+F4 (the
# close box) ends the program with 0 and no output at all; Enter runs with
# the defaults (fullscreen, so no TargetRect line and the ratio 4/3); keyboard choices (the
# Fullscreen box cleared, 16:9 or 16:10 picked) reach the settings lines.
#   setup_dialog_keys.sh PROGRAM [--screenshot FILE]
# With --screenshot it only saves a picture of the dialog (cropped to its window) and quits.
set -u

program=$(realpath "$1")
shift
screenshot=""
if [ "${1:-}" = "--screenshot" ]; then screenshot=$(realpath -m "$2"); fi

for tool in xdotool xvfb-run; do
    command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

# A private X server keeps other tests' windows from taking the keyboard focus.
if [ -z "${ORLUNDE_DIALOG_DISPLAY:-}" ]; then
    export ORLUNDE_DIALOG_DISPLAY=1
    exec xvfb-run -a -s "-screen 0 1280x720x24" "$0" "$program" ${screenshot:+--screenshot "$screenshot"}
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
pid=""
window=""

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Starts the program with line-buffered output and waits for the dialog (its id in $window).
start() {
    : > "$work/out"
    : > "$work/err"
    stdbuf -oL -eL "$program" > "$work/out" 2> "$work/err" &
    pid=$!
    # Polled: a search fails outright when a window it looks at goes away meanwhile.
    window=""
    local deadline=$((SECONDS + 30))
    while [ -z "$window" ] && [ $SECONDS -lt $deadline ] && kill -0 "$pid" 2> /dev/null; do
        window=$(xdotool search --onlyvisible --name '^skarnholt_vandrup$' 2> /dev/null | head -1)
        [ -n "$window" ] || sleep 0.2
    done
    if [ -z "$window" ]; then
        echo "the dialog did not appear; stderr:" >&2
        cat "$work/err" >&2
        return 1
    fi
    xdotool windowfocus --sync "$window" 2> /dev/null || true
    sleep 0.3
}

keys() {
    for key in "$@"; do
        xdotool key --clearmodifiers "$key"
        sleep 0.1
    done
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

# Ends a program that went on past the dialog.
stop() {
    kill "$pid" 2> /dev/null
    for _ in $(seq 20); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2> /dev/null
    wait "$pid" 2> /dev/null
}

if [ -n "$screenshot" ]; then
    start || exit 1
    xdotool mousemove 3 3  # away from the dialog: no hover highlight in the picture
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    mkdir -p "$(dirname "$screenshot")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
    keys Escape
    wait "$pid"
    echo "saved $screenshot (${WIDTH}x${HEIGHT})"
    exit 0
fi

echo "== Escape: leave the dialog"
if start; then
    keys Escape
    for _ in $(seq 100); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2> /dev/null; then
        fail "the program still runs after Escape"
        stop
    else
        wait "$pid"
        code=$?
        [ "$code" -eq 0 ] || fail "exit code $code after Escape"
        [ "$(cat "$work/out")" = "hooo" ] || fail "output after Escape: '$(cat "$work/out")'"
    fi
else
    fail "no dialog"; stop
fi

echo "== Alt+F4: the close box"
if start; then
    keys alt+F4
    for _ in $(seq 100); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2> /dev/null; then
        fail "the program still runs after Alt+F4"
        stop
    else
        wait "$pid"
        code=$?
        [ "$code" -eq 0 ] || fail "exit code $code after Alt+F4; stderr: $(cat "$work/err")"
        [ -s "$work/out" ] && fail "output after Alt+F4: '$(cat "$work/out")'"
    fi
else
    fail "no dialog"; stop
fi

# $1: what is tried; $2...: keys, then "--" and the lines expected (grep patterns), then "!"
# and the lines that must not be there.
run_case() {
    local title=$1
    shift
    echo "== $title"
    local -a press=() want=() reject=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do press+=("$1"); shift; done
    shift
    while [ $# -gt 0 ] && [ "$1" != "!" ]; do want+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    reject=("$@")
    if ! start; then fail "$title: no dialog"; stop; return; fi
    keys "${press[@]}"
    if ! wait_for '^ms = ' 20; then
        fail "$title: no settings lines; output: $(cat "$work/out")"
        stop
        return
    fi
    stop
    for line in "${want[@]}"; do grep -q -- "$line" "$work/out" || fail "$title: no line '$line'"; done
    for line in "${reject[@]}"; do grep -q -- "$line" "$work/out" && fail "$title: unexpected line '$line'"; done
    grep -q hooo "$work/out" && fail "$title: printed hooo"
}

# Focus starts on Run; Tab order: Run, Exit, Fullscreen, Resolution, Aspect Ratio, Multisampling, Vsync.
run_case "Enter: the defaults" Return -- \
    '^screen = [0-9]*x[0-9]*@[0-9]*$' '^render = ' '^offset = ' '^ratio  = 1.333333$' '^ms = [0-9]*$' \
    ! 'TargetRect'
run_case "windowed, 16:9" Tab Tab space Tab Tab Home Down Down Return -- \
    '^TargetRect =  1.000000 1.000000$' '^ratio  = 1.777778$' '^offset = 0$'
run_case "windowed, 16:10, Enter on the Vsync box" Tab Tab space Tab Tab Home Down Tab Tab Return -- \
    '^TargetRect =  0.900000 1.000000$' '^ratio  = 1.600000$'

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all passed"
