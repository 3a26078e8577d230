// Looks for the benchmark models, as a modelled file would give them: bands of faces in four
// materials (two plain with a highlight, two with a 256 x 256 image repeated four times), every
// face in one smoothing group, mapping coordinates from the model's box.
#pragma once

#include "MeshObject.h"
#include "ModelLooks.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace PlexaBench {

inline constexpr std::int32_t BandFaces = 64;
inline constexpr std::int32_t ImageSide = 256;

inline std::shared_ptr<const ZuveloGraphLibrary::TTexture> BenchImage() {
    std::vector<std::uint32_t> pixels(std::size_t(ImageSide) * ImageSide);
    for (std::int32_t y = 0; y < ImageSide; ++y) {
        for (std::int32_t x = 0; x < ImageSide; ++x) {
            const bool check = ((x / 16) + (y / 16)) % 2 == 0;
            pixels[std::size_t(y) * ImageSide + x] =
                check ? 0xE0C080u : (std::uint32_t(x) << 16) | (std::uint32_t(y) << 8) | 0x40u;
        }
    }
    return std::make_shared<const ZuveloGraphLibrary::TTexture>(ImageSide, ImageSide,
                                                                std::move(pixels));
}

// What the looks give: colours alone, colours and smoothing, or all of it with the images.
enum class TBenchLooks { Colours, Smooth, Images };

inline ZuveloGraphLibrary::TModelLooks BenchLooks(const ZuveloGraphLibrary::TObject3D& object,
                                                  TBenchLooks kind = TBenchLooks::Images) {
    const bool withImages = kind == TBenchLooks::Images;
    using namespace ZuveloGraphLibrary;
    TModelLooks looks;
    for (int k = 0; k < 4; ++k) {
        TMaterial m;
        m.Name = "band " + std::to_string(k);
        m.Diffuse = {0.3f + 0.2f * k, 0.8f - 0.15f * k, 0.4f};
        m.Specular = {1, 1, 1};
        m.Shininess = 0.3f;
        m.ShininessStrength = 0.5f;
        if (k % 2 == 1) {
            m.Texture = TTextureMap{"bench.png", 0.8f, 0, 4, 4};
        }
        looks.Materials.push_back(m);
    }
    const std::int32_t faces = std::min(object.FaceCount, object.Faces.Count());
    for (std::int32_t i = 0; i < faces; ++i) {
        looks.FaceMaterials.push_back(1 + std::uint32_t(i / BandFaces) % 4);
        looks.FaceSmoothing.push_back(kind == TBenchLooks::Colours ? 0 : 1);
    }
    float low[2] = {INFINITY, INFINITY}, high[2] = {-INFINITY, -INFINITY};
    for (const TPoint3D& p : object.Vertices) {
        low[0] = std::min(low[0], p.X);
        low[1] = std::min(low[1], p.Y);
        high[0] = std::max(high[0], p.X);
        high[1] = std::max(high[1], p.Y);
    }
    for (const TPoint3D& p : object.Vertices) {
        looks.Mapping.push_back({(p.X - low[0]) / std::max(high[0] - low[0], 1e-6f),
                                 (p.Y - low[1]) / std::max(high[1] - low[1], 1e-6f)});
    }
    FinishLooks(object, looks);
    if (withImages) {
        const auto image = BenchImage();
        for (std::size_t m = 0; m < looks.Materials.size(); ++m) {
            looks.Images[m] = looks.Materials[m].Texture ? image : nullptr;
        }
    }
    return looks;
}

} // namespace PlexaBench
