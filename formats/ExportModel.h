// Export: a model, read whole, written out as glTF 2.0 (.glb, one file with its images; .gltf with
// its .bin and images beside it), OBJ with its MTL and images beside it, binary STL, or binary
// little-endian PLY with vertex colours from the materials.
//
// What is written:
// - every mesh of the model (each placed copy a mesh of its own), named as the file names it,
//   in the file's own coordinates and units; glTF in its Y-up axes, the model's Z-up turned so
//   that it stands in a glTF viewer as in the front view here: (x, y, z) -> (x, z, -y); the
//   others keep the source's axes;
// - faces grouped by mesh and material; at each corner the normal as the surfaces are lit
//   ("Superfici"): the face's own for a face of smoothing mask 0, else the sum of its smoothing
//   group at that vertex (Smoothing.h), so flat faces keep vertices of their own; the mapping
//   coordinates; corners sharing all three share a vertex;
// - materials with their names (written so that each format reads them back: OBJ's and MTL's names
//   without spaces), diffuse colour, specular colour and shininess, transparency, and the image of
//   the first texture map with its tiling, scale, offset and rotation. In glTF: baseColorFactor
//   from the diffuse colour and the transparency (alphaMode BLEND when not opaque), metallicFactor
//   0 and roughnessFactor 1 - shininess (glTF's nearest to a highlight whose exponent grows with
//   the shininess), doubleSided from two-sidedness, the image as baseColorTexture, placed by
//   KHR_texture_transform where the map moves it, repeated, mirrored or clamped as the map tiles.
//   In MTL: Kd, Ka, Ks (specular times strength), Ns (1 + 127 shininess), d, map_Kd with -s and -o
//   (a turned map's coordinates are turned as they are written instead). In PLY: each vertex's
//   colour from its face's diffuse colour; STL has no colour;
// - an image that is not found is told, and the export does not fail for it: MTL still names it
//   in map_Kd; glTF, whose images must be there, names it in the material's extras
//   ("baseColorImage") and draws the material in its colour.
//
// Every file is written whole or not at all: all of them go to temporary files beside their
// places first, and only when all are written are they moved into place. No file is written over
// the model the export reads, the files it names that its reading found or its images; an image
// already beside the output as the same file is left as it is.
#pragma once

#include "MeshObject.h"
#include "ModelLooks.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Plexa3DFormats {

enum class TExportFormat : std::uint8_t { Glb, Gltf, Obj, Stl, Ply };

// By the output's name: .glb, .gltf, .obj, .stl, .ply, in any case.
std::optional<TExportFormat> ExportFormatNamed(const std::string& fileName);

// An image as the export writes it: its bytes and what they are.
struct TExportImage {
    std::vector<std::uint8_t> Bytes;
    std::string Extension;  // ".png", ".jpg", or the source file's own
    std::string MimeType;   // "image/png" or "image/jpeg" for glTF; may be empty otherwise
    std::string SourcePath; // the file it was read from, when it lies in one
};

// Gives a texture map's image (found beside the model, or held in it as the looks' embedded image
// of that number): as PNG or JPEG when `pngOrJpeg`, for glTF, else as it is. Nothing when there is
// no such image or it cannot be given so.
using TExportImages = std::function<std::optional<TExportImage>(
    const ZuveloGraphLibrary::TTextureMap& map, bool pngOrJpeg)>;

// What an export has to tell: images not found, for instance.
struct TExportReport {
    std::vector<std::string> Notes;
    std::vector<std::string> Written; // every file written, the output first
};

// Writes the model read from `source` (whole, as ReadModelFile with TModelPart::Whole gives it;
// its world vertices are set from its local ones) to `output`; `companions` are the files beside
// the source that its reading found (TModelFile::Companions). Raises RuntimeError naming the file
// that cannot be written, or the refusal to write over the source or one of its companions.
TExportReport ExportModel(ZuveloGraphLibrary::TObject3D& object,
                          const ZuveloGraphLibrary::TModelLooks& looks, const std::string& source,
                          const std::string& output, TExportFormat format,
                          const TExportImages& images,
                          const std::vector<std::string>& companions = {});

namespace Detail {

// A model as the writers put it out.
struct TExportVertex {
    ZuveloGraphLibrary::TPoint3D Position;
    ZuveloGraphLibrary::TPoint3D Normal; // unit
    ZuveloGraphLibrary::TTexCoord Mapping;
};
struct TExportPrimitive {
    std::uint32_t Material = 0; // in the looks' materials
    std::vector<TExportVertex> Vertices;
    std::vector<std::uint32_t> Indices; // three a face, from 0
};
struct TExportMesh {
    std::string Name;
    std::vector<TExportPrimitive> Primitives;
};
struct TExportModel {
    std::vector<TExportMesh> Meshes;
    bool Mapped = false; // whether the vertices carry mapping coordinates
};

// The order in which an export writes the faces: mesh by mesh, and within a mesh by material, each
// in the faces' own order. Runs[k] is the stretch of Faces (numbered from 0) of one material in
// one of the Meshes; faces naming vertices outside the record are still there.
struct TExportRun {
    std::size_t Mesh = 0;
    std::uint32_t Material = 0;
    std::size_t Begin = 0, End = 0;
};
struct TExportOrder {
    std::vector<ZuveloGraphLibrary::TMeshPart> Meshes;
    std::vector<std::uint32_t> Faces;
    std::vector<TExportRun> Runs;
};
TExportOrder ExportOrder(const ZuveloGraphLibrary::TObject3D& object,
                         const ZuveloGraphLibrary::TModelLooks& looks);

// The model's meshes, each split by material, with the corners' normals and mapping coordinates,
// corners that agree in all of it shared. Faces naming vertices outside the record are left out.
TExportModel PrepareExport(ZuveloGraphLibrary::TObject3D& object,
                           const ZuveloGraphLibrary::TModelLooks& looks);

} // namespace Detail

} // namespace Plexa3DFormats
