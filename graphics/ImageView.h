// The library's view of a pane's bitmap: 24 bits per pixel, rows counted from the top, pixel x at
// bytes 3x (blue), 3x + 1 (green) and 3x + 2 (red) of its row. The window layer fills one in from
// its own bitmap; the library never owns the pixels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ZuveloGraphLibrary {

struct TImageView {
    std::uint8_t* Bits = nullptr;    // first byte of row 0
    std::ptrdiff_t BytesPerLine = 0; // distance from one row to the next
    std::int32_t Width = 0;
    std::int32_t Height = 0;

    std::uint8_t* ScanLine(std::int32_t y) const { return Bits + y * BytesPerLine; }
};

} // namespace ZuveloGraphLibrary
