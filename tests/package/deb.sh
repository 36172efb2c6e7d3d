#!/usr/bin/env bash
# Usage: deb.sh <build folder> <work folder> <package_picture>
# Makes the Debian packages of the build with `cpack -G DEB`, checks what they declare (the
# viewer's runtime Depends, the development package's), unpacks the viewer's package
# elsewhere and runs its buggy-snapshot launcher from yet another folder: the PNG lands there
# (a relative --output is the caller's) and shows the buggy, and nothing is written beside
# the programs.
set -u
build=$1 work=$2 picture=$3
fail() { echo "FAIL: $*"; exit 1; }
step() { echo "== $*"; }

rm -rf "$work"
mkdir -p "$work"
step "cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$work") > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
viewer=$(ls "$work"/buggy_*.deb 2>/dev/null | head -n 1)
dev=$(ls "$work"/liblumora-dev_*.deb 2>/dev/null | head -n 1)
[ -n "$viewer" ] && [ -n "$dev" ] || { cat "$work/cpack.log"; fail "no buggy_*.deb and liblumora-dev_*.deb"; }
for deb in "$viewer" "$dev"; do echo "$(basename "$deb"): $(du -k "$deb" | cut -f1) KiB"; done

step "what the packages declare"
depends() { dpkg-deb -f "$1" Depends; }
echo "buggy Depends: $(depends "$viewer")"
for package in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libpixman-1-0 libgl1 libgl1-mesa-dri libglu1-mesa libx11-6 \
               libegl1 libpng16-16 fonts-dejavu-core; do
    depends "$viewer" | tr ',' '\n' | grep -q "^ *$package\b" || fail "buggy does not depend on $package"
done
echo "liblumora-dev Depends: $(depends "$dev")"
for package in libsdl2-dev libsdl2-ttf-dev libpixman-1-dev libgl-dev libglu1-mesa-dev libx11-dev pkg-config; do
    depends "$dev" | tr ',' '\n' | grep -q "^ *$package\b" || fail "liblumora-dev does not depend on $package"
done
dpkg-deb -c "$viewer" | grep '/usr/share/applications/buggy.desktop$' > /dev/null || fail "buggy has no desktop entry"
dpkg-deb -c "$dev" | grep '/cmake/Lumora/LumoraConfig.cmake$' > /dev/null || fail "liblumora-dev has no CMake package"
dpkg-deb -c "$dev" | grep '/usr/share/doc/lumora/getting-started.md$' > /dev/null || fail "liblumora-dev has no getting-started page"

step "buggy-snapshot from the unpacked package, run from another folder"
dpkg-deb -x "$viewer" "$work/root" || fail "dpkg-deb -x"
mkdir -p "$work/elsewhere"
(cd "$work/elsewhere" && ../root/usr/bin/buggy-snapshot --left-drag 40,0 --output shot.png) > "$work/snapshot.out" 2>&1
cat "$work/snapshot.out"
[ "$(cat "$work/snapshot.out")" = "$work/elsewhere/shot.png" ] || fail "buggy-snapshot did not name the file it wrote"
[ -s "$work/elsewhere/shot.png" ] || fail "no shot.png in the caller's folder"
"$picture" drawn "$work/elsewhere/shot.png" || fail "the snapshot shows nothing"
ls "$work/root/usr/lib/buggy" | grep -qi '\.png$' && fail "a PNG was written beside the programs"
echo "PASS"
