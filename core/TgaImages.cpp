#include "TgaImages.h"

#include "FileReader.h"
#include "GraphErrors.h"
#include "Texture.h"

#include <stb/stb_image.h>

#include <climits>
#include <memory>
#include <vector>

namespace Plexa3DApp {

using namespace ZuveloGraphLibrary;

namespace {

constexpr int RgbChannels = 3;
// Run-length coding can make a file a little longer than its pixels; no real one is twice as long.
constexpr std::int64_t MaxTgaFileBytes = 2 * MaxTextureBytes;
constexpr std::int64_t TgaHeaderBytes = 18;
// A run covers at most 128 pixels and takes at least two bytes; raw pixels take one byte or more.
constexpr std::int64_t MostPixelsPerByte = 64;

struct TFreeImage {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

} // namespace

TDecodedImage DecodeTgaBytes(std::span<const std::uint8_t> bytes) {
    TDecodedImage result;
    if (bytes.empty() || bytes.size() > std::size_t(INT_MAX)) {
        return result;
    }
    const auto size = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(bytes.data(), size, &width, &height, &channels) == 0) {
        return result;
    }
    if (width > MaxTextureSide || height > MaxTextureSide ||
        std::int64_t(width) * height * 4 > MaxTextureBytes) {
        result.Outcome = TDecodedImage::TOutcome::TooLarge;
        return result;
    }
    // A file far too short for its size is cut off: it is not decoded into a large image of
    // nothing (a few bytes claiming 8192 x 8192 would take 256 MB and seconds).
    if (std::int64_t(width) * height >
        MostPixelsPerByte * (std::int64_t(bytes.size()) - TgaHeaderBytes)) {
        return result;
    }
    const std::unique_ptr<stbi_uc, TFreeImage> pixels(
        stbi_load_from_memory(bytes.data(), size, &width, &height, &channels, RgbChannels));
    if (!pixels || width <= 0 || height <= 0) {
        return result;
    }
    result.Width = width;
    result.Height = height;
    result.Pixels.resize(std::size_t(width) * std::size_t(height));
    const stbi_uc* p = pixels.get();
    for (std::uint32_t& pixel : result.Pixels) {
        pixel = (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
        p += RgbChannels;
    }
    result.Outcome = TDecodedImage::TOutcome::Decoded;
    return result;
}

TDecodedImage DecodeTgaFile(const std::string& path) {
    try {
        TFileReader file(path);
        if (file.Size() > MaxTgaFileBytes) {
            TDecodedImage result;
            result.Outcome = TDecodedImage::TOutcome::TooLarge;
            return result;
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
        bytes.resize(file.Read(bytes.data(), bytes.size()));
        file.Close();
        return DecodeTgaBytes(bytes);
    } catch (const RuntimeError&) {
        return {};
    }
}

} // namespace Plexa3DApp
