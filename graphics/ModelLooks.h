// What a model looks like, kept beside its mesh record: the materials of its faces, which faces
// are smoothed together, where each vertex lies on the materials' images, and those images once
// decoded. Every reader fills it for the faces and vertices it puts into the record, in the same
// order; an empty per-face or per-vertex list means the default for every face or vertex.
#pragma once

#include "MeshObject.h"
#include "Smoothing.h"
#include "Texture.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ZuveloGraphLibrary {

// A colour with channels from 0 to 1.
struct TColorF {
    float R = 0;
    float G = 0;
    float B = 0;

    friend bool operator==(const TColorF&, const TColorF&) = default;
};

// The tiling flags of a texture map that change how it is drawn; the others are kept as read.
inline constexpr std::uint16_t TilingDecal = 0x0001;    // shown once, the colour around it
inline constexpr std::uint16_t TilingMirror = 0x0002;   // every other copy mirrored
inline constexpr std::uint16_t TilingNegative = 0x0008; // the image's colours inverted
inline constexpr std::uint16_t TilingNone = 0x0010;     // shown once, the colour around it

// A material's first texture map, as the model names and places it. Mapping coordinates (u, v)
// are placed on the image as (u', v') = R((u - 1/2) UScale, (v - 1/2) VScale) + (1/2, 1/2) -
// (UOffset, VOffset), R the turn by Rotation degrees counterclockwise; v' = 1 is the image's top.
inline constexpr double DegreesPerHalfTurn = 180;
struct TTextureMap {
    std::string FileName; // as the model names it
    float Share = 1;      // of the image's colour in the face's colour; the rest is the diffuse
    std::uint16_t Tiling = 0;
    float UScale = 1;
    float VScale = 1;
    float UOffset = 0;
    float VOffset = 0;
    float Rotation = 0; // degrees
    // The image held in the model file itself: its number in the looks' EmbeddedImages; -1 for
    // an image in a file of its own, named by FileName.
    std::int32_t Embedded = -1;
    TColorF Tint{1, 1, 1}; // the image's colours times this, as glTF's base colour tints its image

    friend bool operator==(const TTextureMap&, const TTextureMap&) = default;
};

struct TMaterial {
    std::string Name;
    TColorF Ambient{0.2f, 0.2f, 0.2f};
    TColorF Diffuse{0.8f, 0.8f, 0.8f}; // a light neutral grey
    TColorF Specular{0, 0, 0};
    float Shininess = 0;         // 0 to 1: how small the highlight is
    float ShininessStrength = 0; // 0 to 1: how bright it is
    float Transparency = 0;      // 0 (opaque) to 1; faces are drawn opaque
    bool TwoSided = false;
    std::optional<TTextureMap> Texture;

    friend bool operator==(const TMaterial&, const TMaterial&) = default;
};

// Where a vertex lies on a material's image: u to the right, v upwards.
struct TTexCoord {
    float U = 0;
    float V = 0;

    friend bool operator==(const TTexCoord&, const TTexCoord&) = default;
};

// Something a reader or the loading of images has to tell the user about a model; the windows and
// the command line word it.
struct TLooksNote {
    enum class TKind : std::uint8_t {
        ImageMissing,    // no file of that name beside the model
        ImageUnreadable, // the file is there but is no image that can be decoded
        ImageTooLarge,   // more than MaxTextureSide pixels a side or MaxTextureBytes decoded
        FileMissing,     // a file the model names beside it (a material library, a buffer)
        FileUnreadable,  // such a file, there but not of the kind named, or damaged
        PartSkipped,     // something of the model the reader passes over, told in English
    };
    TKind Kind = TKind::ImageMissing;
    std::string Subject; // the file's name as the model gives it, or the part passed over

    friend bool operator==(const TLooksNote&, const TLooksNote&) = default;
};

// A mesh of the model, as its file names and groups its faces: faces First + 1 to First + Count
// of the record belong to it (a placed copy of a mesh is a mesh of its own).
struct TMeshPart {
    std::string Name;
    std::uint32_t First = 0;
    std::uint32_t Count = 0;

    friend bool operator==(const TMeshPart&, const TMeshPart&) = default;
};

struct TModelLooks {
    // Materials[0] is the default material, which faces named by no list use; readers add the
    // model's own after it.
    std::vector<TMaterial> Materials{TMaterial{}};
    std::vector<std::uint32_t> FaceMaterials; // per face: an index into Materials
    std::vector<std::uint32_t> FaceSmoothing; // per face: smoothing groups, one bit each; 0 flat
    std::vector<TTexCoord> Mapping;           // per vertex
    // The bytes of images the model file holds itself (a PNG or JPEG file's bytes each), which
    // texture maps name by number.
    std::vector<std::vector<std::uint8_t>> EmbeddedImages;
    // Per material: its decoded image, shared by the materials that name the same file; null
    // where there is none, and the faces are drawn in the material's colours.
    std::vector<std::shared_ptr<const TTexture>> Images;
    std::vector<TLooksNote> Notes;
    // The meshes the faces belong to, in order, covering every face once; empty when the reader
    // does not tell (one mesh).
    std::vector<TMeshPart> Meshes;
    // Worked out from the faces and FaceSmoothing when first asked for (SmoothingCorners).
    TCornersOnce Corners;
};

// The record's smoothing corners for the object it was finished for.
inline const TSmoothingCorners& SmoothingCorners(const TObject3D& object,
                                                 const TModelLooks& looks) {
    return looks.Corners.Of(object, looks.FaceSmoothing);
}

// The material of face i (counted from 1), the default for a face beyond the lists.
inline const TMaterial& FaceMaterial(const TModelLooks& looks, std::int32_t i) {
    const auto at = static_cast<std::size_t>(i - 1);
    const std::uint32_t m = at < looks.FaceMaterials.size() ? looks.FaceMaterials[at] : 0;
    return looks.Materials[m < looks.Materials.size() ? m : 0];
}

// Makes the record whole for the object its reader filled: the default material first, the
// per-face and per-vertex lists empty or as long as the object's counts (filled with defaults),
// material numbers within the list; smoothing corners found for other faces or masks forgotten.
void FinishLooks(const TObject3D& object, TModelLooks& looks);

} // namespace ZuveloGraphLibrary
