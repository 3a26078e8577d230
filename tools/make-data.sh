#!/bin/sh
# Rebuilds the committed data files and the font preview. Run it from the repository root:
#
#   tools/make-data.sh [build folder]        (default: build/make-data)
#
# It configures a build without tests, builds make_font, make_backgrounds, make_emblem,
# font_preview and make_samples, and then writes
#   data/Fonts/NORMFONT.QXF       from the 6x10 ISO8859-1 font of Debian's xfonts-base package
#                                 (needs xfonts-base and pcf2bdf; see data/Fonts/SOURCE.md)
#   data/Bmps/bk400x300.bmp, data/Bmps/bk800x600.bmp
#   data/Images/emblem.bmp, data/Icons/hicolor/{48x48,128x128,256x256}/apps/plexa3d.png
#   docs/font-preview.png
#   samples/cube.3ds, samples/torus.3ds, samples/sphere.3ds, samples/vehicle.3ds,
#   samples/vehicle-parts.3ds (the same car, a mesh for each part) and
#   samples/vehicle-painted.3ds with samples/bandiera.bmp (the car with its looks and image)
# The normal build never runs these tools; commit the files they write.
set -eu

if [ ! -f tools/make-data.sh ] || [ ! -d data ]; then
    echo "make-data.sh: run me from the repository root" >&2
    exit 2
fi

build=${1:-build/make-data}
source_font=/usr/share/fonts/X11/misc/6x10-ISO8859-1.pcf.gz

cmake -S . -B "$build" -G Ninja -DPLEXA3D_TESTS=OFF -DPLEXA3D_GUI=ON
cmake --build "$build" -j 2 --target make_font make_backgrounds make_emblem font_preview \
    make_samples
bin=$build/bin

bdf=$(mktemp)
trap 'rm -f "$bdf"' EXIT
zcat "$source_font" | pcf2bdf > "$bdf"
"$bin/make_font" "$bdf" data/Fonts/NORMFONT.QXF

"$bin/make_backgrounds" data/Bmps
"$bin/make_emblem" data/Images/emblem.bmp data/Icons
mkdir -p docs
"$bin/font_preview" data docs/font-preview.png
"$bin/make_samples" samples
echo "make-data.sh: data files, samples and docs/font-preview.png written"
