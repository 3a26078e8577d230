#include "BitmapFont.h"

#include "FileReader.h"

#include <limits>

namespace ZuveloGraphLibrary {

namespace {

constexpr std::int64_t FontHeaderSize = 20;
constexpr std::size_t GlyphHeaderSize = 6;

void PlotTextPixel(const TImageView& image, std::int64_t x, std::int64_t y) {
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    if (x >= lo && x <= hi && y >= lo && y <= hi) {
        PutPixel(image, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), TextColor.R,
                 TextColor.G, TextColor.B);
    }
}

// Positions are 64-bit here, so that text placed near the edge of the 32-bit range is simply cut.
void DrawGlyphAt(const TImageView& image, std::int64_t x, std::int64_t y, std::int32_t n) {
    if (n < 1 || n > GlyphCount) {
        return;
    }
    const std::vector<std::uint8_t>& block = FontGlyphs.Blocks[n - 1];
    if (block.size() < GlyphHeaderSize) {
        return;
    }
    const std::int64_t width = UInt16At(&block[2]);
    const std::int64_t height = UInt16At(&block[4]);
    std::size_t at = GlyphHeaderSize;
    for (std::int64_t row = 0; row < height; ++row) {
        std::int64_t column = 0; // P and T of the row: both are the sum of S + C so far
        while (column < width) {
            if (block.size() - at < 2 || block.size() - at - 2 < block[at + 1]) {
                return; // the run does not fit in the block: the rest of the glyph is empty
            }
            const std::int64_t skip = block[at];
            const std::int64_t count = block[at + 1];
            for (std::int64_t j = 0; j < count; ++j) {
                PlotTextPixel(image, x + 1 + column + skip + j, y + row);
            }
            at += 2 + std::size_t(count);
            column += skip + count;
        }
    }
}

} // namespace

void LoadBitmapFont(const std::string& fileName) {
    TFileReader file(fileName);
    file.Seek(FontHeaderSize);
    for (auto& block : FontGlyphs.Blocks) {
        std::uint8_t length = 0;
        if (!file.ReadByte(length)) {
            block.clear(); // the file ended before this record
            continue;
        }
        block.resize(length);
        block.resize(file.Read(block.data(), length));
    }
    file.Close();
}

void SetCharAdvance(std::int32_t A) {
    FontGlyphs.CharAdvance = A;
}

void SetFontColor(std::uint8_t R, std::uint8_t G, std::uint8_t B) {
    TextColor = {R, G, B};
}

void DrawGlyph(const TImageView& image, std::int32_t X, std::int32_t Y, std::int32_t N) {
    DrawGlyphAt(image, X, Y, N);
}

void WriteText(const TImageView& image, std::int32_t X, std::int32_t Y, const std::string& text) {
    const std::int64_t advance = FontGlyphs.CharAdvance;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto code = static_cast<std::uint8_t>(text[i]);
        DrawGlyphAt(image, std::int64_t(X) - 1 + std::int64_t(i) * advance, std::int64_t(Y) - 1,
                    code + 1);
    }
}

} // namespace ZuveloGraphLibrary
