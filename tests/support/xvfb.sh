#!/usr/bin/env bash
# Usage: tests/support/xvfb.sh [--screen WIDTHxHEIGHT] [--wm openbox] <command...>
# Runs the command with DISPLAY set to a fresh Xvfb (24 bits) on a free display number, stops
# that server afterwards and returns the command's exit code.
# The server picks its own free number (-displayfd), so runs in parallel never collide.
# --screen gives the screen's size in pixels, e.g. --screen 2560x1600; without it the
# screen is 1024x768.
# With --wm openbox, the Openbox window manager runs on that server (with its default
# settings, not the user's) and the command starts once it manages windows.
set -u

usage="usage: $0 [--screen WIDTHxHEIGHT] [--wm openbox] <command...>"
wm=
screen=1024x768
while [ $# -gt 0 ]; do
    case "$1" in
    --wm)
        wm=${2:-}
        shift 2 2>/dev/null || shift $#
        if [ "$wm" != openbox ]; then
            echo "xvfb.sh: unknown window manager '$wm' (known: openbox)" >&2
            exit 2
        fi
        ;;
    --screen)
        screen=${2:-}
        shift 2 2>/dev/null || shift $#
        if ! [[ "$screen" =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
            echo "xvfb.sh: the screen size must be WIDTHxHEIGHT in pixels, e.g. 2560x1600, not '$screen'" >&2
            exit 2
        fi
        ;;
    *)
        break
        ;;
    esac
done
if [ $# -eq 0 ]; then
    echo "$usage" >&2
    exit 2
fi
if ! command -v Xvfb >/dev/null 2>&1; then
    echo "xvfb.sh: Xvfb is not installed" >&2
    exit 127
fi
if [ -n "$wm" ]; then
    for tool in "$wm" xprop; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "xvfb.sh: $tool is not installed" >&2
            exit 127
        fi
    done
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/xvfb.XXXXXX") || exit 1
xvfb_pid=
wm_pid=

stop_wm() {
    if [ -n "$wm_pid" ] && kill -0 "$wm_pid" 2>/dev/null; then
        kill "$wm_pid" 2>/dev/null
        for _ in $(seq 30); do
            kill -0 "$wm_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$wm_pid" 2>/dev/null
        wait "$wm_pid" 2>/dev/null
    fi
    wm_pid=
}

stop_server() {
    stop_wm
    if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
        kill "$xvfb_pid" 2>/dev/null
        for _ in $(seq 50); do
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    xvfb_pid=
    rm -rf "$work"
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Xvfb writes the display number to descriptor 3 once it accepts connections.
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" >"$work/log" 2>&1 &
xvfb_pid=$!

number=
for _ in $(seq 200); do
    if [ -s "$work/display" ]; then
        line=$(head -n 1 "$work/display")
        if [[ "$line" =~ ^[0-9]+$ ]] && [ "$(tail -c 1 "$work/display" | od -An -c | tr -d ' ')" = '\n' ]; then
            number=$line
            break
        fi
    fi
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        break
    fi
    sleep 0.05
done

if [ -z "$number" ]; then
    echo "xvfb.sh: Xvfb did not start" >&2
    cat "$work/log" >&2
    exit 1
fi

export DISPLAY=":$number"
unset WAYLAND_DISPLAY

# The window manager is ready once it has claimed the screen, announced with
# _NET_SUPPORTING_WM_CHECK (a window whose own property of that name points to itself), and
# has run its start-up command, which Openbox does once it has set itself up and is about
# to handle events: requests sent before that (a frame-extents request from a window not
# yet shown) can go unanswered.
wm_ready() {
    [ -e "$work/wm-started" ] || return 1
    local check self
    check=$(xprop -root -notype _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # \(0x[0-9a-fA-F]*\).*/\1/p')
    [ -n "$check" ] || return 1
    self=$(xprop -id "$check" -notype _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # \(0x[0-9a-fA-F]*\).*/\1/p')
    [ "$self" = "$check" ]
}
if [ -n "$wm" ]; then
    mkdir -p "$work/config" "$work/cache"
    XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
        openbox --sm-disable --startup "touch '$work/wm-started'" >"$work/wm.log" 2>&1 &
    wm_pid=$!
    ready=
    for _ in $(seq 200); do
        if wm_ready; then
            ready=1
            break
        fi
        kill -0 "$wm_pid" 2>/dev/null || break
        sleep 0.05
    done
    if [ -z "$ready" ]; then
        echo "xvfb.sh: $wm did not start" >&2
        cat "$work/wm.log" >&2
        exit 1
    fi
fi

"$@"
rc=$?
exit $rc
