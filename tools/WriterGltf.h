// A writer of glTF 2.0 files for the tests, the fuzz seeds and the benchmarks. A model is first
// written as a document, its JSON (nlohmann's, which a test may alter at will) and its one buffer,
// then framed as a .glb (the buffer in its BIN chunk), as a .gltf naming the buffer's file, or as
// a .gltf holding the buffer in a data URI. Broken binary framing is written by GlbBytes.
//
// Positions and mapping coordinates are taken as the record holds them, Z up and v upwards, and
// written as glTF has them, Y up and v downwards: (x, y, z) as (x, z, -y), v as 1 - v.
#pragma once

#include "Writer3DS.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Plexa3DTools {

inline constexpr std::uint32_t GltfUnsignedByte = 5121;
inline constexpr std::uint32_t GltfUnsignedShort = 5123;
inline constexpr std::uint32_t GltfUnsignedInt = 5125;
inline constexpr std::uint32_t GltfFloat = 5126;

// A mesh without TMeshSpec's 16-bit limits.
struct TGltfMeshSpec {
    std::string Name;
    std::vector<std::array<float, 3>> Vertices;
    std::vector<std::array<std::uint32_t, 3>> Faces; // vertex numbers from 0
    std::vector<std::array<float, 2>> Mapping{};     // per vertex, when not empty
    // Per face, when not empty: the number from 1 of the document's material, 0 for none.
    std::vector<std::uint32_t> FaceMaterials{};
    // Per face, when not empty: smoothing groups; the faces of a mesh not all flat get normals.
    std::vector<std::uint32_t> Smoothing{};
};

struct TGltfOptions {
    // The indices' component type (GltfUnsignedByte, Short or Int); 0 for none, every face's
    // corners then written as vertices of their own.
    std::uint32_t IndexType = GltfUnsignedInt;
};

// A model being written: its JSON and its buffer, buffer 0 (whose URI the framing gives).
struct TGltfDocument {
    nlohmann::json Json;
    std::vector<std::uint8_t> Buffer;

    // Appends the bytes to the buffer, at a multiple of 4, as a new buffer view; its number.
    std::size_t AddView(const std::vector<std::uint8_t>& bytes,
                        std::optional<std::size_t> stride = {});
    // A new accessor over a view; its number.
    std::size_t AddAccessor(std::size_t view, std::uint32_t componentType, const std::string& type,
                            std::size_t count, std::size_t byteOffset = 0);
};

// The meshes, each placed by a node of its own (named as the mesh) of scene 0: each mesh one
// primitive per material and flatness, in the order of their first faces, over the same
// vertices; materials named in order, each with only its name.
TGltfDocument GltfDocument(const std::vector<TGltfMeshSpec>& meshes,
                           const std::vector<std::string>& materials = {},
                           const TGltfOptions& options = {});

// TMeshSpec's meshes: the materials are those their face material lists name, in order of first
// naming; of two lists naming one face, the later holds.
TGltfDocument GltfDocument(const std::vector<TMeshSpec>& meshes, const TGltfOptions& options = {});

// The framings of a document.
std::vector<std::uint8_t> GlbFile(const TGltfDocument& document);
std::vector<std::uint8_t> GltfFile(const TGltfDocument& document, const std::string& bufferUri);
std::vector<std::uint8_t>
GltfEmbeddedFile(const TGltfDocument& document,
                 const std::string& mediaType = "application/octet-stream");

// A .glb file of the meshes.
std::vector<std::uint8_t> GltfMeshFile(const std::vector<TMeshSpec>& meshes);

// Binary framing as given: a chunk's length (else its bytes' count) and type, and the header's
// version and total length (else the bytes written).
struct TGlbChunk {
    std::uint32_t Type = 0;
    std::vector<std::uint8_t> Bytes;
    std::optional<std::uint32_t> Length{};
};
inline constexpr std::uint32_t GlbChunkJson = 0x4E4F534A;
inline constexpr std::uint32_t GlbChunkBin = 0x004E4942;
std::vector<std::uint8_t> GlbBytes(const std::vector<TGlbChunk>& chunks, std::uint32_t version = 2,
                                   std::optional<std::uint32_t> length = {});

std::string Base64(const std::vector<std::uint8_t>& bytes);

// The bytes of values as a little-endian machine holds them.
template <class T> std::vector<std::uint8_t> RawBytes(const std::vector<T>& values) {
    std::vector<std::uint8_t> bytes(values.size() * sizeof(T));
    for (std::size_t i = 0; i < values.size(); ++i) {
        const T value = values[i];
        const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
        std::copy(p, p + sizeof(T), bytes.begin() + std::ptrdiff_t(i * sizeof(T)));
    }
    return bytes;
}

} // namespace Plexa3DTools
