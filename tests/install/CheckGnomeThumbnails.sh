#!/usr/bin/env bash
# Installs the built Debian package and asks GNOME's thumbnail factory, which runs the installed
# thumbnailer in its bubblewrap sandbox as a file manager would, for a thumbnail of a model of
# every format the package lists. Needs root (the package is installed and, unless it was
# installed before, removed again); without it the check is skipped (status 77).
#   CheckGnomeThumbnails.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
fail() { echo "CheckGnomeThumbnails: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "CheckGnomeThumbnails: not root, the package cannot be installed"; exit 77; }
/usr/bin/python3 -c "import gi; gi.require_version('GnomeDesktop', '3.0')" 2>/dev/null ||
    fail "GNOME's thumbnail factory is missing: run scripts/setup.sh"
command -v bwrap >/dev/null || fail "bubblewrap is missing: run scripts/setup.sh"

out=$(mktemp -d)
installed_before=$(dpkg-query -W -f '${Status}' plexa3d 2>/dev/null || true)
cleanup() {
    [ "$installed_before" = "install ok installed" ] || dpkg -r plexa3d >/dev/null 2>&1 || true
    rm -rf "$out"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB -B "$out/deb" >/dev/null)
dpkg -i "$out"/deb/plexa3d_*_amd64.deb >/dev/null || fail "the package does not install"

# The models: the painted sample as it is and exported to each format the program writes, a
# coloured OFF cube and a glTF triangle whose buffer the file holds; each in a folder of its own,
# with what it names beside it. The sandbox lets the thumbnailer read the file alone, not the
# files beside it: a .gltf whose buffers lie beside it gets no thumbnail there (its exit status
# says so), and the exported .gltf is left out.
models=()
mkdir -p "$out/models/3ds"
cp "$source"/samples/vehicle-painted.3ds "$source"/samples/bandiera.bmp "$out/models/3ds/"
models+=("$out/models/3ds/vehicle-painted.3ds")
for kind in glb obj stl ply; do
    mkdir -p "$out/models/$kind"
    QT_QPA_PLATFORM=offscreen /usr/bin/plexa3d --export "$out/models/$kind/model.$kind" \
        "$out/models/3ds/vehicle-painted.3ds" || fail "--export to .$kind"
    models+=("$out/models/$kind/model.$kind")
done
mkdir -p "$out/models/off"
printf 'COFF\n8 6 0\n-1 -1 -1 255 0 0 255\n1 -1 -1 0 255 0 255\n1 1 -1 0 0 255 255\n-1 1 -1 255 255 0 255\n-1 -1 1 255 0 255 255\n1 -1 1 0 255 255 255\n1 1 1 255 255 255 255\n-1 1 1 0 0 0 255\n4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 1 2 6 5\n4 2 3 7 6\n4 3 0 4 7\n' \
    >"$out/models/off/cube.off"
models+=("$out/models/off/cube.off")
mkdir -p "$out/models/gltf"
cat >"$out/models/gltf/triangle.gltf" <<'GLTF'
{"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0}],
 "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
 "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                "min": [0, 0, 0], "max": [1, 1, 0]}],
 "bufferViews": [{"buffer": 0, "byteLength": 36}],
 "buffers": [{"byteLength": 36,
              "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}]}
GLTF
models+=("$out/models/gltf/triangle.gltf")

# A home of its own, so that no thumbnail or failure the factory kept before is used.
HOME="$out/home" XDG_CACHE_HOME="$out/home/.cache" /usr/bin/python3 "$source/tests/install/GnomeThumbnails.py" \
    "${models[@]}" || fail "GNOME's thumbnail factory made no thumbnail of some models"
