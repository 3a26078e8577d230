// Faces coloured by the file (STL's colour words, PLY's and OFF's face and vertex colours) given
// materials: a colour is held to 5 bits a channel, and each colour met is one material, made the
// first time a face has it and named by its hue as #RRGGBB; a plain material stands for faces
// without a colour. Every material made carries the texture map given, if any.
#pragma once

#include "ModelBuilder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

namespace Plexa3DFormats {

class TColourMaterials {
public:
    explicit TColourMaterials(TModelBuilder& builder,
                              std::optional<ZuveloGraphLibrary::TTextureMap> texture = {})
        : builder_(&builder), texture_(std::move(texture)) {}

    // A channel from 0 to 1 to the nearest of 0 to 31 (held to 0 to 1; not finite, 0).
    static std::uint16_t Step(float channel) {
        if (!(channel > 0)) {
            return 0;
        }
        return channel >= 1 ? 31 : std::uint16_t(std::lround(channel * 31));
    }

    // The material of a colour of 5 bits a channel: red | green << 5 | blue << 10.
    std::uint32_t Of5Bits(std::uint16_t rgb) {
        std::uint32_t& number = numbers_[rgb & 0x7FFF];
        if (number == 0) {
            number = Add(
                {float(rgb & 31) / 31, float((rgb >> 5) & 31) / 31, float((rgb >> 10) & 31) / 31});
        }
        return number;
    }

    // The material of a colour with channels from 0 to 1.
    std::uint32_t Of(float red, float green, float blue) {
        return Of5Bits(std::uint16_t(Step(red) | Step(green) << 5 | Step(blue) << 10));
    }

    // A material of this colour as it is, made anew.
    std::uint32_t Add(ZuveloGraphLibrary::TColorF colour) {
        ZuveloGraphLibrary::TMaterial material;
        material.Name = "#";
        for (const float c : {colour.R, colour.G, colour.B}) {
            const long byte = std::lround((c > 0 ? std::min(c, 1.0f) : 0.0f) * 255);
            material.Name += "0123456789ABCDEF"[byte >> 4];
            material.Name += "0123456789ABCDEF"[byte & 15];
        }
        material.Diffuse = colour;
        material.Ambient = colour;
        material.Texture = texture_;
        return builder_->AddMaterial(material);
    }

    // The material of faces without a colour: the default, or with a texture map the default's
    // colours with the map.
    std::uint32_t Plain() {
        if (!texture_ || plain_ != 0) {
            return plain_;
        }
        ZuveloGraphLibrary::TMaterial material;
        material.Name = "texture";
        material.Texture = texture_;
        plain_ = builder_->AddMaterial(material);
        return plain_;
    }

private:
    TModelBuilder* builder_;
    std::optional<ZuveloGraphLibrary::TTextureMap> texture_;
    std::array<std::uint32_t, 32768> numbers_{};
    std::uint32_t plain_ = 0;
};

} // namespace Plexa3DFormats
