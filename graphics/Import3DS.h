// Reads the first complete triangle mesh of a .3DS file (its name, vertex list and face list)
// into one mesh record.
#pragma once

#include "MeshObject.h"

#include <cstdint>
#include <span>
#include <string>

namespace ZuveloGraphLibrary {

// Chunk ids the reader acts on; every other chunk is passed over by its length.
enum : std::uint16_t {
    ChunkMain = 0x4D4D,
    ChunkEditor = 0x3D3D,
    ChunkNamedObject = 0x4000,
    ChunkTriangleMesh = 0x4100,
    ChunkVertexList = 0x4110,
    ChunkFaceList = 0x4120,
    ChunkKeyframer = 0xB000,
};

// Sizes of the file's records: a chunk header (id and length), a vertex (three singles) and a face
// (three vertex numbers and the face's flags).
inline constexpr std::int64_t ChunkHeaderSize = 6;
inline constexpr std::int64_t VertexRecordSize = 12;
inline constexpr std::int64_t FaceRecordSize = 8;

// Walks the file as one flat sequence of chunk headers until a name, a vertex list and a face
// list have all been read, or the file ends. A file that does not start with the main chunk gives
// an empty object and no error. A file that ends inside a header, a name or a list ends the load
// there, keeping what was read (entries never filled are zero). Open, read and positioning
// failures raise the input/output error; a skip to before the start of the file is one.
void Load3DS(const std::string& fileName, TObject3D& object);

// The same over bytes in memory, read as the whole file; the only error left is a skip to before
// the start.
void Load3DSBytes(std::span<const std::uint8_t> bytes, TObject3D& object);

// Each the same, and how the mesh read looks (its materials, smoothing groups and mapping, see
// Looks3DS.h) into `looks`, read from the file's tree of chunks after the walk.
struct TModelLooks;
void Load3DSWithLooks(const std::string& fileName, TObject3D& object, TModelLooks& looks);
void Load3DSBytesWithLooks(std::span<const std::uint8_t> bytes, TObject3D& object,
                           TModelLooks& looks);

} // namespace ZuveloGraphLibrary
