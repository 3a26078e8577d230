// The decoder of the images that models name: the GUI toolkit's image readers (BMP, GIF, JPEG,
// PNG, and with its image formats plugins TIFF, WebP and more), with the size checked from the
// file's header before anything is decoded; files named .tga go to the TGA reader (TgaImages.h).
#pragma once

#include "ModelImages.h"

#include <cstdint>
#include <span>
#include <string>

namespace Plexa3DApp {

// With a largest side, an image whose format can be decoded smaller (JPEG) is decoded at the
// smallest of its half, quarter or eighth sizes that still has that many pixels a side, for a
// picture that could show no more.
TDecodedImage DecodeImageFile(const std::string& path, int largestSide = 0);
// The same for an image file's bytes held in memory (as a model file may hold them).
TDecodedImage DecodeImageBytes(std::span<const std::uint8_t> bytes, int largestSide = 0);

} // namespace Plexa3DApp
