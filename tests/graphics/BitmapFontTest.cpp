#include "TempDir.h"
#include "TestImage.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {
namespace bitmap_font_test {

using namespace ZuveloGraphLibrary;
using Plexa3DTest::ImageIs;
using Plexa3DTest::TTempDir;
using Plexa3DTest::TTestImage;
using Bytes = std::vector<std::uint8_t>;

constexpr TColorRGB Back{0, 0, 40};
constexpr TColorRGB Green{0, 255, 0};

// The glyph 3 wide and 2 high whose top row is full and whose bottom row has its middle pixel.
const Bytes ExampleGlyph = {0, 0, 3, 0, 2, 0, 0, 3, 0xFF, 0xFF, 0xFF, 1, 1, 0xFF, 1, 0};

Bytes Glyph(std::uint16_t width, std::uint16_t height, const Bytes& runs) {
    Bytes block = {0x11,
                   0x22,
                   std::uint8_t(width),
                   std::uint8_t(width >> 8),
                   std::uint8_t(height),
                   std::uint8_t(height >> 8)};
    block.insert(block.end(), runs.begin(), runs.end());
    return block;
}

// A font file: the 20-byte header, then `records` glyph records, the listed codes with their
// blocks and every other code empty, then trailing bytes.
Bytes FontFile(const std::map<int, Bytes>& glyphs, int records = GlyphCount, Bytes tail = {}) {
    Bytes file(20, 0x5A);
    for (int code = 0; code < records; ++code) {
        const auto it = glyphs.find(code);
        const Bytes block = it == glyphs.end() ? Bytes{} : it->second;
        file.push_back(static_cast<std::uint8_t>(block.size()));
        file.insert(file.end(), block.begin(), block.end());
    }
    file.insert(file.end(), tail.begin(), tail.end());
    return file;
}

class BitmapFont : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGraphicsState();
        SetFontColor(Green.R, Green.G, Green.B);
    }
    void Load(const Bytes& file) { LoadBitmapFont(dir_.Write("font.qxf", file)); }

    TTempDir dir_;
};

TEST_F(BitmapFont, ExampleGlyphLandsOneRowUpAtTheTextPosition) {
    Load(FontFile({{'A', ExampleGlyph}}));
    TTestImage image(30, 30, Back);
    SetClipRect(0, 0, 29, 29);
    WriteText(image.View(), 10, 20, "A");
    EXPECT_TRUE(
        ImageIs(image, {{10, 19, Green}, {11, 19, Green}, {12, 19, Green}, {11, 20, Green}}));

    // DrawGlyph puts column 0 one pixel right of X and row 0 on Y; glyph numbers count from 1.
    TTestImage direct(30, 30, Back);
    DrawGlyph(direct.View(), 3, 4, 'A' + 1);
    EXPECT_TRUE(ImageIs(direct, {{4, 4, Green}, {5, 4, Green}, {6, 4, Green}, {5, 5, Green}}));
}

TEST_F(BitmapFont, TextAdvancesByTheFixedAdvanceAndSkipsEmptyAndMissingGlyphs) {
    const Bytes dot = Glyph(1, 1, {0, 1, 0xFF});
    const Bytes corner = Glyph(2, 2, {0, 2, 0xFF, 0xFF, 0, 1, 0xFF, 1, 0});
    Load(FontFile({{'.', dot}, {'L', corner}, {254, dot}}));
    SetCharAdvance(8);
    TTestImage image(40, 12, Back);
    SetClipRect(0, 0, 39, 11);
    // '\xFF' has no glyph (its slot holds the advance) and ' ' has an empty record.
    WriteText(image.View(), 1, 1, std::string("L.") + '\xFF' + " \xFE");
    EXPECT_TRUE(ImageIs(image, {{1, 0, Green},
                                {2, 0, Green},
                                {1, 1, Green},     // 'L' at x = 1
                                {9, 0, Green},     // '.' at x = 9
                                {33, 0, Green}})); // 254 at x = 33
    TTestImage empty(40, 12, Back);
    WriteText(empty.View(), 1, 1, "");
    EXPECT_TRUE(ImageIs(empty, {}));
}

TEST_F(BitmapFont, RunsShiftLaterRunsOvershootTheWidthAndStartTheNextRow) {
    // Row 0: an empty run of 2 moves the next run to column 3. Row 1: a run of 5 in a glyph 3
    // wide is drawn whole; the run after it belongs to row 2.
    const Bytes glyph = Glyph(3, 3,
                              {2, 0, 1, 1, 0xFF,    // row 0
                               0, 5, 1, 1, 1, 1, 1, // row 1
                               2, 1, 0xFF});        // row 2
    Load(FontFile({{'g', glyph}}));
    TTestImage image(12, 8, Back);
    SetClipRect(0, 0, 11, 7);
    WriteText(image.View(), 2, 2, "g");
    EXPECT_TRUE(ImageIs(image, {{5, 1, Green},
                                {2, 2, Green},
                                {3, 2, Green},
                                {4, 2, Green},
                                {5, 2, Green},
                                {6, 2, Green},
                                {4, 3, Green}}));
}

TEST_F(BitmapFont, GlyphsWithoutWidthOrHeightOrWithBrokenBlocksDrawOnlyWhatFits) {
    const Bytes noWidth = Glyph(0, 4, {0, 1, 0xFF, 0, 1, 0xFF}); // no runs are read at all
    const Bytes noHeight = Glyph(2, 0, {0, 2, 0xFF, 0xFF});
    const Bytes tooShort = {0, 0, 1, 0};
    // The second row's run claims three pixel bytes but the block ends after one.
    const Bytes cut = Glyph(2, 3, {0, 2, 0xFF, 0xFF, 0, 3, 0xFF});
    Load(FontFile({{'w', noWidth}, {'h', noHeight}, {'s', tooShort}, {'c', cut}}));
    SetCharAdvance(4);
    TTestImage image(20, 6, Back);
    SetClipRect(0, 0, 19, 5);
    WriteText(image.View(), 1, 1, "whsc");
    EXPECT_TRUE(ImageIs(image, {{13, 0, Green}, {14, 0, Green}}));
}

TEST_F(BitmapFont, TextIsCutPixelByPixelByTheClipWindow) {
    Load(FontFile({{'A', ExampleGlyph}}));
    SetCharAdvance(4);
    TTestImage image(12, 4, Back);
    SetClipRect(2, 0, 5, 0); // only row 0, columns 2 to 5
    WriteText(image.View(), 1, 1, "AA");
    EXPECT_TRUE(ImageIs(image, {{2, 0, Green}, {3, 0, Green}, {5, 0, Green}}));
}

TEST_F(BitmapFont, LoaderFillsTheGlyphSlotsAndLeavesTheAdvanceAlone) {
    SetCharAdvance(8);
    Bytes last = Glyph(1, 1, {0, 1, 0xEE});
    Load(FontFile({{0, ExampleGlyph}, {254, last}}, GlyphCount, {7, 1, 2, 3}));
    EXPECT_EQ(FontGlyphs.Blocks[0], ExampleGlyph);
    EXPECT_EQ(FontGlyphs.Blocks[254], last);
    EXPECT_TRUE(FontGlyphs.Blocks[1].empty());
    EXPECT_EQ(FontGlyphs.CharAdvance, 8);
    SetCharAdvance(-3);
    EXPECT_EQ(FontGlyphs.Blocks[254], last);
}

TEST_F(BitmapFont, FileThatEndsEarlyLeavesTheMissingGlyphsEmpty) {
    Load(FontFile({{'A', ExampleGlyph}}, GlyphCount));
    ASSERT_FALSE(FontGlyphs.Blocks['A'].empty());
    // 66 complete records, then a record that promises 16 bytes and holds 5: the block is short.
    Bytes file = FontFile({{'A', ExampleGlyph}}, 66);
    file.insert(file.end(), {16, 0, 0, 3, 0, 2});
    Load(file);
    EXPECT_EQ(FontGlyphs.Blocks['A'], ExampleGlyph);
    EXPECT_EQ(FontGlyphs.Blocks[66], (Bytes{0, 0, 3, 0, 2}));
    for (int code = 67; code < GlyphCount; ++code) {
        EXPECT_TRUE(FontGlyphs.Blocks[code].empty()) << code;
    }
    // A file shorter than its header holds no glyph at all.
    Load(Bytes(7, 1));
    EXPECT_TRUE(FontGlyphs.Blocks['A'].empty());
}

TEST_F(BitmapFont, MissingFileRaisesFileNotFoundAndKeepsTheGlyphs) {
    Load(FontFile({{'A', ExampleGlyph}}));
    try {
        LoadBitmapFont((dir_.Path() / "absent.qxf").string());
        FAIL() << "no error raised";
    } catch (const InOutError& e) {
        EXPECT_STREQ(e.what(), "File not found");
        EXPECT_EQ(e.Code(), 2);
    }
    EXPECT_EQ(FontGlyphs.Blocks['A'], ExampleGlyph);
    EXPECT_THROW(LoadBitmapFont(dir_.Path().string()), InOutError); // a folder
}

} // namespace bitmap_font_test
} // namespace
