#include "Texture.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ZuveloGraphLibrary {

namespace {

constexpr std::uint32_t ColourBits = 0x00FFFFFF;

std::uint32_t Channel(std::uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFF;
}

// Half of the level, rounded up; each pixel the mean of the up to four pixels it covers.
TTexture::TLevel Halved(const TTexture::TLevel& from) {
    TTexture::TLevel to;
    to.Width = (from.Width + 1) / 2;
    to.Height = (from.Height + 1) / 2;
    to.Pixels.resize(std::size_t(to.Width) * std::size_t(to.Height));
    for (std::int32_t y = 0; y < to.Height; ++y) {
        const std::int32_t y0 = 2 * y;
        const std::int32_t y1 = std::min(y0 + 1, from.Height - 1);
        for (std::int32_t x = 0; x < to.Width; ++x) {
            const std::int32_t x0 = 2 * x;
            const std::int32_t x1 = std::min(x0 + 1, from.Width - 1);
            const std::uint32_t p[] = {from.Pixels[std::size_t(y0) * from.Width + x0],
                                       from.Pixels[std::size_t(y0) * from.Width + x1],
                                       from.Pixels[std::size_t(y1) * from.Width + x0],
                                       from.Pixels[std::size_t(y1) * from.Width + x1]};
            std::uint32_t mean = 0;
            for (const int shift : {16, 8, 0}) {
                const std::uint32_t sum = Channel(p[0], shift) + Channel(p[1], shift) +
                                          Channel(p[2], shift) + Channel(p[3], shift);
                mean |= ((sum + 2) / 4) << shift;
            }
            to.Pixels[std::size_t(y) * to.Width + x] = mean;
        }
    }
    return to;
}

} // namespace

TTexture::TTexture(std::int32_t width, std::int32_t height, std::vector<std::uint32_t> pixels) {
    TLevel first{width, height, std::move(pixels)};
    for (std::uint32_t& p : first.Pixels) {
        p &= ColourBits;
    }
    levels_.push_back(std::move(first));
    while (levels_.back().Width > 1 || levels_.back().Height > 1) {
        levels_.push_back(Halved(levels_.back()));
    }
}

} // namespace ZuveloGraphLibrary
