// TGA images, which the toolkit's readers decode only in their newest, uncompressed kind while the
// models that name them mostly come with the older kinds: decoded with stb_image (Debian's
// libstb-dev), its TGA reader alone, from the file's bytes held in memory. Every kind of TGA it
// knows (colour-mapped, true colour, grey, each plain or run-length coded) is read; the size in
// the header is checked against the limits before anything is decoded, and a file too long to
// be an image within them is not read.
#pragma once

#include "ModelImages.h"

#include <cstdint>
#include <span>
#include <string>

namespace Plexa3DApp {

TDecodedImage DecodeTgaBytes(std::span<const std::uint8_t> bytes);
// The file read whole through the library's file reader; a file that cannot be read is Unreadable.
TDecodedImage DecodeTgaFile(const std::string& path);

} // namespace Plexa3DApp
