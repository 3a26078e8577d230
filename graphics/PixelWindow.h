// The pixels that the line routines can write into an image: the clip window cut to the image's
// own rows and columns.
#pragma once

#include "ImageView.h"
#include "RasterCanvas.h"

#include <algorithm>
#include <cstdint>

namespace ZuveloGraphLibrary::Detail {

// Also the box between points of a line or a triangle, in 64-bit coordinates.
struct TPixelWindow {
    std::int64_t Left, Top, Right, Bottom;

    bool Empty() const { return Left > Right || Top > Bottom; }
    bool Contains(std::int64_t x, std::int64_t y) const {
        return x >= Left && x <= Right && y >= Top && y <= Bottom;
    }
};

inline TPixelWindow PixelWindow(const TImageView& image) {
    return {std::max<std::int64_t>(ClipRect.Left, 0), std::max<std::int64_t>(ClipRect.Top, 0),
            std::min<std::int64_t>(ClipRect.Right, std::int64_t(image.Width) - 1),
            std::min<std::int64_t>(ClipRect.Bottom, std::int64_t(image.Height) - 1)};
}

} // namespace ZuveloGraphLibrary::Detail
