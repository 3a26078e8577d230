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

// A coordinate brought into the image's own range: [0, 1) repeated, [0, 2) mirrored, [0, 1] at
// the edge. Not a number counts as 0.
float Wrapped(float t, TTextureWrap wrap) {
    if (!std::isfinite(t)) {
        return 0;
    }
    switch (wrap) {
    case TTextureWrap::Repeat:
        return t - std::floor(t);
    case TTextureWrap::Mirror:
        return t - 2 * std::floor(t / 2);
    case TTextureWrap::Edge:
        break;
    }
    return std::clamp(t, 0.0f, 1.0f);
}

// The pixel index i (which may lie one beyond either side) within n pixels.
std::int32_t Index(std::int32_t i, std::int32_t n, TTextureWrap wrap) {
    switch (wrap) {
    case TTextureWrap::Repeat:
        return i < 0 ? i + n : (i >= n ? i - n : i);
    case TTextureWrap::Mirror: {
        const std::int32_t m = i < 0 ? i + 2 * n : (i >= 2 * n ? i - 2 * n : i);
        return m < n ? m : 2 * n - 1 - m;
    }
    case TTextureWrap::Edge:
        break;
    }
    return std::clamp(i, 0, n - 1);
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

TTexel TTexture::Sample(float u, float v, int level, TTextureWrap wrap) const {
    const TLevel& l = levels_[std::size_t(std::clamp(level, 0, LevelCount() - 1))];
    const float x = Wrapped(u, wrap) * float(l.Width) - 0.5f;
    const float y = (1 - Wrapped(v, wrap)) * float(l.Height) - 0.5f;
    // Mirrored, a coordinate runs over two copies, the second one flipped by the index.
    const float fx0 = std::floor(x);
    const float fy0 = std::floor(y);
    const float fx = x - fx0;
    const float fy = y - fy0;
    const auto x0 = static_cast<std::int32_t>(fx0);
    const auto y0 = static_cast<std::int32_t>(fy0);
    const std::int32_t xs[] = {Index(x0, l.Width, wrap), Index(x0 + 1, l.Width, wrap)};
    const std::int32_t ys[] = {Index(y0, l.Height, wrap), Index(y0 + 1, l.Height, wrap)};
    const auto at = [&](int i, int j) {
        return l.Pixels[std::size_t(ys[j]) * std::size_t(l.Width) + std::size_t(xs[i])];
    };
    const std::uint32_t p00 = at(0, 0), p10 = at(1, 0), p01 = at(0, 1), p11 = at(1, 1);
    const auto mix = [&](int shift) {
        const float top = float(Channel(p00, shift)) +
                          fx * (float(Channel(p10, shift)) - float(Channel(p00, shift)));
        const float bottom = float(Channel(p01, shift)) +
                             fx * (float(Channel(p11, shift)) - float(Channel(p01, shift)));
        return top + fy * (bottom - top);
    };
    return {mix(16), mix(8), mix(0)};
}

} // namespace ZuveloGraphLibrary
