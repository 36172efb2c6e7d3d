#!/usr/bin/env bash
# Usage: tests/support/xvfb.sh <command...>
# Runs the command with DISPLAY set to a fresh Xvfb (1024x768, 24 bits) on a free display
# number, stops that server afterwards and returns the command's exit code.
# The server picks its own free number (-displayfd), so runs in parallel never collide.
set -u

if [ $# -eq 0 ]; then
    echo "usage: $0 <command...>" >&2
    exit 2
fi
if ! command -v Xvfb >/dev/null 2>&1; then
    echo "xvfb.sh: Xvfb is not installed" >&2
    exit 127
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/xvfb.XXXXXX") || exit 1
xvfb_pid=

stop_server() {
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
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/log" 2>&1 &
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
"$@"
rc=$?
exit $rc
