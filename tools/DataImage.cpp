#include "DataImage.h"

#include <fstream>
#include <stdexcept>

namespace Plexa3DTools {

using ZuveloGraphLibrary::TColorRGB;

namespace {

constexpr std::uint32_t FileHeaderSize = 14;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr std::uint32_t PixelsPerMetre = 2835; // 72 dots per inch

void PutLE(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::vector<std::uint8_t> BmpHeader(std::int32_t width, std::int32_t height) {
    const std::uint32_t pixelBytes = std::uint32_t(BmpRowBytes(width)) * std::uint32_t(height);
    std::vector<std::uint8_t> header;
    header.push_back('B');
    header.push_back('M');
    PutLE(header, FileHeaderSize + InfoHeaderSize + pixelBytes, 4);
    PutLE(header, 0, 4); // two reserved words
    PutLE(header, FileHeaderSize + InfoHeaderSize, 4);
    PutLE(header, InfoHeaderSize, 4);
    PutLE(header, std::uint32_t(width), 4);
    PutLE(header, std::uint32_t(height), 4); // positive: the last row comes first
    PutLE(header, 1, 2);                     // planes
    PutLE(header, 24, 2);                    // bits per pixel
    PutLE(header, 0, 4);                     // no compression
    PutLE(header, pixelBytes, 4);
    PutLE(header, PixelsPerMetre, 4);
    PutLE(header, PixelsPerMetre, 4);
    PutLE(header, 0, 4); // no palette
    PutLE(header, 0, 4);
    return header;
}

} // namespace

std::int32_t BmpRowBytes(std::int32_t width) {
    return (3 * width + 3) / 4 * 4;
}

TRgbImage::TRgbImage(std::int32_t width, std::int32_t height, TColorRGB fill) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        throw std::runtime_error("image size out of range");
    }
    const std::int32_t row = BmpRowBytes(width);
    bytes_.assign(std::size_t(row) * std::size_t(height), 0);
    view_ = {bytes_.data(), row, width, height};
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            Set(x, y, fill);
        }
    }
}

TColorRGB TRgbImage::At(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* p = view_.ScanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

void TRgbImage::Set(std::int32_t x, std::int32_t y, TColorRGB color) {
    std::uint8_t* p = view_.ScanLine(y) + 3 * x;
    p[0] = color.B;
    p[1] = color.G;
    p[2] = color.R;
}

void TRgbImage::SaveBmp(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::vector<std::uint8_t> header = BmpHeader(Width(), Height());
    out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    for (std::int32_t y = Height() - 1; y >= 0; --y) {
        out.write(reinterpret_cast<const char*>(view_.ScanLine(y)), view_.BytesPerLine);
    }
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace Plexa3DTools
