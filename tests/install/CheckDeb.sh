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
    ./usr/share/applications/org.example.plexa3d.desktop \
    ./usr/share/thumbnailers/plexa3d.thumbnailer ./usr/share/icons/hicolor/128x128/apps/plexa3d.png \
    ./usr/share/doc/plexa3d/copyright ./usr/share/doc/plexa3d/changelog.gz \
    ./usr/share/man/man1/plexa3d.1.gz ./usr/share/metainfo/org.example.plexa3d.metainfo.xml; do
    grep -qxF "$entry" <<<"$contents" || fail "missing: $entry"
done
[ "$(dpkg-deb -f "$deb" Package)" = plexa3d ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = 0.1 ] || fail "version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
    grep -q "$library" <<<"$depends" || fail "does not depend on $library: $depends"
done
# The changelog's latest entry is this version.
dpkg-deb -x "$deb" "$out/root"
changelog_version=$(zcat "$out/root/usr/share/doc/plexa3d/changelog.gz" |
    dpkg-parsechangelog -l - -S Version)
[ "$changelog_version" = "$(dpkg-deb -f "$deb" Version)" ] ||
    fail "the changelog's latest version is $changelog_version"
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
fi
echo "CheckDeb: $(basename "$deb") depends on $depends"
