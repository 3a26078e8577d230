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
    share/applications/org.example.plexa3d.desktop share/thumbnailers/plexa3d.thumbnailer \
    share/icons/hicolor/48x48/apps/plexa3d.png share/man/man1/plexa3d.1.gz \
    share/doc/plexa3d/changelog.gz share/metainfo/org.example.plexa3d.metainfo.xml \
    share/icons/hicolor/256x256/apps/plexa3d.png share/plexa3d/samples/vehicle.3ds \
    share/mime/packages/org.example.plexa3d.xml; do
    [ -f "$prefix/$file" ] || fail "$file is missing"
done
desktop="$prefix/share/applications/org.example.plexa3d.desktop"
grep -qx 'Exec=plexa3d --whole --fit %F' "$desktop" || fail "desktop entry: Exec"
grep -qx 'Categories=Graphics;3DGraphics;Viewer;' "$desktop" || fail "desktop entry: Categories"
# Every format's MIME type: those Debian defines, and the package's own for PLY and OFF, which
# its MIME definition declares; never a wide type such as text/plain.
types='image/x-3ds;model/obj;model/stl;model/x-ply;model/x-off;model/gltf-binary;model/gltf+json;'
grep -qx "MimeType=$types" "$desktop" || fail "desktop entry: MimeType"
for own in model/x-ply model/x-off; do
    grep -q "<mime-type type=\"$own\">" "$prefix/share/mime/packages/org.example.plexa3d.xml" ||
        fail "MIME definition: $own"
done

# The compressed files carry no name or time (gzip -n), so that the package is reproducible.
for file in share/man/man1/plexa3d.1.gz share/doc/plexa3d/changelog.gz; do
    gzip -t "$prefix/$file" || fail "$file is not gzipped"
    [ "$(od -An -tx1 -j3 -N5 "$prefix/$file" | tr -d ' ')" = 0000000000 ] ||
        fail "$file holds a name or a time"
done
# The manual page formats without a warning and documents every option that --help lists.
manual=$(zcat "$prefix/share/man/man1/plexa3d.1.gz")
if command -v groff >/dev/null; then
    warnings=$(groff -ww -z -man 2>&1 <<<"$manual")
    [ -z "$warnings" ] || fail "manual page: $warnings"
fi
# An option is documented when it opens the tag of an entry (the line after .TP).
tags=$(awk 'previous == ".TP" { print } { previous = $0 }' <<<"${manual//\\-/-}")
options=$("$prefix/bin/plexa3d" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || fail "--help lists no options"
for option in $options; do
    grep -qE -- "^\.B[IR]? $option([ ,]|$)" <<<"$tags" || fail "manual page: no entry for $option"
done
# The AppStream metadata names the installed desktop entry, program and file type, and its
# screenshot is a file of the repository.
metainfo=$(ls "$prefix"/share/metainfo/*.metainfo.xml)
tag() { sed -n "s:.*<$1[^>]*>\(.*\)</$1>.*:\1:p" "$metainfo"; }
id=$(tag id)
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "metainfo: file name for $id"
[ "$(tag launchable)" = "$id.desktop" ] || fail "metainfo: launchable is $(tag launchable)"
[ -f "$prefix/share/applications/$id.desktop" ] || fail "metainfo: no desktop entry $id.desktop"
[ -x "$prefix/bin/$(tag binary)" ] || fail "metainfo: no program $(tag binary)"
[ "$(tag mediatype | tr '\n' ';')" = "$types" ] || fail "metainfo: media types $(tag mediatype)"
screenshot=$(tag image)
[ -f "$source/${screenshot#*/plexa3d/}" ] || fail "metainfo: $screenshot is not in the repository"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" >"$prefix/errors" 2>&1 ||
        fail "metainfo: $(cat "$prefix/errors")"
fi

cd /
"$prefix/bin/plexa3d" --snapshot "$prefix/out" "$prefix/share/plexa3d/samples/vehicle.3ds" \
    --angles 10,20,30 2>"$prefix/errors" || fail "installed program failed: $(cat "$prefix/errors")"
for i in 1 2 3 4 5; do
    [ -s "$prefix/out/Image$i.png" ] || fail "Image$i.png was not written"
done
# The thumbnailer's command, run as a file manager runs it: found on PATH through TryExec, %s %i
# %o replaced by the size, the input file and the output file, no display, another directory.
thumbnailer="$prefix/share/thumbnailers/plexa3d.thumbnailer"
grep -qx '\[Thumbnailer Entry\]' "$thumbnailer" || fail "thumbnailer: group"
grep -qx 'TryExec=plexa3d' "$thumbnailer" || fail "thumbnailer: TryExec"
grep -qx "MimeType=$types" "$thumbnailer" || fail "thumbnailer: MimeType"
exec_line=$(sed -n 's/^Exec=//p' "$thumbnailer")
[ "$exec_line" = 'plexa3d --thumbnail %s %i %o' ] || fail "thumbnailer: Exec is $exec_line"
thumbnail() { # SIZE INPUT OUTPUT
    local command=${exec_line//%s/$1}
    command=${command//%i/\'$2\'}
    command=${command//%o/\'$3\'}
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$prefix/bin:$PATH" \
        sh -c "$command" 2>"$prefix/errors"
}
png_size() { # width x height from the PNG header
    od -An -tu1 -j16 -N8 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" \
        $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}
thumbnail 128 "$prefix/share/plexa3d/samples/vehicle.3ds" "$prefix/thumb nail.png" ||
    fail "thumbnailer failed: $(cat "$prefix/errors")"
[ "$(head -c 8 "$prefix/thumb nail.png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] ||
    fail "the thumbnail is not a PNG"
[ "$(png_size "$prefix/thumb nail.png")" = 128x128 ] ||
    fail "the thumbnail is $(png_size "$prefix/thumb nail.png"), not 128x128"
# The painted sample finds its image beside it, so nothing is told.
thumbnail 64 "$prefix/share/plexa3d/samples/vehicle-painted.3ds" "$prefix/painted.png" ||
    fail "the painted sample's thumbnail failed: $(cat "$prefix/errors")"
[ ! -s "$prefix/errors" ] || fail "the painted sample's thumbnail told: $(cat "$prefix/errors")"
if thumbnail 128 "$prefix/absent.3ds" "$prefix/none.png"; then
    fail "a missing input gave status 0"
fi
grep -q "File not found" "$prefix/errors" || fail "a missing input was not reported"
[ ! -e "$prefix/none.png" ] || fail "a failed thumbnail left a file"

# A data file missing from the installed folder is reported, with status 1.
rm "$prefix/lib/plexa3d/Bmps/bk800x600.bmp"
if "$prefix/bin/plexa3d" --snapshot "$prefix/out2" 2>"$prefix/errors"; then
    fail "a missing background went unnoticed"
fi
grep -q "bk800x600.bmp" "$prefix/errors" || fail "the missing file was not named"
echo "CheckInstall: installed layout and program are fine"
