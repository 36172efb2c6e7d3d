#!/usr/bin/env bash
# Usage: install.sh <build folder> <source folder> <work folder> <C++ compiler> <package_picture>
# Installs the build into <work>/prefix and builds against that tree alone, as someone else's
# project would: each program in examples/ as its own CMake project (find_package(Lumora)),
# and pkg_config_probe.cpp with the flags of `pkg-config --cflags --libs lumora`. Checks the
# viewer's installed layout: launchers, programs, their image files, man pages, desktop entry,
# icons, metainfo; Lumora's headers under include/lumora/ alone and its archives named
# liblumora*; and the pages installed with the library, as they are in docs/ and linking only
# to each other, with the examples.
set -u
build=$1 source=$2 work=$3 cxx=$4 picture=$5
prefix=$work/prefix
fail() { echo "FAIL: $*"; exit 1; }
step() { echo "== $*"; }

rm -rf "$work"
mkdir -p "$work"
step "cmake --install $build --prefix $prefix"
cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install"; }
echo "$(grep -c Installing "$work/install.log") files, $(du -sk "$prefix" | cut -f1) KiB"

step "the viewer's layout"
for program in buggy lumora-buttons-demo buggy-snapshot; do
    [ -x "$prefix/bin/$program" ] && head -c 2 "$prefix/bin/$program" | grep -q '#!' ||
        fail "bin/$program is not a launcher script"
    [ -x "$prefix/libexec/buggy/$program" ] || fail "libexec/buggy/$program missing"
    [ -s "$prefix/share/man/man1/$program.1" ] || fail "no man page share/man/man1/$program.1"
done
for image in buggy.bmp Metal1-00.bmp giger.bmp water3.bmp riflesso.tga sun.tga riflesso2.tga pneumatico.tga \
               stellaN.BMP gocciaH.BMP frecciaP.BMP; do
    [ -s "$prefix/share/buggy/$image" ] || fail "share/buggy/$image missing"
done
desktop=$prefix/share/applications/buggy.desktop
grep -qx 'Exec=buggy' "$desktop" && grep -qx 'Icon=buggy' "$desktop" || fail "buggy.desktop: no Exec=buggy, Icon=buggy"
for size in 16 32 48 256; do
    "$picture" drawn "$prefix/share/icons/hicolor/${size}x$size/apps/buggy.png" || fail "the $size x $size icon shows nothing"
done
grep -q '<launchable type="desktop-id">buggy.desktop</launchable>' "$prefix/share/metainfo/buggy.metainfo.xml" ||
    fail "the metainfo does not name buggy.desktop"
echo "launchers, programs, image files, man pages, desktop entry, icons and metainfo in place"

step "Lumora's headers and archives"
(cd "$prefix/include" && find . -type f | sort) > "$work/headers"
grep -v '^\./lumora/' "$work/headers" && fail "headers outside include/lumora/"
for header in lumora/Lumora.h lumora/Platform.h lumora/win32/windows.h lumora/win32/windowsx.h; do
    grep -qx "./$header" "$work/headers" || fail "include/$header missing"
done
(cd "$prefix/lib" && ls *.a) > "$work/archives"
grep -v '^liblumora' "$work/archives" && fail "archives not named liblumora*"
echo "$(wc -l < "$work/headers") headers, archives $(tr '\n' ' ' < "$work/archives")"

step "the pages"
docs=$prefix/share/doc/liblumora-dev
for page in getting-started.md lumora-reference.md; do
    cmp -s "$source/docs/$page" "$docs/$page" || fail "share/doc/liblumora-dev/$page is not docs/$page"
done
links=0
for example in spinning-shape image-button; do
    cmp -s "$source/examples/$example/main.cpp" "$docs/examples/$example/main.cpp" ||
        fail "share/doc/liblumora-dev/examples/$example is not examples/$example"
done
for page in "$docs"/*.md; do
    for link in $(grep -o '](\([^)]*\))' "$page" | sed 's/^](//; s/)$//; s/#.*//' | grep -v '://' | sort -u); do
        [ -e "$docs/$link" ] || fail "$(basename "$page") links to $link, which is not installed beside it"
        links=$((links + 1))
    done
done
[ $links -gt 0 ] || fail "the pages do not link to each other"
echo "$(ls "$docs" | tr '\n' ' ')in share/doc/liblumora-dev, $links links between them"

for example in spinning-shape image-button; do
    step "examples/$example against the installed package"
    dir=$work/$example
    cmake -S "$source/examples/$example" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
          -DCMAKE_PREFIX_PATH="$prefix" > "$dir.log" 2>&1 &&
        cmake --build "$dir" >> "$dir.log" 2>&1 || { cat "$dir.log"; fail "examples/$example does not build"; }
    found=$(sed -n 's/^Lumora_DIR:PATH=//p' "$dir/CMakeCache.txt")
    case $found in
    "$prefix"/*) echo "found Lumora in ${found#"$work"/}, built $example" ;;
    *) fail "examples/$example found Lumora in '$found', not in the installed tree" ;;
    esac
    [ -x "$dir/$example" ] || fail "no $example program"
done

step "a program built with pkg-config alone"
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name lumora.pc | head -n 1)")
flags=$(pkg-config --cflags --libs lumora) || fail "pkg-config does not know lumora"
echo "lumora $(pkg-config --modversion lumora): $flags"
eval "\"\$cxx\" -std=c++20 -o \"\$work/pkg-config-probe\" \"\$source/tests/package/pkg_config_probe.cpp\" $flags" ||
    fail "pkg_config_probe.cpp does not build with the flags of lumora.pc"
echo "built pkg-config-probe"
echo "PASS"
