#!/usr/bin/env bash
# Usage: compare.sh <queue_order built on our subset>
# Runs queue_order on our subset and queue_order.exe (from LUMORA_WINDOWS_BIN) under Wine in
# the prefix WINEPREFIX, on the X server of DISPLAY, and compares the two printed lists line
# by line: both lists are printed, and the first line where they differ. A run counts only
# if it reached its last line ("end ..."), so two runs that both failed early do not match.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
subset=${1:?usage: compare.sh <queue_order built on our subset>}

fail() {
    echo "queue_order: $*" >&2
    exit 1
}
[ -n "${WINEPREFIX:-}" ] || fail "WINEPREFIX is not set: the test runner prepares a Wine prefix and names it there"
[ -n "${LUMORA_WINDOWS_BIN:-}" ] || fail "LUMORA_WINDOWS_BIN is not set: it names the Windows build's programs (build-win/bin)"
exe=$LUMORA_WINDOWS_BIN/queue_order.exe
[ -f "$exe" ] || fail "$exe does not exist: build the Windows build (build-win) first"
[ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set: run this through tests/support/xvfb.sh"
# Wine's own messages off (a line of them would be a difference), no .NET or Gecko prompts.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Whether the prefix's desktop process (explorer.exe /desktop) runs. Wine starts one with the
# first window and ends it about a second after the last program; a program started meanwhile
# joins it, with its X server, which may be another test's server that is gone.
desktop_running() {
    local p
    for p in /proc/[0-9]*; do
        tr '\0' ' ' 2>/dev/null < "$p/cmdline" | grep -q 'explorer\.exe.*/desktop' || continue
        tr '\0' '\n' 2>/dev/null < "$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}
wait_for_no_desktop() {
    for _ in $(seq 100); do
        desktop_running || return 0
        sleep 0.1
    done
    fail "the Wine desktop process of $WINEPREFIX did not end within 10 s"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/queue-order.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

timeout 60 "$subset" > "$work/subset" 2>&1
subset_rc=$?
wait_for_no_desktop
# Windows programs end their text lines with CR LF.
(cd "$LUMORA_WINDOWS_BIN" && timeout 60 "$root/cmake/wine-run.sh" ./queue_order.exe) 2>&1 | tr -d '\r' > "$work/wine"
wine_rc=${PIPESTATUS[0]}
wait_for_no_desktop

echo "--- our subset (exit code $subset_rc):"
cat -n "$work/subset"
echo "--- Wine (exit code $wine_rc):"
cat -n "$work/wine"

status=0
for run in subset wine; do
    if ! tail -n 1 "$work/$run" | grep -q '^end '; then
        echo "the run on $run did not reach its last line"
        status=1
    fi
done
mapfile -t ours < "$work/subset"
mapfile -t wines < "$work/wine"
count=$(( ${#ours[@]} > ${#wines[@]} ? ${#ours[@]} : ${#wines[@]} ))
for (( i = 0; i < count; i++ )); do
    if [ "${ours[i]-(no line)}" != "${wines[i]-(no line)}" ]; then
        echo "first difference, line $(( i + 1 )):"
        echo "  our subset: ${ours[i]-(no line)}"
        echo "  Wine:       ${wines[i]-(no line)}"
        status=1
        break
    fi
done
[ $status -eq 0 ] && echo "the two lists are the same"
exit $status
