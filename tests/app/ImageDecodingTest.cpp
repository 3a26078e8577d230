// The images models name, decoded by the toolkit's readers: the common formats, and files that are
// damaged or claim more pixels than may be decoded.
#include "ImageDecoding.h"
#include "TempDir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace Plexa3DApp;
using Plexa3DTest::TTempDir;
using Bytes = std::vector<std::uint8_t>;
using TOutcome = TDecodedImage::TOutcome;

constexpr std::uint32_t Colour = 0xC86432; // (200, 100, 50)

void Put32(Bytes& out, std::uint32_t value) { // big-endian, as PNG has it
    for (const int shift : {24, 16, 8, 0}) {
        out.push_back(std::uint8_t(value >> shift));
    }
}

std::uint32_t Crc32(const Bytes& bytes, std::size_t from) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    return ~crc;
}

// A PNG whose header claims width x height pixels, cut short after them.
Bytes PngHeader(std::uint32_t width, std::uint32_t height) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Put32(png, 13);
    const std::size_t type = png.size();
    png.insert(png.end(), {'I', 'H', 'D', 'R'});
    Put32(png, width);
    Put32(png, height);
    png.insert(png.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB
    Put32(png, Crc32(png, type));
    Put32(png, 2); // the start of the pixels, which a reader meets after the header
    const std::size_t data = png.size();
    png.insert(png.end(), {'I', 'D', 'A', 'T', 0x78, 0x9C});
    Put32(png, Crc32(png, data));
    Put32(png, 0);
    png.insert(png.end(), {'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
    return png;
}

// An uncompressed 24-bit TGA of 2 x 2 pixels in the colour, rows from the top.
Bytes Tga() {
    Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0x20};
    for (int i = 0; i < 4; ++i) {
        tga.insert(tga.end(), {0x32, 0x64, 0xC8});
    }
    return tga;
}

// A GIF of 2 x 2 pixels, all of palette entry 1 (the colour).
Bytes Gif() {
    Bytes gif = {'G', 'I',  'F',  '8',  '9',  'a',  2, 0, 2, 0, 0x80, 0, 0, // two palette entries
                 0,   0,    0,    0xC8, 0x64, 0x32,                         // black, the colour
                 ',', 0,    0,    0,    0,    2,    0, 2, 0, 0,             // the image, no palette
                 2,                                                         // codes from 3 bits
                 2,   0x8C, 0x53, 0,    ';'}; // clear, 1, "11", 1, end
    return gif;
}

TEST(ImageDecoding, CommonFormatsAreDecodedAndOversizeOrDamagedFilesRefused) {
    TTempDir dir;
    QImage plain(2, 2, QImage::Format_RGB32);
    plain.fill(QColor(200, 100, 50));
    for (const char* format : {"bmp", "png", "jpg", "tiff"}) {
        ASSERT_TRUE(plain.save(QString::fromStdString((dir.Path() / "saved.").string() + format),
                               format, 100))
            << format;
    }
    // Fully transparent, in the colour: faces are drawn opaque, so the colour must stay.
    QImage clear(2, 2, QImage::Format_ARGB32);
    clear.fill(QColor(200, 100, 50, 0));
    ASSERT_TRUE(clear.save(QString::fromStdString((dir.Path() / "clear.png").string()), "png"));
    struct TCase {
        std::string File;
        TOutcome Outcome;
    };
    const TCase cases[] = {
        {"saved.bmp", TOutcome::Decoded},
        {"saved.png", TOutcome::Decoded},
        {"saved.jpg", TOutcome::Decoded},
        {"saved.tiff", TOutcome::Decoded},
        {dir.Write("hand.tga", Tga()), TOutcome::Decoded},
        {dir.Write("HAND.TGA", Tga()), TOutcome::Decoded},
        {"clear.png", TOutcome::Decoded},
        {dir.Write("hand.gif", Gif()), TOutcome::Decoded},
        // Run-length coded, 8192 x 8192, and cut off after one run.
        {dir.Write("cut.tga", Bytes{0, 0, 10,   0, 0,    0,  0,    0,    0, 0, 0,
                                    0, 0, 0x20, 0, 0x20, 24, 0x20, 0xFF, 1, 2, 3}),
         TOutcome::Unreadable},
        {dir.Write("claims.png", PngHeader(60000, 60000)), TOutcome::TooLarge},
        {dir.Write("wide.png", PngHeader(8193, 1)), TOutcome::TooLarge},
        {dir.Write("widest.png", PngHeader(8192, 1)), TOutcome::Unreadable}, // allowed, cut off
        // 1 x 8193, 24 bits, the pixels left out.
        {dir.Write("tall.tga", Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0x20, 24, 0x20}),
         TOutcome::TooLarge},
        {dir.Write("broken.png", Bytes{0x89, 'P', 'N', 'G', 1, 2, 3}), TOutcome::Unreadable},
        {dir.Write("empty.jpg", Bytes{}), TOutcome::Unreadable},
        {"absent.png", TOutcome::Unreadable},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const std::string path = c.File.front() == '/' ? c.File : (dir.Path() / c.File).string();
        const TDecodedImage image = DecodeImageFile(path);
        EXPECT_EQ(image.Outcome, c.Outcome);
        if (c.Outcome != TOutcome::Decoded) {
            EXPECT_TRUE(image.Pixels.empty());
            continue;
        }
        ASSERT_EQ(image.Width, 2);
        ASSERT_EQ(image.Height, 2);
        ASSERT_EQ(image.Pixels.size(), 4u);
        for (const std::uint32_t pixel : image.Pixels) {
            for (const int shift : {16, 8, 0}) { // JPEG is near
                EXPECT_NEAR(int((pixel >> shift) & 0xFF), int((Colour >> shift) & 0xFF), 6)
                    << std::hex << pixel;
            }
        }
    }
}

// Asked for at most a side, a JPEG is shrunk while it is decoded by halves, down to an eighth at
// most, to the largest size whose longer side is still at least the one asked for, rounded down.
TEST(ImageDecoding, JpegsAreShrunkByHalvesToTheSideAsked) {
    TTempDir dir;
    struct TCase {
        int Width, Height, LargestSide;
        int ExpectedWidth, ExpectedHeight;
    };
    const TCase cases[] = {
        {64, 40, 0, 64, 40},   // not asked
        {64, 40, 40, 64, 40},  // half would be shorter
        {64, 40, 32, 32, 20},  // half is exactly the side
        {62, 38, 8, 15, 9},    // a quarter, rounded down
        {64, 40, 8, 8, 5},     // an eighth is exactly the side
        {256, 128, 8, 32, 16}, // no less than an eighth
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Height) + " at " +
                     std::to_string(c.LargestSide));
        QImage plain(c.Width, c.Height, QImage::Format_RGB32);
        plain.fill(QColor(200, 100, 50));
        const std::string path = (dir.Path() / "shrunk.jpg").string();
        ASSERT_TRUE(plain.save(QString::fromStdString(path), "jpg", 100));
        const TDecodedImage image = DecodeImageFile(path, c.LargestSide);
        EXPECT_EQ(image.Outcome, TOutcome::Decoded);
        EXPECT_EQ(image.Width, c.ExpectedWidth);
        EXPECT_EQ(image.Height, c.ExpectedHeight);
    }
}

} // namespace
