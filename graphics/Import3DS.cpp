#include "Import3DS.h"

#include "FileReader.h"

#include <algorithm>
#include <vector>

namespace ZuveloGraphLibrary {
namespace {

constexpr std::int64_t ChunkHeaderSize = 6;
constexpr std::size_t VertexRecordSize = 12;
constexpr std::size_t FaceRecordSize = 8;

struct TChunkHeader {
    std::uint16_t Id = 0;
    std::int32_t Length = 0;
};

// The state of one load: the three things a complete mesh needs, and whether the file ran out.
struct TWalk {
    TFileReader& File;
    TObject3D& Object;
    bool NameSeen = false;
    bool VerticesSeen = false;
    bool FacesSeen = false;
    bool Ended = false;

    bool Done() const { return NameSeen && VerticesSeen && FacesSeen; }
};

bool ReadHeader(TFileReader& file, TChunkHeader& header) {
    return file.ReadUInt16(header.Id) && file.ReadInt32(header.Length);
}

// The bytes of `count` records, or of as many whole and partial records as the file still holds.
std::vector<std::uint8_t> ReadRecords(TFileReader& file, std::size_t count, std::size_t size) {
    const auto left = static_cast<std::size_t>(file.BytesLeft());
    std::vector<std::uint8_t> bytes(std::min(count * size, left));
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    return bytes;
}

void ReadName(TWalk& walk) {
    walk.Ended = !walk.File.ReadZeroTerminated(walk.Object.Name, MaxObjectNameLength);
    walk.NameSeen = true;
}

void ReadVertexList(TWalk& walk) {
    std::uint16_t count = 0;
    if (!walk.File.ReadUInt16(count)) {
        walk.Ended = true;
        return;
    }
    TObject3D& object = walk.Object;
    object.VertexCount = count;
    object.Vertices.Release(); // a repeated list replaces the first, so count and array agree
    AllocVertices(object);
    const std::vector<std::uint8_t> bytes = ReadRecords(walk.File, count, VertexRecordSize);
    // Whole coordinates are kept; a coordinate cut off by the end of the file stays zero.
    const std::size_t coordinates = bytes.size() / 4;
    for (std::size_t k = 0; k < coordinates; ++k) {
        TPoint3D& p = object.Vertices[static_cast<std::int32_t>(k / 3) + 1];
        const float value = FloatAt(&bytes[4 * k]);
        (k % 3 == 0 ? p.X : k % 3 == 1 ? p.Y : p.Z) = value;
    }
    walk.Ended = bytes.size() < std::size_t(count) * VertexRecordSize;
    walk.VerticesSeen = true;
}

void ReadFaceList(TWalk& walk) {
    std::uint16_t count = 0;
    if (!walk.File.ReadUInt16(count)) {
        walk.Ended = true;
        return;
    }
    TObject3D& object = walk.Object;
    object.FaceCount = count;
    object.Faces.Release();
    AllocFaces(object);
    const std::vector<std::uint8_t> bytes = ReadRecords(walk.File, count, FaceRecordSize);
    // File numbers count from 0, record numbers from 1: 16-bit arithmetic, so 65535 becomes 0.
    // The two bytes of face flags after each record are passed over.
    for (std::size_t at = 0; at + 2 <= bytes.size(); at += 2) {
        const std::size_t field = (at % FaceRecordSize) / 2;
        if (field == 3) {
            continue;
        }
        TFace3D& face = object.Faces[static_cast<std::int32_t>(at / FaceRecordSize) + 1];
        const auto number = static_cast<std::uint16_t>(UInt16At(&bytes[at]) + 1);
        (field == 0 ? face.A : field == 1 ? face.B : face.C) = number;
    }
    walk.Ended = bytes.size() < std::size_t(count) * FaceRecordSize;
    walk.FacesSeen = true;
}

// Moves to the end of a chunk the reader does not know. A chunk claiming less than its own header
// would not move the walk forward: it ends the walk instead of being read again and again.
void SkipChunk(TWalk& walk, const TChunkHeader& header) {
    const std::int64_t target = walk.File.Position() + header.Length - ChunkHeaderSize;
    if (target < 0) {
        walk.File.Seek(target); // raises the input/output error
    }
    if (header.Length < ChunkHeaderSize) {
        walk.Ended = true;
        return;
    }
    walk.File.Seek(target);
}

void ActOnChunk(TWalk& walk, const TChunkHeader& header) {
    switch (header.Id) {
    case ChunkEditor:
    case ChunkTriangleMesh:
    case ChunkKeyframer:
        break; // descend: the next header follows
    case ChunkNamedObject:
        ReadName(walk);
        break;
    case ChunkVertexList:
        ReadVertexList(walk);
        break;
    case ChunkFaceList:
        ReadFaceList(walk);
        break;
    default:
        SkipChunk(walk, header);
        break;
    }
}

} // namespace

void Load3DS(const std::string& fileName, TObject3D& object) {
    ClearObject3D(object);
    TFileReader file(fileName);
    TChunkHeader header;
    if (ReadHeader(file, header) && header.Id == ChunkMain) {
        TWalk walk{file, object};
        while (file.Position() < file.Size() && !walk.Done() && !walk.Ended) {
            if (!ReadHeader(file, header)) {
                break;
            }
            ActOnChunk(walk, header);
        }
    }
    file.Close();
    AllocObjectArrays(object);
}

} // namespace ZuveloGraphLibrary
