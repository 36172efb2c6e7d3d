#!/usr/bin/env bash
# Usage: getting_started.sh <source folder> <installed prefix> <work folder> <C++ compiler> <package_picture>,
# on an X display (tests/support/xvfb.sh)
# The programs of the pages, taken from the pages themselves (no copy of them lives anywhere
# else), each built as its own CMake project against the installed tree install.sh made, and
# run as a newcomer would run them:
#   docs/getting-started.md, "The smallest program": its main.cpp and CMakeLists.txt; run from
#     an empty folder (it needs no file), it draws in the middle of its window and a left drag
#     turns what it draws;
#   docs/getting-started.md, "An image button" (with the same CMakeLists.txt); run where the
#     image files are, it draws and a click on the star turns the cube;
#   docs/lumora-reference.md, "A program's shape" (likewise); run where the image files are,
#     it draws.
# Each window is closed with Escape and its program must end within five seconds, having
# printed nothing.
set -u
source=$1 prefix=$2 work=$3 cxx=$4 picture=$5
data=$prefix/share/buggy
fail() { echo "FAIL: $*"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }
step() { echo "== $*"; }

# block <page> <marker> <language>: the first fenced block of that language after the first
# line of the page that starts with the marker, within the same section (before the next
# "## " heading). Fails when there is none.
block() {
    awk -v marker="$2" -v fence="\`\`\`$3" '
        !found { if (index($0, marker) == 1) found = 1; next }
        inside { if ($0 ~ /^```[ \t]*$/) { done = 1; exit } print; next }
        /^## / { exit }
        $0 == fence { inside = 1 }
        END { exit done ? 0 : 1 }' "$source/$1"
}

# program <name> <page> <marker>: writes the page's program to <work>/<name>/main.cpp with
# the smallest program's CMakeLists.txt, builds it against the installed prefix and sets
# `binary` and `title` (its window's title, from its CREATEOGLWINDOW call).
program() {
    local dir=$work/$1
    mkdir -p "$dir"
    block "$2" "$3" cpp > "$dir/main.cpp" || fail "$2: no C++ block under '$3'"
    printf '%s\n' "$cmakelists" > "$dir/CMakeLists.txt"
    grep -q 'WinMain' "$dir/main.cpp" || fail "$2: the C++ block under '$3' is not a whole program"
    echo "$2, '$3': $(wc -l < "$dir/main.cpp") lines"
    cmake -S "$dir" -B "$dir/build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$prefix" \
          > "$dir/build.log" 2>&1 &&
        cmake --build "$dir/build" >> "$dir/build.log" 2>&1 || { cat "$dir/build.log"; fail "$1 does not build"; }
    local found
    found=$(sed -n 's/^Lumora_DIR:PATH=//p' "$dir/build/CMakeCache.txt")
    case $found in
    "$prefix"/*) ;;
    *) fail "$1 found Lumora in '$found', not in the installed tree" ;;
    esac
    binary=$dir/build/$target
    [ -x "$binary" ] || fail "no program $target"
    title=$(sed -n 's/.*CREATEOGLWINDOW("\([^"]*\)".*/\1/p' "$dir/main.cpp" | head -n 1)
    [ -n "$title" ] || fail "$1 makes no window with a title"
    echo "built $target against the installed tree"
}

# start <folder> <name>: starts the program just built in that folder, finds its window
# (window, X, Y, WIDTH, HEIGHT).
start() {
    (cd "$1" && exec "$binary") > "$work/$2.out" 2>&1 &
    pid=$!
    window=$(timeout 20 xdotool search --sync --name "^$title\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] || { cat "$work/$2.out"; fail "no window titled '$title'"; }
    eval "$(xdotool getwindowgeometry --shell "$window")"
    echo "window '$title' at $X,$Y, ${WIDTH}x$HEIGHT"
    sleep 1  # the first frames
}

# stop <name>: Escape to its window, then it must end within five seconds, quietly.
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
    [ -s "$work/$1.out" ] && { cat "$work/$1.out"; fail "$1 printed the above"; }
    return 0
}

shot() { "$picture" grab "$window" "$work/$1.png" > /dev/null || fail "no screenshot"; }
drawn() { "$picture" middle "$work/$1.png" || fail "$2 draws nothing in the middle of its window"; }

rm -rf "$work"
mkdir -p "$work/empty"

step "the smallest program, from docs/getting-started.md"
cmakelists=$(block docs/getting-started.md "## The smallest program" cmake) ||
    fail "docs/getting-started.md: no CMake block under '## The smallest program'"
target=$(printf '%s\n' "$cmakelists" | sed -n 's/^add_executable(\([^ )]*\).*/\1/p')
[ -n "$target" ] || fail "the page's CMakeLists.txt makes no program"
program smallest docs/getting-started.md "## The smallest program"
start "$work/empty" smallest
shot smallest-1
drawn smallest-1 "the smallest program"
# A left drag of 60 pixels across the middle: 60 degrees at the page's speed.
xdotool mousemove --sync $((X + WIDTH / 2 - 30)) $((Y + HEIGHT / 2)) mousedown 1 \
        mousemove --sync $((X + WIDTH / 2 + 30)) $((Y + HEIGHT / 2)) mouseup 1
sleep 0.5
shot smallest-2
"$picture" differ "$work/smallest-1.png" "$work/smallest-2.png" 5 || fail "a left drag does not turn the cube"
stop smallest

step "the image button, from docs/getting-started.md"
program button docs/getting-started.md "## An image button"
start "$data" button
shot button-1
drawn button-1 "the image button's program"
xdotool mousemove --sync $((X + 72)) $((Y + 72)) click 1  # the star's middle: its box is 24,24 to 120,120
sleep 0.5
shot button-2
"$picture" differ "$work/button-1.png" "$work/button-2.png" 5 || fail "a click on the star does not turn the cube"
stop button

step "the program's shape, from docs/lumora-reference.md"
program shape docs/lumora-reference.md "**A program's shape.**"
start "$data" shape
shot shape
drawn shape "the reference's program"
stop shape
echo "PASS"
