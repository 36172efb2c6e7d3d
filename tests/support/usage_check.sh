#!/usr/bin/env bash
# Checks a program's command line as a person first meets it:
#
#   bash usage_check.sh PROGRAM [ARGUMENT...]
#
# PROGRAM with its ARGUMENTs (an interpreter and its script, say) runs three times, each in an
# empty folder of its own: with --help and with -h it must print its usage ("usage: ...") on
# standard output, nothing on standard error, end with exit code 0 and write no file; with an
# option it does not know it must print the usage on standard error, nothing on standard
# output, end with exit code 2 and write no file. Prints what went wrong and exits 1, or
# prints one line and exits 0.
set -u
if [ $# -lt 1 ]; then
  echo "usage: usage_check.sh PROGRAM [ARGUMENT...]" >&2
  exit 2
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/usage_check.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
failures=0
name=$(basename "${@: -1}")

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run NAME OPTION: runs the program with OPTION in the folder $scratch/NAME/work.
run() {
  local dir=$scratch/$1
  mkdir -p "$dir/work"
  (cd "$dir/work" && "${@:3}" "$2" >"$dir/out" 2>"$dir/err" </dev/null)
  echo $? >"$dir/rc"
}

written() {
  ls -A "$scratch/$1/work"
}

for option in --help -h; do
  run "help$option" "$option" "$@"
  dir=$scratch/help$option
  [ "$(cat "$dir/rc")" = 0 ] || fail "$option: exit code $(cat "$dir/rc"), not 0"
  grep -q '^usage: ' "$dir/out" || fail "$option: no usage on standard output"
  [ -s "$dir/err" ] && fail "$option: wrote on standard error: $(head -c 300 "$dir/err")"
  [ -n "$(written "help$option")" ] && fail "$option: wrote files: $(written "help$option" | tr '\n' ' ')"
done

run unknown --no-such-option "$@"
dir=$scratch/unknown
[ "$(cat "$dir/rc")" = 2 ] || fail "--no-such-option: exit code $(cat "$dir/rc"), not 2"
grep -q 'usage: ' "$dir/err" || fail "--no-such-option: no usage on standard error"
[ -s "$dir/out" ] && fail "--no-such-option: wrote on standard output: $(head -c 300 "$dir/out")"
[ -n "$(written unknown)" ] && fail "--no-such-option: wrote files: $(written unknown | tr '\n' ' ')"

if [ "$failures" -ne 0 ]; then
  echo "$name: $failures failure(s)"
  exit 1
fi
echo "$name: --help and -h print the usage, an unknown option is refused with exit code 2; nothing written"
