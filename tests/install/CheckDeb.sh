#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks its contents and dependencies.
#   CheckDeb.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "CheckDeb: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/plexa3d_*_amd64.deb)
contents=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
echo "$contents"
for entry in "./usr/bin/plexa3d -> ../lib/plexa3d/plexa3d" ./usr/lib/plexa3d/plexa3d \
    ./usr/lib/plexa3d/Fonts/NORMFONT.QXF ./usr/lib/plexa3d/Bmps/bk400x300.bmp \
    ./usr/lib/plexa3d/Bmps/bk800x600.bmp ./usr/lib/plexa3d/License/licenza.rtf \
    ./usr/share/applications/plexa3d.desktop ./usr/share/thumbnailers/plexa3d.thumbnailer \
    ./usr/share/icons/hicolor/128x128/apps/plexa3d.png \
    ./usr/share/doc/plexa3d/copyright; do
    grep -qxF "$entry" <<<"$contents" || fail "missing: $entry"
done
[ "$(dpkg-deb -f "$deb" Package)" = plexa3d ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = 0.1 ] || fail "version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
    grep -q "$library" <<<"$depends" || fail "does not depend on $library: $depends"
done
echo "CheckDeb: $(basename "$deb") depends on $depends"
