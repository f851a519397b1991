#!/usr/bin/env bash
# Installs the build tree given as $1 into a temporary prefix and checks what a Debian system expects
# there: the programs, a desktop entry that desktop-file-validate accepts, the icons and the manual.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
expect() {
    if [ ! -e "$prefix/$1" ]; then
        echo "missing: $1"
        failed=1
    fi
}
for program in vantle-cli vantle vantle-demo; do
    # The windows are left out of a build without the GUI.
    if [ "$program" = vantle-cli ] || grep -q "VANTLE_BUILD_GUI:BOOL=ON" "$build/CMakeCache.txt"; then
        expect "bin/$program"
        [ -x "$prefix/bin/$program" ] || { echo "not executable: bin/$program"; failed=1; }
    fi
done
expect share/applications/vantle.desktop
expect share/icons/hicolor/scalable/apps/vantle.svg
expect share/icons/hicolor/128x128/apps/vantle.png
# Manual pages go compressed, as Debian keeps them.
expect share/man/man1/vantle-cli.1.gz
if grep -q "VANTLE_BUILD_GUI:BOOL=ON" "$build/CMakeCache.txt"; then
    expect share/man/man1/vantle.1.gz
    expect share/man/man1/vantle-demo.1.gz
fi

desktop-file-validate "$prefix/share/applications/vantle.desktop" || failed=1
grep -qx "Exec=vantle" "$prefix/share/applications/vantle.desktop" || { echo "Exec is not vantle"; failed=1; }
"$prefix/bin/vantle-cli" --version | grep -q "^vantle-cli " || { echo "vantle-cli --version"; failed=1; }
if command -v file >/dev/null; then
    file "$prefix/share/icons/hicolor/128x128/apps/vantle.png" | grep -q "128 x 128" || {
        echo "icon is not 128 x 128"; failed=1; }
fi

if [ $failed -eq 0 ]; then
    echo "install tree: everything in place"
else
    echo "install tree: something is wrong"
fi
exit $failed
