// Turns a BDF bitmap font into the program's own font file.
//
//   make_font <input.bdf> <output.QXF>
//
// The output is a 20-byte header followed by one record per character code 0 to 254: a length
// byte, then the glyph block (two unused bytes, width, height, then the rows as runs). Every glyph
// fills the whole character cell of the font, ascent rows above descent rows, so that all glyphs
// share one baseline when the program writes them at its fixed line positions.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int SlotCount = 255;    // codes 0 to 254; code 255 has no slot
constexpr int MaxCellWidth = 8;   // the program advances 8 pixels per character
constexpr int MaxCellHeight = 10; // and puts its text lines 10 pixels apart
constexpr std::size_t HeaderSize = 20;
constexpr std::size_t MaxBlockSize = 255; // the record's length is a single byte
constexpr std::uint8_t PixelByte = 0xFF;  // run pixels are stored but never looked at

[[noreturn]] void Fail(const std::string& message) {
    throw std::runtime_error(message);
}

// One character as the BDF file gives it: its bounding box and its rows of hexadecimal digits.
struct TBdfGlyph {
    int Width = 0;
    int Height = 0;
    int OffsetX = 0;
    int OffsetY = 0; // bottom of the box, relative to the baseline
    std::vector<std::string> Rows;
};

struct TBdfFont {
    int CellWidth = -1;
    int Ascent = -1;
    int Descent = -1;
    std::map<int, TBdfGlyph> Glyphs; // by character code
};

// The character cell: Width x Height flags, row 0 at the top.
struct TCell {
    int Width = 0;
    int Height = 0;
    std::vector<bool> Pixels;

    bool At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
};

int IntField(std::istringstream& fields, const std::string& keyword) {
    int value = 0;
    if (!(fields >> value)) {
        Fail("BDF: " + keyword + " without a number");
    }
    return value;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    Fail(std::string("BDF: bad hexadecimal digit '") + c + "'");
}

std::string HexRow(const std::string& text) {
    for (char c : text) {
        HexDigit(c);
    }
    return text;
}

// Reads the lines of one character after STARTCHAR, up to and including ENDCHAR. The encoding is
// -1 when the character has none.
TBdfGlyph ReadBdfChar(std::istream& in, int& encoding) {
    TBdfGlyph glyph;
    bool haveBox = false;
    bool inBitmap = false;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string keyword;
        fields >> keyword;
        if (keyword == "ENDCHAR") {
            if (!haveBox || int(glyph.Rows.size()) != glyph.Height) {
                Fail("BDF: character " + std::to_string(encoding) + " has a wrong bitmap");
            }
            return glyph;
        }
        if (inBitmap) {
            glyph.Rows.push_back(HexRow(keyword));
        } else if (keyword == "ENCODING") {
            encoding = IntField(fields, keyword);
        } else if (keyword == "BBX") {
            glyph.Width = IntField(fields, keyword);
            glyph.Height = IntField(fields, keyword);
            glyph.OffsetX = IntField(fields, keyword);
            glyph.OffsetY = IntField(fields, keyword);
            haveBox = glyph.Width >= 0 && glyph.Height >= 0;
        } else if (keyword == "BITMAP") {
            inBitmap = true;
        }
    }
    Fail("BDF: file ends inside a character");
}

TBdfFont ReadBdf(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        Fail("cannot open " + path);
    }
    TBdfFont font;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string keyword;
        fields >> keyword;
        if (keyword == "FONTBOUNDINGBOX") {
            font.CellWidth = IntField(fields, keyword);
        } else if (keyword == "FONT_ASCENT") {
            font.Ascent = IntField(fields, keyword);
        } else if (keyword == "FONT_DESCENT") {
            font.Descent = IntField(fields, keyword);
        } else if (keyword == "STARTCHAR") {
            int encoding = -1;
            TBdfGlyph glyph = ReadBdfChar(in, encoding);
            if (encoding >= 0) {
                font.Glyphs[encoding] = std::move(glyph);
            }
        }
    }
    if (font.CellWidth < 1 || font.Ascent < 0 || font.Descent < 0) {
        Fail("BDF: FONTBOUNDINGBOX, FONT_ASCENT or FONT_DESCENT missing");
    }
    return font;
}

// Bit i of a BDF row: the rows are written most significant bit first, padded to whole bytes.
bool RowBit(const std::string& hex, int i) {
    const std::size_t digit = std::size_t(i / 4);
    if (digit >= hex.size()) {
        Fail("BDF: bitmap row '" + hex + "' is too short");
    }
    return (HexDigit(hex[digit]) >> (3 - i % 4)) & 1;
}

// Places the glyph's box in the font's cell; a pixel that falls outside the cell is an error.
TCell RenderCell(const TBdfFont& font, const TBdfGlyph& glyph, int code) {
    TCell cell{font.CellWidth, font.Ascent + font.Descent, {}};
    cell.Pixels.assign(std::size_t(cell.Width) * cell.Height, false);
    const int top = font.Ascent - (glyph.OffsetY + glyph.Height);
    for (int row = 0; row < glyph.Height; ++row) {
        for (int i = 0; i < glyph.Width; ++i) {
            if (!RowBit(glyph.Rows[row], i)) {
                continue;
            }
            const int x = glyph.OffsetX + i;
            const int y = top + row;
            if (x < 0 || x >= cell.Width || y < 0 || y >= cell.Height) {
                Fail("character " + std::to_string(code) + " reaches outside the cell");
            }
            cell.Pixels[std::size_t(y) * cell.Width + x] = true;
        }
    }
    return cell;
}

void PutU16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// One row as runs: each run is the count of transparent pixels before it, the count of its
// pixels, then one byte per pixel. Runs follow until they cover the whole width, so a blank row
// is the single run (width, 0) and a row whose last pixels are blank ends with (blank, 0).
void EncodeRow(const TCell& cell, int y, std::vector<std::uint8_t>& out) {
    int x = 0;
    while (x < cell.Width) {
        int skip = 0;
        while (x + skip < cell.Width && !cell.At(x + skip, y)) {
            ++skip;
        }
        int count = 0;
        while (x + skip + count < cell.Width && cell.At(x + skip + count, y)) {
            ++count;
        }
        out.push_back(static_cast<std::uint8_t>(skip));
        out.push_back(static_cast<std::uint8_t>(count));
        out.insert(out.end(), std::size_t(count), PixelByte);
        x += skip + count;
    }
}

std::vector<std::uint8_t> EncodeGlyph(const TCell& cell, int code) {
    std::vector<std::uint8_t> block;
    PutU16(block, 0); // unused
    PutU16(block, cell.Width);
    PutU16(block, cell.Height);
    for (int y = 0; y < cell.Height; ++y) {
        EncodeRow(cell, y, block);
    }
    if (block.size() > MaxBlockSize) {
        Fail("character " + std::to_string(code) + " needs " + std::to_string(block.size()) +
             " bytes, more than a record holds");
    }
    return block;
}

// Printable ASCII and the printable Latin-1 letters and signs; controls stay empty.
bool IsPrintable(int code) {
    return (code >= 32 && code <= 126) || (code >= 160 && code <= 254);
}

std::vector<std::uint8_t> Header(const TBdfFont& font) {
    const std::string text = "Plexa3D font " + std::to_string(font.CellWidth) + "x" +
                             std::to_string(font.Ascent + font.Descent);
    std::vector<std::uint8_t> header(text.begin(), text.end());
    header.resize(HeaderSize, 0);
    return header;
}

void CheckCell(const TBdfFont& font) {
    const int height = font.Ascent + font.Descent;
    if (font.CellWidth > MaxCellWidth || height < 1 || height > MaxCellHeight) {
        Fail("the character cell " + std::to_string(font.CellWidth) + "x" + std::to_string(height) +
             " does not fit in 8x10");
    }
}

void WriteQxf(const TBdfFont& font, const std::string& path) {
    CheckCell(font);
    std::vector<std::uint8_t> file = Header(font);
    std::vector<int> missing;
    int written = 0;
    for (int code = 0; code < SlotCount; ++code) {
        const auto found = font.Glyphs.find(code);
        if (!IsPrintable(code) || found == font.Glyphs.end()) {
            if (IsPrintable(code)) {
                missing.push_back(code);
            }
            file.push_back(0);
            continue;
        }
        const std::vector<std::uint8_t> block =
            EncodeGlyph(RenderCell(font, found->second, code), code);
        file.push_back(static_cast<std::uint8_t>(block.size()));
        file.insert(file.end(), block.begin(), block.end());
        ++written;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    out.close();
    if (!out) {
        Fail("cannot write " + path);
    }
    std::cout << path << ": " << written << " glyphs, " << file.size() << " bytes\n";
    if (!missing.empty()) {
        std::cout << "  the source font has no glyph for";
        for (int code : missing) {
            std::cout << " " << code;
        }
        std::cout << "\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_font <input.bdf> <output.QXF>\n";
        return 2;
    }
    try {
        WriteQxf(ReadBdf(argv[1]), argv[2]);
    } catch (const std::exception& error) {
        std::cerr << "make_font: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
