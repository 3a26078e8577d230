// The committed data files the program reads at start-up: the font must give every character the
// captions use a glyph that fits the 8 x 10 text grid, and the backgrounds must be 24-bit BMPs of
// exactly the pane sizes.
#include "TestImage.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
namespace committed_font_test {

namespace Zgl = ZuveloGraphLibrary;
using Plexa3DTest::ImageIs;
using Plexa3DTest::TPixel;
using Plexa3DTest::TTestImage;

const std::string FontPath = PLEXA3D_SOURCE_DIR "/data/Fonts/NORMFONT.QXF";
constexpr Zgl::TColorRGB Green{0, 255, 0};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t LE(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes.at(at + i);
    }
    return value;
}

bool HasGlyph(int code) {
    return (code >= 32 && code <= 126) || (code >= 160 && code <= 254);
}

void LoadCommittedFont() {
    Zgl::ResetGraphicsState();
    Zgl::LoadBitmapFont(FontPath);
    Zgl::SetCharAdvance(8);
    Zgl::SetFontColor(Green.R, Green.G, Green.B);
    Zgl::SetClipRect(0, 0, 19, 19);
}

// Runs of one glyph block, row by row: every row must end exactly at the width and the last row
// exactly at the end of the block.
::testing::AssertionResult RunsCoverTheCell(const std::vector<std::uint8_t>& block) {
    const std::uint32_t width = LE(block, 2, 2);
    const std::uint32_t height = LE(block, 4, 2);
    std::size_t at = 6;
    for (std::uint32_t row = 0; row < height; ++row) {
        std::uint32_t column = 0;
        while (column < width) {
            if (at + 2 > block.size() || at + 2 + block[at + 1] > block.size()) {
                return ::testing::AssertionFailure() << "row " << row << " runs past the block";
            }
            column += block[at] + block[at + 1];
            at += 2 + block[at + 1];
        }
        if (column != width) {
            return ::testing::AssertionFailure() << "row " << row << " covers " << column;
        }
    }
    if (at != block.size()) {
        return ::testing::AssertionFailure() << block.size() - at << " bytes after the last row";
    }
    return ::testing::AssertionSuccess();
}

TEST(CommittedFont, FileHoldsOneRecordPerCodeWithCellSizedGlyphs) {
    Zgl::ResetGraphicsState();
    const std::vector<std::uint8_t> file = ReadAll(FontPath);
    ASSERT_GT(file.size(), 20u);
    std::size_t at = 20;
    for (int code = 0; code < 255; ++code) {
        SCOPED_TRACE("code " + std::to_string(code));
        ASSERT_LT(at, file.size());
        const std::size_t length = file[at++];
        ASSERT_LE(at + length, file.size());
        const std::vector<std::uint8_t> block(file.begin() + at, file.begin() + at + length);
        at += length;
        if (!HasGlyph(code)) {
            EXPECT_EQ(length, 0u);
            continue;
        }
        ASSERT_GE(length, 6u);
        EXPECT_EQ(LE(block, 0, 2), 0u);
        EXPECT_EQ(LE(block, 2, 2), 6u);
        EXPECT_EQ(LE(block, 4, 2), 10u);
        EXPECT_TRUE(RunsCoverTheCell(block));
    }
    EXPECT_EQ(at, file.size()); // no 256th record and nothing after the last one
}

TEST(CommittedFont, PrintableAndAccentedGlyphsDrawInsideTheTextGrid) {
    LoadCommittedFont();
    std::vector<int> codes;
    for (int code = 33; code <= 126; ++code) {
        codes.push_back(code);
    }
    for (int code : {0xE0, 0xE8, 0xE9, 0xEC, 0xF2, 0xF9, 0xC0, 0xC8, 0xC9, 0xCC, 0xD2, 0xD9}) {
        codes.push_back(code);
    }
    for (int code : codes) {
        SCOPED_TRACE("code " + std::to_string(code));
        TTestImage image(20, 20);
        Zgl::WriteText(image.View(), 1, 1, std::string(1, static_cast<char>(code)));
        const std::vector<TPixel> marked = image.Marked();
        EXPECT_FALSE(marked.empty());
        for (const TPixel& p : marked) {
            EXPECT_TRUE(p.X >= 1 && p.X <= 8 && p.Y >= 0 && p.Y <= 9) << p.X << ", " << p.Y;
            EXPECT_EQ(p.Color, Green);
        }
        EXPECT_TRUE(image.PaddingIntact());
    }
}

// The rows of the source font's glyphs, most significant bit leftmost.
std::vector<TPixel> GlyphPixels(int left, const std::vector<std::uint8_t>& rows) {
    std::vector<TPixel> pixels;
    for (int y = 0; y < int(rows.size()); ++y) {
        for (int x = 0; x < 8; ++x) {
            if (rows[y] & (0x80 >> x)) {
                pixels.push_back({left + x, y, Green});
            }
        }
    }
    return pixels;
}

TEST(CommittedFont, GlyphsKeepTheSourceShapesOnOneBaseline) {
    LoadCommittedFont();
    // "g" hangs two rows below the baseline; the grave accent of "à" sits on the top row.
    TTestImage image(20, 20);
    Zgl::WriteText(image.View(), 1, 1, "g\xE0");
    std::vector<TPixel> expected =
        GlyphPixels(1, {0x00, 0x00, 0x00, 0x78, 0x88, 0x88, 0x78, 0x08, 0x88, 0x70});
    const std::vector<TPixel> grave =
        GlyphPixels(9, {0x40, 0x20, 0x00, 0x70, 0x08, 0x78, 0x88, 0x78, 0x00, 0x00});
    expected.insert(expected.end(), grave.begin(), grave.end());
    EXPECT_TRUE(ImageIs(image, expected));
}

TEST(CommittedFont, SpaceIsABlankGlyphWithItsWidth) {
    LoadCommittedFont();
    std::vector<std::uint8_t> blank = {0, 0, 6, 0, 10, 0};
    for (int row = 0; row < 10; ++row) {
        blank.push_back(6); // six transparent pixels, then a run of none
        blank.push_back(0);
    }
    EXPECT_EQ(Zgl::FontGlyphs.Blocks[' '], blank);
    TTestImage image(20, 20);
    Zgl::WriteText(image.View(), 1, 1, " ");
    EXPECT_TRUE(ImageIs(image, {}));
}

TEST(CommittedData, BackgroundsAre24BitBmpsOfThePaneSizes) {
    Zgl::ResetGraphicsState();
    struct TCase {
        const char* Name;
        std::uint32_t Width, Height;
    };
    for (const TCase& c : {TCase{"bk400x300.bmp", 400, 300}, TCase{"bk800x600.bmp", 800, 600}}) {
        SCOPED_TRACE(c.Name);
        const std::vector<std::uint8_t> bmp =
            ReadAll(std::string(PLEXA3D_SOURCE_DIR "/data/Bmps/") + c.Name);
        ASSERT_GE(bmp.size(), 54u);
        const std::uint32_t pixelBytes = c.Width * 3 * c.Height; // rows need no padding
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(LE(bmp, 2, 4), 54 + pixelBytes);
        EXPECT_EQ(bmp.size(), 54 + pixelBytes);
        EXPECT_EQ(LE(bmp, 10, 4), 54u); // pixels right after the headers
        EXPECT_EQ(LE(bmp, 14, 4), 40u); // BITMAPINFOHEADER
        EXPECT_EQ(LE(bmp, 18, 4), c.Width);
        EXPECT_EQ(LE(bmp, 22, 4), c.Height); // positive: bottom-up rows
        EXPECT_EQ(LE(bmp, 26, 2), 1u);
        EXPECT_EQ(LE(bmp, 28, 2), 24u);
        EXPECT_EQ(LE(bmp, 30, 4), 0u); // uncompressed
    }
}

} // namespace committed_font_test
} // namespace
