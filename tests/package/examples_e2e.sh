#!/usr/bin/env bash
# Usage: examples_e2e.sh <work folder> <package_picture>, on an X display (tests/support/xvfb.sh)
# Runs what install.sh built against the installed package, from the installed data folder
# where the image files are: the spinning shape (drawn, and turning between two screenshots),
# the image button (drawn; a click beside the star but inside its box leaves the scene alone,
# a click on the star turns the sky) and the pkg-config program. Each window is closed with
# Escape and its program must end within five seconds, having printed nothing on its own.
set -u
work=$1 picture=$2
data=$work/prefix/share/buggy
fail() { echo "FAIL: $*"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }
step() { echo "== $*"; }

# start <program> <title>: starts it in the data folder and finds its window (window, X, Y).
start() {
    (cd "$data" && exec "$1") > "$work/$(basename "$1").out" 2>&1 &
    pid=$!
    window=$(timeout 20 xdotool search --sync --name "^$2\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] || fail "no window titled '$2'"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    echo "window '$2' at $X,$Y, ${WIDTH}x$HEIGHT"
    sleep 1  # the first frames
}

# stop <program>: Escape to its window, then it must end within five seconds, quietly.
stop() {
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --clearmodifiers Escape
    local tenths=0
    while kill -0 "$pid" 2>/dev/null; do
        [ $tenths -lt 50 ] || fail "$1 still runs five seconds after Escape"
        sleep 0.1
        tenths=$((tenths + 1))
    done
    wait "$pid"
    pid=
    echo "$1 ended within $((tenths / 10)).$((tenths % 10)) s of Escape"
    local out=$work/$1.out
    [ -s "$out" ] && { cat "$out"; fail "$1 printed the above"; }
    return 0
}

shot() { "$picture" grab "$window" "$work/$1.png" > /dev/null || fail "no screenshot"; }
click() {  # client coordinates
    xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1
    sleep 0.5
}

step "spinning-shape"
start "$work/spinning-shape/spinning-shape" "Lumora - spinning shape"
shot spin-1
sleep 0.5
shot spin-2
"$picture" drawn "$work/spin-1.png" || fail "the spinning shape shows nothing"
"$picture" differ "$work/spin-1.png" "$work/spin-2.png" 0.5 || fail "the shape does not turn"
stop spinning-shape

step "image-button"
start "$work/image-button/image-button" "Lumora - image button"
shot button-1
"$picture" drawn "$work/button-1.png" || fail "the image button's window shows nothing"
click 28 28  # the button's box is 24,24 to 120,120; its corner is outside the star
shot button-2
"$picture" differ "$work/button-1.png" "$work/button-2.png" 50 && fail "a click beside the star turned the sky"
click 72 72  # the star's middle
shot button-3
"$picture" differ "$work/button-2.png" "$work/button-3.png" 50 || fail "a click on the star did not turn the sky"
stop image-button

step "pkg-config-probe"
(cd "$work" && timeout 20 ./pkg-config-probe) > "$work/probe.out" 2>&1
cat "$work/probe.out"
grep -q '^window shown, GL [0-9]' "$work/probe.out" || fail "no shown window with a GL context"
grep -q '^ended by Escape after [0-9]* frames$' "$work/probe.out" || fail "the message pump did not end the run"
[ "$(wc -l < "$work/probe.out")" -eq 2 ] || fail "pkg-config-probe printed more than its two lines"
echo "PASS"
