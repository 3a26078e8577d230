// A decoded image as faces are painted with it: its pixels and a chain of smaller copies, each
// half the one before (rounded up, each pixel the mean of the up to four it covers), down to one
// pixel. A face seen small reads a smaller copy, so that its picture does not sparkle.
#pragma once

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
    // the four pixels around the point.
    TTexel Sample(float u, float v, int level, TTextureWrap wrap) const;

private:
    std::vector<TLevel> levels_;
};

} // namespace ZuveloGraphLibrary
