#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed program from another
# working directory: it must find its data through its own real path.
#   CheckInstall.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "CheckInstall: $*" >&2; exit 1; }

[ -L "$prefix/bin/plexa3d" ] || fail "bin/plexa3d is not a symbolic link"
[ "$(readlink "$prefix/bin/plexa3d")" = "../lib/plexa3d/plexa3d" ] || fail "bin/plexa3d points elsewhere"
for file in lib/plexa3d/plexa3d lib/plexa3d/Fonts/NORMFONT.QXF lib/plexa3d/Bmps/bk400x300.bmp \
    lib/plexa3d/Bmps/bk800x600.bmp lib/plexa3d/License/licenza.rtf \
    share/applications/plexa3d.desktop share/icons/hicolor/48x48/apps/plexa3d.png \
    share/icons/hicolor/256x256/apps/plexa3d.png share/plexa3d/samples/vehicle.3ds; do
    [ -f "$prefix/$file" ] || fail "$file is missing"
done
desktop="$prefix/share/applications/plexa3d.desktop"
grep -qx 'Exec=plexa3d %F' "$desktop" || fail "desktop entry: Exec"
grep -qx 'Categories=Graphics;3DGraphics;Viewer;' "$desktop" || fail "desktop entry: Categories"
grep -qx 'MimeType=image/x-3ds;' "$desktop" || fail "desktop entry: MimeType"

cd /
"$prefix/bin/plexa3d" --snapshot "$prefix/out" "$prefix/share/plexa3d/samples/vehicle.3ds" \
    --angles 10,20,30 2>"$prefix/errors" || fail "installed program failed: $(cat "$prefix/errors")"
for i in 1 2 3 4 5; do
    [ -s "$prefix/out/Image$i.png" ] || fail "Image$i.png was not written"
done
# A data file missing from the installed folder is reported, with status 1.
rm "$prefix/lib/plexa3d/Bmps/bk800x600.bmp"
if "$prefix/bin/plexa3d" --snapshot "$prefix/out2" 2>"$prefix/errors"; then
    fail "a missing background went unnoticed"
fi
grep -q "bk800x600.bmp" "$prefix/errors" || fail "the missing file was not named"
echo "CheckInstall: installed layout and program are fine"
