#!/usr/bin/env bash
# Usage: install.sh <build folder> <source folder> <work folder> <C++ compiler> <package_picture>
# Installs the build into <work>/prefix and builds against that tree alone, as someone else's
# project would: each program in examples/ as its own CMake project (find_package(Lumora)),
# and pkg_config_probe.cpp with the flags of `pkg-config --cflags --libs lumora`. Checks the
# viewer's installed layout: launchers, programs beside their image files, desktop entry, icon;
# and the pages installed with the library, as they are in docs/ and linking only to each other.
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
for program in buggy buttons-demo buggy-snapshot; do
    [ -x "$prefix/bin/$program" ] && head -c 2 "$prefix/bin/$program" | grep -q '#!' ||
        fail "bin/$program is not a launcher script"
    [ -x "$prefix/lib/buggy/$program" ] || fail "lib/buggy/$program missing"
done
for image in buggy.bmp Metal1-00.bmp giger.bmp water3.bmp riflesso.tga sun.tga riflesso2.tga pneumatico.tga \
               stellaN.BMP gocciaH.BMP frecciaP.BMP; do
    [ -s "$prefix/lib/buggy/$image" ] || fail "lib/buggy/$image missing"
done
desktop=$prefix/share/applications/buggy.desktop
grep -qx 'Exec=buggy' "$desktop" && grep -qx 'Icon=buggy' "$desktop" || fail "buggy.desktop: no Exec=buggy, Icon=buggy"
"$picture" drawn "$prefix/share/icons/hicolor/256x256/apps/buggy.png" || fail "the icon shows nothing"
echo "launchers, programs, image files, desktop entry and icon in place"

step "the pages"
docs=$prefix/share/doc/lumora
for page in getting-started.md lumora-reference.md; do
    cmp -s "$source/docs/$page" "$docs/$page" || fail "share/doc/lumora/$page is not docs/$page"
done
links=0
for page in "$docs"/*.md; do
    for link in $(grep -o '](\([^)]*\))' "$page" | sed 's/^](//; s/)$//; s/#.*//' | grep -v '://' | sort -u); do
        [ -e "$docs/$link" ] || fail "$(basename "$page") links to $link, which is not installed beside it"
        links=$((links + 1))
    done
done
[ $links -gt 0 ] || fail "the pages do not link to each other"
echo "$(ls "$docs" | tr '\n' ' ')in share/doc/lumora, $links links between them"

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
"$cxx" -std=c++20 -o "$work/pkg-config-probe" "$source/tests/package/pkg_config_probe.cpp" $flags ||
    fail "pkg_config_probe.cpp does not build with the flags of lumora.pc"
echo "built pkg-config-probe"
echo "PASS"
