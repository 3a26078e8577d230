#include "ImageBuffer.h"

#include "GraphErrors.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace ZuveloGraphLibrary {
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

TImageBuffer::TImageBuffer(std::int32_t width, std::int32_t height, TColorRGB fill,
                           TRowPadding padding) {
    if (width < 0 || height < 0 || width > MaxSide || height > MaxSide ||
        padding.MinimumBytes < 0 || padding.MinimumBytes > MaxSide) {
        throw RuntimeError("image size out of range");
    }
    const std::int32_t row = (3 * width + padding.MinimumBytes + 3) / 4 * 4;
    bytes_.assign(std::size_t(row) * std::size_t(std::max(height, 1)), padding.Fill);
    view_ = {bytes_.data(), row, width, height};
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            Set(x, y, fill);
        }
    }
}

TImageBuffer::TImageBuffer(const TImageBuffer& other) : bytes_(other.bytes_), view_(other.view_) {
    view_.Bits = bytes_.data();
}

TImageBuffer& TImageBuffer::operator=(const TImageBuffer& other) {
    bytes_ = other.bytes_;
    view_ = other.view_;
    view_.Bits = bytes_.data();
    return *this;
}

void TImageBuffer::SaveBmp(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::vector<std::uint8_t> header = BmpHeader(Width(), Height());
    out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    std::vector<char> line(std::size_t(BmpRowBytes(Width())), 0);
    for (std::int32_t y = Height() - 1; y >= 0; --y) {
        std::memcpy(line.data(), view_.ScanLine(y), 3 * std::size_t(Width()));
        out.write(line.data(), std::streamsize(line.size()));
    }
    out.close();
    if (!out) {
        throw RuntimeError("cannot write " + path);
    }
}

} // namespace ZuveloGraphLibrary
