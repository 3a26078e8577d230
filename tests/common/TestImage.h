// Images for exact tests: a bitmap with the same row padding as a window's, a background colour,
// and comparisons of every byte. On a mismatch the actual image is written as a .bmp under the
// build tree and its path is named in the failure.
#pragma once

#include "ImageBuffer.h"
#include "ImageView.h"
#include "RasterCanvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ZuveloGraphLibrary {
std::ostream& operator<<(std::ostream& out, TColorRGB c);
}

namespace Plexa3DTest {

struct TPixel {
    std::int32_t X;
    std::int32_t Y;
    ZuveloGraphLibrary::TColorRGB Color;
};

class TTestImage {
public:
    // Rows are padded to a multiple of four bytes with at least one byte more; the padding is
    // filled with a marker so that a write past the end of a row is caught. A copy owns its own
    // pixels.
    TTestImage(std::int32_t width, std::int32_t height,
               ZuveloGraphLibrary::TColorRGB background = {0, 0, 0});

    const ZuveloGraphLibrary::TImageView& View() const { return buffer_.View(); }
    std::int32_t Width() const { return buffer_.Width(); }
    std::int32_t Height() const { return buffer_.Height(); }
    ZuveloGraphLibrary::TColorRGB Background() const { return background_; }

    ZuveloGraphLibrary::TColorRGB At(std::int32_t x, std::int32_t y) const {
        return buffer_.At(x, y);
    }
    void Set(std::int32_t x, std::int32_t y, ZuveloGraphLibrary::TColorRGB color) {
        buffer_.Set(x, y, color);
    }
    bool PaddingIntact() const;
    // Pixels that differ from the background, row by row.
    std::vector<TPixel> Marked() const;

    bool SameBytes(const TTestImage& other) const;
    // Saves under the build tree as <name>.bmp and returns the path.
    std::string SaveBmp(const std::string& name) const;

private:
    ZuveloGraphLibrary::TImageBuffer buffer_;
    ZuveloGraphLibrary::TColorRGB background_;
};

// Every pixel equals the listed colour where listed and the background elsewhere; the row
// padding is untouched. A failure names the saved actual image.
::testing::AssertionResult ImageIs(const TTestImage& image, const std::vector<TPixel>& expected);
// Two images equal byte for byte; a failure saves both.
::testing::AssertionResult ImagesEqual(const TTestImage& actual, const TTestImage& expected);

// A name for saved images: the running test's suite and name.
std::string CurrentTestName();

} // namespace Plexa3DTest
