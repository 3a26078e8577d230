// A decoded image as faces are painted with it: its pixels and a chain of smaller copies, each
// half the one before (rounded up, each pixel the mean of the up to four it covers), down to one
// pixel. A face seen small reads a smaller copy, so that its picture does not sparkle.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ZuveloGraphLibrary {

// Images larger than this are not decoded.
inline constexpr int MaxTextureSide = 8192;
inline constexpr std::int64_t MaxTextureBytes = std::int64_t(256) << 20; // 4 bytes a pixel

// How the image continues beyond 0 to 1: repeated, repeated with every other copy mirrored, or
// with its edge pixels.
enum class TTextureWrap : std::uint8_t { Repeat, Mirror, Edge };

struct TTexel {
    float R = 0, G = 0, B = 0; // 0 to 255
};

class TTexture {
public:
    struct TLevel {
        std::int32_t Width = 0;
        std::int32_t Height = 0;
        std::vector<std::uint32_t> Pixels; // 0x00RRGGBB, rows from the top
    };

    // From width x height pixels 0x??RRGGBB (the top byte is not read), rows from the top; both
    // sides from 1 to MaxTextureSide and pixels holding width x height of them.
    TTexture(std::int32_t width, std::int32_t height, std::vector<std::uint32_t> pixels);

    std::int32_t Width() const { return levels_.front().Width; }
    std::int32_t Height() const { return levels_.front().Height; }
    int LevelCount() const { return static_cast<int>(levels_.size()); }
    const TLevel& Level(int level) const { return levels_[static_cast<std::size_t>(level)]; }

    // The colour at (u, v) of the copy `level` (clamped to the chain), v = 1 the top, mixed from
    // the four pixels around the point. Coordinates that are not finite count as 0, and those
    // beyond +-2^20 as +-2^20.
    TTexel Sample(float u, float v, int level, TTextureWrap wrap) const {
        const TLevel& l = levels_[std::size_t(level < 0 ? 0 : std::min(level, LevelCount() - 1))];
        switch (wrap) {
        case TTextureWrap::Repeat:
            return Bilinear<TTextureWrap::Repeat>(l, u, v);
        case TTextureWrap::Mirror:
            return Bilinear<TTextureWrap::Mirror>(l, u, v);
        case TTextureWrap::Edge:
            break;
        }
        return Bilinear<TTextureWrap::Edge>(l, u, v);
    }

private:
    static constexpr float Far = 1 << 20;

    static std::int32_t Floor(float t) {
        const auto i = static_cast<std::int32_t>(t);
        return i - (t < float(i) ? 1 : 0);
    }
    // t brought into the image's own range: [0, 1) repeated, [0, 2) mirrored, [0, 1] at the edge.
    template <TTextureWrap Wrap> static float Wrapped(float t) {
        t = t > -Far ? (t < Far ? t : Far) : -Far; // not a number: -Far, which wraps to 0
        t = t == -Far ? 0 : t;
        if constexpr (Wrap == TTextureWrap::Repeat) {
            return t - float(Floor(t));
        } else if constexpr (Wrap == TTextureWrap::Mirror) {
            return t - 2 * float(Floor(t / 2));
        } else {
            return t < 0 ? 0 : (t > 1 ? 1 : t);
        }
    }
    // The pixel index i (which may lie one beyond either side) within n pixels.
    template <TTextureWrap Wrap> static std::int32_t Index(std::int32_t i, std::int32_t n) {
        if constexpr (Wrap == TTextureWrap::Repeat) {
            return i < 0 ? i + n : (i >= n ? i - n : i);
        } else if constexpr (Wrap == TTextureWrap::Mirror) {
            const std::int32_t m = i < 0 ? i + 2 * n : (i >= 2 * n ? i - 2 * n : i);
            return m < n ? m : 2 * n - 1 - m;
        } else {
            return i < 0 ? 0 : (i >= n ? n - 1 : i);
        }
    }
    // Mixed in fixed point, red and blue side by side in one word.
    template <TTextureWrap Wrap> static TTexel Bilinear(const TLevel& l, float u, float v) {
        // In 256ths of a pixel, from -1/2 on: the whole pixels by a shift that rounds down.
        const auto x = static_cast<std::int32_t>((Wrapped<Wrap>(u) * float(l.Width) - 0.5f) * 256);
        const auto y =
            static_cast<std::int32_t>(((1 - Wrapped<Wrap>(v)) * float(l.Height) - 0.5f) * 256);
        const std::int32_t x0 = x >> 8, y0 = y >> 8;
        const auto fx = static_cast<std::uint32_t>(x & 0xFF);
        const auto fy = static_cast<std::uint32_t>(y & 0xFF);
        const std::uint32_t* row0 =
            l.Pixels.data() + std::size_t(Index<Wrap>(y0, l.Height)) * std::size_t(l.Width);
        const std::uint32_t* row1 =
            l.Pixels.data() + std::size_t(Index<Wrap>(y0 + 1, l.Height)) * std::size_t(l.Width);
        const std::int32_t i0 = Index<Wrap>(x0, l.Width), i1 = Index<Wrap>(x0 + 1, l.Width);
        const auto mix = [](std::uint32_t a, std::uint32_t b, std::uint32_t f) {
            constexpr std::uint32_t RedBlue = 0x00FF00FF, Green = 0x0000FF00;
            const std::uint32_t rb = (((a & RedBlue) * (256 - f) + (b & RedBlue) * f) >> 8);
            const std::uint32_t g = (((a & Green) * (256 - f) + (b & Green) * f) >> 8);
            return (rb & RedBlue) | (g & Green);
        };
        const std::uint32_t c = mix(mix(row0[i0], row0[i1], fx), mix(row1[i0], row1[i1], fx), fy);
        return {float(c >> 16), float((c >> 8) & 0xFF), float(c & 0xFF)};
    }

    std::vector<TLevel> levels_;
};

} // namespace ZuveloGraphLibrary
