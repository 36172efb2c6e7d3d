#!/usr/bin/env bash
# Usage: windows_installer.sh <Windows build folder> <win64|win32> <wine_e2e> <work folder>,
# on an X display (tests/support/xvfb.sh)
# Makes the Windows packages of a cross build with CPack (the NSIS installer and the zip),
# checks what the zip holds, then uses the installer as a Windows user would, in a Wine prefix
# of its own made for this run:
#   - the installer runs silently (/S) into C:\Buggy;
#   - both programs, their pictures, Lumora's development files, the uninstaller and the
#     Start-menu entries are there, and the entries start the programs in the pictures' folder;
#   - the installed buggy.exe shows its question and its window, turns on a drag and ends
#     with Escape, exit code 0 (the Windows end-to-end test, run on the installed folder);
#   - the uninstaller, run silently, leaves the prefix's files and its registry as they were
#     before the install.
# Prints how long each step took.
set -u
build=$1 arch=$2 wine_e2e=$3 work=$4
fail() { echo "FAIL: $*"; exit 1; }
step() { echo "== $*"; }
clock=$(date +%s)
took() { local now; now=$(date +%s); echo "($((now - clock)) s)"; clock=$now; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
rm -rf "$work"
mkdir -p "$work"

step "cpack in $build"
(cd "$build" && cpack -B "$work/packages") > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
installer=$work/packages/buggy-$version-$arch.exe
zip=$work/packages/buggy-$version-$arch.zip
for file in "$installer" "$zip"; do
    [ -s "$file" ] || { cat "$work/cpack.log"; fail "no $(basename "$file")"; }
    echo "$(basename "$file"): $(du -k "$file" | cut -f1) KiB"
done
took

step "what the zip holds"
python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip" |
    sed 's|^[^/]*/||' > "$work/zip.list"
for path in bin/buggy.exe bin/lumora-buttons-demo.exe bin/riflesso.tga bin/stellaN.BMP bin/buggy.bmp LICENSE.txt \
            lib/liblumora.a include/lumora/Lumora.h include/lumora/Platform.h lib/pkgconfig/lumora.pc \
            lib/cmake/Lumora/LumoraConfig.cmake share/doc/liblumora-dev/lumora-reference.md; do
    grep -qx "$path" "$work/zip.list" || fail "the zip holds no $path"
done
echo "$(wc -l < "$work/zip.list") files"

step "a Wine prefix of its own ($arch)"
# Without winemenubuilder: Wine would copy the Start-menu entries into this machine's own
# desktop menu (~/.local/share/applications).
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ "$arch" = win32 ] && export WINEARCH=win32 || export WINEARCH=win64
wineboot -i > "$work/wineboot.log" 2>&1
wineserver -w
[ -d "$WINEPREFIX/drive_c/windows" ] || { cat "$work/wineboot.log"; fail "wineboot made no prefix"; }
# What the prefix holds before the install: files (not Wine's own and temporary ones) and
# registry keys.
files() { (cd "$WINEPREFIX/drive_c" && find . -path ./windows -prune -o -path '*/Temp' -prune -o -print | sort); }
keys() { cat "$WINEPREFIX"/*.reg | grep '^\[' | sed 's/\] [0-9]*$/]/' | sort; }
files > "$work/files-before"
keys > "$work/keys-before"
took

step "the installer, silently into C:\\Buggy"
wine "$installer" /S '/D=C:\Buggy' > "$work/install.out" 2>&1
rc=$?
wineserver -w
[ $rc -eq 0 ] || { cat "$work/install.out"; fail "the installer ended with $rc"; }
dir=$WINEPREFIX/drive_c/Buggy
for path in bin/buggy.exe bin/lumora-buttons-demo.exe bin/riflesso.tga bin/stellaN.BMP lib/liblumora.a \
            include/lumora/Lumora.h lib/cmake/Lumora/LumoraConfig.cmake Uninstall.exe; do
    [ -s "$dir/$path" ] || fail "the installer put no $path into C:\\Buggy"
done
echo "$(find "$dir" -type f | wc -l) files in C:\\Buggy"
for entry in Buggy "Lumora buttons demo" Uninstall; do
    link=$(find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name "$entry.lnk" | head -n 1)
    [ -n "$link" ] || fail "no Start-menu entry $entry.lnk"
    echo "Start menu: ${link#"$WINEPREFIX"/drive_c/}"
    # A shell link holds its target and its working folder as strings.
    if [ "$entry" = Buggy ]; then
        { strings "$link"; strings -el "$link"; } > "$work/link.strings"
        grep -qi 'Buggy\\bin\\buggy.exe' "$work/link.strings" || fail "$entry.lnk does not start buggy.exe"
        grep -qix 'C:\\Buggy\\bin' "$work/link.strings" || fail "$entry.lnk does not start it in C:\\Buggy\\bin"
    fi
done
grep -q "Buggy $version $arch" "$WINEPREFIX"/*.reg || fail "the installer registered no uninstall entry"
took

step "the installed buggy.exe: question, window, drag, Escape"
# Run in the work folder, where the test's pictures land.
(cd "$work" && LUMORA_WINDOWS_BIN=$dir/bin "$wine_e2e" --gtest_filter=WineViewer.WindowedRunShowsTheBuggyTurnsOnALeftDragAndEndsOnEscape \
    > "$work/e2e.out" 2>&1)
rc=$?
wineserver -w
cat "$work/e2e.out"
[ $rc -eq 0 ] && grep -q '^\[  PASSED  \] 1 test' "$work/e2e.out" || fail "the installed buggy.exe failed the above"
took

step "the uninstaller, silently"
wine "$dir/Uninstall.exe" /S > "$work/uninstall.out" 2>&1
rc=$?
# The uninstaller copies itself away and goes on from there: wait for it.
wineserver -w
[ $rc -eq 0 ] || { cat "$work/uninstall.out"; fail "the uninstaller ended with $rc"; }
[ -e "$dir" ] && { find "$dir"; fail "C:\\Buggy is still there, with the above"; }
files > "$work/files-after"
keys > "$work/keys-after"
diff "$work/files-before" "$work/files-after" > "$work/files.diff" || { cat "$work/files.diff"; fail "files left or gone"; }
grep -q "Buggy $version" "$WINEPREFIX"/*.reg && fail "the registry still names Buggy $version"
comm -13 "$work/keys-before" "$work/keys-after" | grep -i 'buggy' && fail "registry keys of the package are left"
echo "C:\\Buggy, its Start-menu entries and its registry entries are gone"
took
wineserver -k 2>/dev/null
echo "PASS"
