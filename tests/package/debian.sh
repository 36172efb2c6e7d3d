#!/usr/bin/env bash
# Usage: debian.sh <source folder> <work folder> <packages folder> <C++ compiler> <package_picture>
# Builds the Debian packages from debian/ as a distribution would, in a copy of the source tree
# (the build folder stays as it is): `dpkg-buildpackage -us -uc -b` with nocheck, on two jobs.
# Then:
#   - lintian reports no error and no warning on any of the packages;
#   - what the packages declare (Depends, Recommends) and hold (the multiarch layout, headers
#     under /usr/include/lumora only, archives named liblumora*, pictures in /usr/share/buggy,
#     man pages, icons, metainfo, copyright and changelog, the -dbgsym packages);
#   - packaging the same build again with the same SOURCE_DATE_EPOCH (no compiling) gives
#     the same .deb files, byte for byte;
#   - unpacked into a throw-away root under a folder whose name has a space and an
#     apostrophe: buggy-snapshot, run from another folder, writes its PNG there and it shows
#     the buggy; an example builds against liblumora-dev with CMake; and unpacked under a
#     folder with a space, a program builds with the flags of pkg-config (read as the README
#     says).
# The packages are left in <packages folder>. Prints how long each step took.
set -u
source=$1 work=$2 packages=$3 cxx=$4 picture=$5
fail() { echo "FAIL: $*"; exit 1; }
step() { echo "== $*"; }
clock=$(date +%s)
took() { local now; now=$(date +%s); echo "($((now - clock)) s)"; clock=$now; }

rm -rf "$work"
mkdir -p "$work/src"
step "a copy of the source tree"
tar -C "$source" --exclude=./.git --exclude='./build' --exclude='./build-*' --exclude='./obj-*' -cf - . |
    tar -C "$work/src" -xf - || fail "copying the source tree"
echo "$(du -sk "$work/src" | cut -f1) KiB"

step "dpkg-buildpackage -us -uc -b"
export DEB_BUILD_OPTIONS="nocheck parallel=2"
(cd "$work/src" && dpkg-buildpackage -us -uc -b) > "$work/build.log" 2>&1 ||
    { tail -n 60 "$work/build.log"; fail "dpkg-buildpackage"; }
took
changes=$(ls "$work"/buggy_*.changes 2>/dev/null | head -n 1)
[ -n "$changes" ] || fail "no .changes file"
debs=$(cd "$work" && ls *.deb)
for deb in $debs; do echo "$deb: $(du -k "$work/$deb" | cut -f1) KiB"; done
viewer=$(ls "$work"/buggy_*.deb 2>/dev/null)
dev=$(ls "$work"/liblumora-dev_*.deb 2>/dev/null)
[ -n "$viewer" ] && [ -n "$dev" ] || fail "no buggy_*.deb and liblumora-dev_*.deb"
ls "$work"/buggy-dbgsym_*.deb > /dev/null 2>&1 || fail "no buggy-dbgsym package"
grep -q -- '-fstack-protector-strong' "$work/build.log" && grep -q -- '-z,now' "$work/build.log" ||
    fail "the build did not use Debian's hardening flags"

step "lintian"
lintian --no-tag-display-limit "$changes" > "$work/lintian.log" 2>&1
cat "$work/lintian.log"
grep -q '^[EW]: ' "$work/lintian.log" && fail "lintian reports the errors or warnings above"
grep -q '^[EW]: ' "$work/lintian.log" || echo "no error, no warning"
took

step "what the packages declare"
field() { dpkg-deb -f "$1" "$2"; }
has() {  # has <deb> <field> <package>
    field "$1" "$2" | tr ',' '\n' | grep -q "^ *$3\b" || fail "$(basename "$1") does not have $3 in $2"
}
echo "buggy Depends: $(field "$viewer" Depends)"
for package in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libpixman-1-0 libgl1-mesa-dri libglu1-mesa libx11-6 \
               libegl1 libpng16-16 fonts-dejavu-core; do
    has "$viewer" Depends $package
done
has "$viewer" Recommends libdecor-0-plugin-1-cairo
echo "liblumora-dev Depends: $(field "$dev" Depends)"
for package in libsdl2-dev libsdl2-ttf-dev libpixman-1-dev libgl-dev libglu1-mesa-dev libx11-dev pkg-config; do
    has "$dev" Depends $package
done
[ "$(field "$dev" Multi-Arch)" = same ] || fail "liblumora-dev is not Multi-Arch: same"

step "what the packages hold"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
dpkg-deb -c "$viewer" | awk '{print $6}' | sed 's|^\./|/|' > "$work/buggy.list"
dpkg-deb -c "$dev" | awk '{print $6}' | sed 's|^\./|/|' > "$work/liblumora-dev.list"
holds() {  # holds <package> <path regex>...
    local list=$work/$1.list
    shift
    for path in "$@"; do grep -qE "^$path\$" "$list" || fail "$(basename "$list" .list) holds no $path"; done
}
holds buggy /usr/bin/buggy /usr/bin/buggy-snapshot /usr/bin/lumora-buttons-demo \
      /usr/libexec/buggy/buggy /usr/share/buggy/riflesso.tga /usr/share/buggy/stellaN.BMP \
      /usr/share/man/man1/buggy.1.gz /usr/share/man/man1/buggy-snapshot.1.gz \
      /usr/share/man/man1/lumora-buttons-demo.1.gz /usr/share/applications/buggy.desktop \
      /usr/share/metainfo/buggy.metainfo.xml /usr/share/icons/hicolor/48x48/apps/buggy.png \
      /usr/share/icons/hicolor/256x256/apps/buggy.png /usr/share/doc/buggy/copyright \
      /usr/share/doc/buggy/changelog.Debian.gz
holds liblumora-dev /usr/include/lumora/Lumora.h /usr/include/lumora/win32/windows.h \
      "/usr/lib/$multiarch/liblumora.a" "/usr/lib/$multiarch/pkgconfig/lumora.pc" \
      "/usr/lib/$multiarch/cmake/Lumora/LumoraConfig.cmake" /usr/share/doc/liblumora-dev/copyright \
      /usr/share/doc/liblumora-dev/lumora-reference.md /usr/share/doc/liblumora-dev/getting-started.md \
      /usr/share/doc/liblumora-dev/examples/spinning-shape/main.cpp
grep -E '^/usr/include/' "$work/liblumora-dev.list" | grep -vE '^/usr/include/(lumora/.*)?$' &&
    fail "liblumora-dev holds the headers above outside /usr/include/lumora"
grep -E '\.a$' "$work/liblumora-dev.list" | grep -vE "^/usr/lib/$multiarch/liblumora[^/]*\.a\$" &&
    fail "liblumora-dev holds the archives above, not liblumora* in /usr/lib/$multiarch"
grep -E '^/usr/lib/buggy|^/usr/lib/[^/]*\.a$|^/usr/lib/pkgconfig|^/usr/lib/cmake' "$work/buggy.list" \
    "$work/liblumora-dev.list" && fail "files above outside the multiarch and data folders"
echo "$(wc -l < "$work/buggy.list") paths in buggy, $(wc -l < "$work/liblumora-dev.list") in liblumora-dev"

step "the same build packaged again with the same SOURCE_DATE_EPOCH"
mkdir -p "$work/first"
mv "$work"/*.deb "$work/first/"
(cd "$work/src" && dpkg-buildpackage -us -uc -b -nc) > "$work/again.log" 2>&1 ||
    { tail -n 40 "$work/again.log"; fail "packaging again"; }
grep -q 'Building CXX object' "$work/again.log" && fail "packaging again compiled"
for deb in $debs; do
    cmp -s "$work/first/$deb" "$work/$deb" || fail "$deb differs between the two packagings"
done
echo "$(echo $debs | wc -w) packages, identical"
took

step "unpacked: buggy-snapshot from another folder"
root="$work/un'packed root"
for deb in "$viewer" "$dev"; do dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x $deb"; done
mkdir -p "$work/elsewhere"
(cd "$work/elsewhere" && "$root/usr/bin/buggy-snapshot" --left-drag 40,0 --output shot.png) > "$work/snapshot.out" 2>&1
cat "$work/snapshot.out"
[ "$(cat "$work/snapshot.out")" = "$work/elsewhere/shot.png" ] || fail "buggy-snapshot did not name the file it wrote"
"$picture" drawn "$work/elsewhere/shot.png" || fail "the snapshot shows nothing"
find "$root" -name '*.png' -newer "$work/snapshot.out" | grep . && fail "a PNG was written into the package's folders"

step "unpacked: a program against liblumora-dev, with CMake"
example="$work/spinning shape"
cmake -S "$root/usr/share/doc/liblumora-dev/examples/spinning-shape" -B "$example" -G Ninja \
      -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$root/usr" > "$work/cmake.log" 2>&1 &&
    cmake --build "$example" >> "$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "the example does not build"; }
found=$(sed -n 's/^Lumora_DIR:PATH=//p' "$example/CMakeCache.txt")
[ "$found" = "$root/usr/lib/$multiarch/cmake/Lumora" ] || fail "the example found Lumora in '$found'"
[ -x "$example/spinning-shape" ] || fail "no spinning-shape program"
echo "built spinning-shape, Lumora from ${found#"$work"/}"

step "unpacked: a program against liblumora-dev, with pkg-config"
# pkg-config escapes a space in the folder it found lumora.pc in, so its output is for the
# shell to read again (eval); pkgconf takes an apostrophe there for a quote and loses the
# flags, so this root has a space only.
spaced="$work/unpacked root"
dpkg-deb -x "$dev" "$spaced" || fail "dpkg-deb -x $dev"
export PKG_CONFIG_PATH="$spaced/usr/lib/$multiarch/pkgconfig"
flags=$(pkg-config --cflags --libs lumora) || fail "pkg-config does not know lumora"
echo "lumora $(pkg-config --modversion lumora): $flags"
eval "\"\$cxx\" -std=c++20 -o \"\$work/pkg-config-probe\" \"\$source/tests/package/pkg_config_probe.cpp\" $flags" ||
    fail "pkg_config_probe.cpp does not build with the flags of lumora.pc"
echo "built pkg-config-probe"
took

rm -rf "$packages"
mkdir -p "$packages"
cp "$work"/*.deb "$work"/*.changes "$work"/*.buildinfo "$packages/" || fail "copying the packages"
echo "packages in $packages"
echo "PASS"
