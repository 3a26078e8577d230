// The decoder of the images that models name: the GUI toolkit's image readers (BMP, GIF, JPEG,
// PNG, and with its image formats plugins TIFF, WebP and more), with the size checked from the
// file's header before anything is decoded; files named .tga go to the TGA reader (TgaImages.h).
#pragma once

#include "ModelImages.h"

#include <string>

namespace Plexa3DApp {

TDecodedImage DecodeImageFile(const std::string& path);

} // namespace Plexa3DApp
