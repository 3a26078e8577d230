// A 24-bit image that owns its pixels, laid out as the library's TImageView expects them, each row
// padded to a multiple of four bytes as in a .bmp file. The data tools draw into these and the
// tests compare them; the window layer keeps its own bitmaps.
#pragma once

#include "ImageView.h"
#include "RasterCanvas.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ZuveloGraphLibrary {

// The bytes after the pixels of each row of a TImageBuffer: at least MinimumBytes of them, up to a
// multiple of four, all set to Fill.
struct TRowPadding {
    std::int32_t MinimumBytes = 0;
    std::uint8_t Fill = 0;
};

class TImageBuffer {
public:
    // Every pixel set to `fill`. A size of 0 gives an empty image; a negative one, or one above
    // MaxSide, raises RuntimeError.
    TImageBuffer(std::int32_t width, std::int32_t height, TColorRGB fill, TRowPadding padding = {});
    // A copy owns its own pixels.
    TImageBuffer(const TImageBuffer& other);
    TImageBuffer& operator=(const TImageBuffer& other);

    static constexpr std::int32_t MaxSide = 1 << 14;

    const TImageView& View() const { return view_; }
    std::int32_t Width() const { return view_.Width; }
    std::int32_t Height() const { return view_.Height; }
    // Every row with its padding, from the top; one row of padding alone when the height is 0.
    std::span<const std::uint8_t> Bytes() const { return bytes_; }

    TColorRGB At(std::int32_t x, std::int32_t y) const {
        const std::uint8_t* p = view_.ScanLine(y) + 3 * std::ptrdiff_t(x);
        return {p[2], p[1], p[0]};
    }
    void Set(std::int32_t x, std::int32_t y, TColorRGB color) {
        std::uint8_t* p = view_.ScanLine(y) + 3 * std::ptrdiff_t(x);
        p[0] = color.B;
        p[1] = color.G;
        p[2] = color.R;
    }

    // An uncompressed 24-bit BMP with a BITMAPINFOHEADER, bottom-up rows and zero row padding;
    // raises RuntimeError "cannot write <path>" when the file cannot be written whole.
    void SaveBmp(const std::string& path) const;

private:
    std::vector<std::uint8_t> bytes_;
    TImageView view_;
};

// Bytes per .bmp row of a 24-bit image: three per pixel, rounded up to a multiple of four.
std::int32_t BmpRowBytes(std::int32_t width);

} // namespace ZuveloGraphLibrary
