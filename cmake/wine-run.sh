#!/bin/sh
# Runs a Windows program under Wine and passes on its output and exit code. The output goes
# through a file: Wine's background processes inherit the program's output and would keep a
# caller's pipes open long after the program ended (CTest then never finishes).
out=$(mktemp) || exit 1
wine "$@" > "$out" 2>&1 < /dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
