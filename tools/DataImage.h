// The pictures the data tools draw: 24-bit pixels laid out as the graphics library expects them
// (a TImageView), each row padded to four bytes exactly as in a .bmp file, so that saving one is a
// header followed by the rows in reverse order.
#pragma once

#include "ImageView.h"
#include "RasterCanvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Plexa3DTools {

class TRgbImage {
public:
    TRgbImage(std::int32_t width, std::int32_t height, ZuveloGraphLibrary::TColorRGB fill);

    const ZuveloGraphLibrary::TImageView& View() const { return view_; }
    std::int32_t Width() const { return view_.Width; }
    std::int32_t Height() const { return view_.Height; }

    ZuveloGraphLibrary::TColorRGB At(std::int32_t x, std::int32_t y) const;
    void Set(std::int32_t x, std::int32_t y, ZuveloGraphLibrary::TColorRGB color);

    // An uncompressed 24-bit BMP with a BITMAPINFOHEADER and bottom-up rows; throws
    // std::runtime_error when the file cannot be written.
    void SaveBmp(const std::string& path) const;

private:
    std::vector<std::uint8_t> bytes_;
    ZuveloGraphLibrary::TImageView view_;
};

// Bytes per .bmp row of a 24-bit image: three per pixel, rounded up to a multiple of four.
std::int32_t BmpRowBytes(std::int32_t width);

} // namespace Plexa3DTools
