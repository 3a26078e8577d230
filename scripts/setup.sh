#!/usr/bin/env bash
# Installs the Debian 12 packages that Plexa3D's build, tests and program need: compilers and
# build tools, Qt 6 Widgets with its image formats plugins (TIFF, WebP), stb_image's header (its
# TGA reader is built into the program), nlohmann's JSON parser (for glTF), GoogleTest, Google
# Benchmark, clang's libFuzzer and sanitizers with LLVM's linker, Xvfb and the X test extension (for the GUI monkey), a font for Qt's widgets, the
# Debian packaging tools with lintian and appstream (appstreamcli) to check the package and its
# metadata, GNOME's thumbnail factory with bubblewrap (python3-gi, gir1.2-gnomedesktop-3.0:
# the package test asks it for thumbnails as a file manager would), lib3ds (only as a yardstick in
# a benchmark), and node with npm, which then installs the
# Khronos glTF validator from the npm registry into tests/formats/validator (for the tests of the
# glTF export). It installs only what is missing, says nothing when everything is there, and uses
# sudo when not run as root.
set -euo pipefail

packages=(
    cmake ninja-build g++ git
    qt6-base-dev qt6-image-formats-plugins fonts-dejavu-core fonts-liberation
    libgtest-dev libgmock-dev libbenchmark-dev libstb-dev nlohmann-json3-dev
    clang libclang-rt-14-dev lld
    xvfb xauth libx11-dev libxtst-dev
    dpkg-dev file lintian appstream
    python3-gi gir1.2-gnomedesktop-3.0 bubblewrap
    lib3ds-dev
    nodejs
)
validator=tests/formats/validator
cd "$(dirname "$0")/.."

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
# npm comes with some builds of node; Debian's own is a package of its own.
command -v npm >/dev/null || missing+=(npm)

install_validator() {
    [ -d "$validator/node_modules/gltf-validator" ] && return 0
    echo "Installing the glTF validator from the npm registry"
    (cd "$validator" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
}
if [ ${#missing[@]} -eq 0 ]; then
    install_validator
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "setup: these Debian packages are missing: ${missing[*]}" >&2
        echo "setup: run this script as root, or install sudo, to install them" >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "Installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
install_validator
