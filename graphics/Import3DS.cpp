#include "Import3DS.h"

#include "FileReader.h"
#include "Looks3DS.h"

#include <algorithm>
#include <span>

namespace ZuveloGraphLibrary {
namespace {

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
    // Where the content of the vertex and face lists read into the object starts.
    std::int64_t VertexList = -1;
    std::int64_t FaceList = -1;

    bool Done() const { return NameSeen && VerticesSeen && FacesSeen; }
};

bool ReadHeader(TFileReader& file, TChunkHeader& header) {
    return file.ReadUInt16(header.Id) && file.ReadInt32(header.Length);
}

// Allocates the array for a list of `count` records and fills it from the records of `Size`
// bytes, straight from the reader's buffer: store(item, bytes) for each whole record,
// storePart(item, bytes, size) for a record cut off by the end of the file, whose missing fields
// stay zero like every entry after it. Returns whether all the records were there.
template <std::size_t Size, class T, class Store, class StorePart>
bool ReadRecords(TFileReader& file, TOneBasedArray<T>& items, std::uint16_t count, Store store,
                 StorePart storePart) {
    items.Release(); // a repeated list replaces the first, so count and array agree
    if (count == 0) {
        return true;
    }
    items.Allocate(count, TOneBasedArray<T>::TFill::Unset);
    T* item = items.begin();
    T* const end = items.end();
    while (item != end) {
        const std::span<const std::uint8_t> bytes = file.Peek(Size);
        const auto whole = std::min(bytes.size() / Size, static_cast<std::size_t>(end - item));
        if (whole == 0) { // less than one record left in the file
            std::fill(item, end, T{});
            storePart(*item, bytes.data(), bytes.size());
            file.Advance(bytes.size());
            return false;
        }
        const std::uint8_t* record = bytes.data();
        for (T* const last = item + whole; item != last; ++item, record += Size) {
            store(*item, record);
        }
        file.Advance(whole * Size);
    }
    return true;
}

void ReadName(TWalk& walk) {
    walk.Ended = !walk.File.ReadZeroTerminated(walk.Object.Name, MaxObjectNameLength);
    walk.NameSeen = true;
}

void ReadVertexList(TWalk& walk) {
    walk.VertexList = walk.File.Position();
    std::uint16_t count = 0;
    if (!walk.File.ReadUInt16(count)) {
        walk.Ended = true;
        return;
    }
    TObject3D& object = walk.Object;
    object.VertexCount = count;
    const auto store = [](TPoint3D& vertex, const std::uint8_t* p) {
        vertex = {FloatAt(p), FloatAt(p + 4), FloatAt(p + 8)};
    };
    // Whole coordinates are kept; a coordinate cut off by the end of the file stays zero.
    const auto storePart = [](TPoint3D& vertex, const std::uint8_t* p, std::size_t size) {
        float TPoint3D::*const coordinates[] = {&TPoint3D::X, &TPoint3D::Y, &TPoint3D::Z};
        for (std::size_t k = 0; k < size / 4; ++k) {
            vertex.*coordinates[k] = FloatAt(p + 4 * k);
        }
    };
    walk.Ended =
        !ReadRecords<VertexRecordSize>(walk.File, object.Vertices, count, store, storePart);
    walk.VerticesSeen = true;
}

// File numbers count from 0, record numbers from 1: 16-bit arithmetic, so 65535 becomes 0.
std::uint16_t FaceNumberAt(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(UInt16At(p) + 1);
}

void ReadFaceList(TWalk& walk) {
    walk.FaceList = walk.File.Position();
    std::uint16_t count = 0;
    if (!walk.File.ReadUInt16(count)) {
        walk.Ended = true;
        return;
    }
    TObject3D& object = walk.Object;
    object.FaceCount = count;
    // The two bytes of face flags after each record are passed over.
    const auto store = [](TFace3D& face, const std::uint8_t* p) {
        face = {FaceNumberAt(p), FaceNumberAt(p + 2), FaceNumberAt(p + 4)};
    };
    const auto storePart = [](TFace3D& face, const std::uint8_t* p, std::size_t size) {
        std::uint32_t TFace3D::*const numbers[] = {&TFace3D::A, &TFace3D::B, &TFace3D::C};
        for (std::size_t k = 0; k < std::min<std::size_t>(size / 2, 3); ++k) {
            face.*numbers[k] = FaceNumberAt(p + 2 * k);
        }
    };
    walk.Ended = !ReadRecords<FaceRecordSize>(walk.File, object.Faces, count, store, storePart);
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

// Returns where the lists read start, for the reading of the mesh's looks.
std::pair<std::int64_t, std::int64_t> Walk(TFileReader& file, TObject3D& object) {
    TChunkHeader header;
    TWalk walk{file, object};
    if (ReadHeader(file, header) && header.Id == ChunkMain) {
        while (file.Position() < file.Size() && !walk.Done() && !walk.Ended) {
            if (!ReadHeader(file, header)) {
                break;
            }
            ActOnChunk(walk, header);
        }
    }
    return {walk.VertexList, walk.FaceList};
}

} // namespace

void Load3DS(const std::string& fileName, TObject3D& object) {
    ClearObject3D(object);
    TFileReader file(fileName);
    Walk(file, object);
    file.Close();
    AllocObjectArrays(object);
}

void Load3DSBytes(std::span<const std::uint8_t> bytes, TObject3D& object) {
    ClearObject3D(object);
    TFileReader file(bytes);
    Walk(file, object);
    AllocObjectArrays(object);
}

void Load3DSWithLooks(const std::string& fileName, TObject3D& object, TModelLooks& looks) {
    ClearObject3D(object);
    TFileReader file(fileName);
    const auto [vertexList, faceList] = Walk(file, object);
    AllocObjectArrays(object);
    Looks3DS::ReadFirstMeshLooks(file, vertexList, faceList, object, looks);
    file.Close();
}

void Load3DSBytesWithLooks(std::span<const std::uint8_t> bytes, TObject3D& object,
                           TModelLooks& looks) {
    ClearObject3D(object);
    TFileReader file(bytes);
    const auto [vertexList, faceList] = Walk(file, object);
    AllocObjectArrays(object);
    Looks3DS::ReadFirstMeshLooks(file, vertexList, faceList, object, looks);
}

} // namespace ZuveloGraphLibrary
