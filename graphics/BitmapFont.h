// The program's own bitmap font: 255 run-length-coded glyphs, one per character code 0 to 254,
// drawn pixel by pixel through PutPixel at a fixed character advance.
#pragma once

#include "ImageView.h"
#include "RasterCanvas.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ZuveloGraphLibrary {

// FontGlyphs and TextColor are declared with the rest of the drawing state.

// Reads the 255 glyph records that follow the file's 20-byte header. A file that ends early
// leaves the remaining glyphs empty; an I/O failure raises the input/output error, and the glyphs
// read before it stay.
void LoadBitmapFont(const std::string& fileName);

void SetCharAdvance(std::int32_t A);
void SetFontColor(std::uint8_t R, std::uint8_t G, std::uint8_t B);

// Draws the glyph in slot N - 1 (N from 1 to 255) with its column 0 at X + 1 and row 0 at Y.
// Other glyph numbers draw nothing.
void DrawGlyph(const TImageView& image, std::int32_t X, std::int32_t Y, std::int32_t N);

// Draws the characters side by side: column g, row r of the i-th character (from 1) lands at
// (X + (i - 1) x advance + g, Y - 1 + r). Character code 255 has no glyph and draws nothing.
void WriteText(const TImageView& image, std::int32_t X, std::int32_t Y, const std::string& text);

} // namespace ZuveloGraphLibrary
