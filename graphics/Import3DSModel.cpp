#include "Import3DSModel.h"

#include "FileReader.h"
#include "Import3DS.h"
#include "Keyframer.h"
#include "Utf8.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace ZuveloGraphLibrary {
namespace {

constexpr std::int64_t ListCountSize = 2;
// The record counts vertices and faces in signed 32 bits.
constexpr std::size_t MaxModelCount = std::numeric_limits<std::int32_t>::max();
constexpr char Unknown = '?';
constexpr char32_t LastLatin1 = 0xFF;
constexpr std::size_t CopyPiece = 64;

// The content of a chunk: from after its header to its end, already cut to its parent's end.
struct TExtent {
    std::int64_t Begin = 0;
    std::int64_t End = 0;
};

// Where a mesh's records start and how many whole ones there are.
struct TMeshLists {
    std::int64_t Vertices = 0;
    std::uint32_t VertexCount = 0;
    std::int64_t Faces = 0;
    std::uint32_t FaceCount = 0;
};

// The meshes found by the walk, with the names of their objects, and their totals; and where the
// first keyframer chunk lies, if there is one.
struct TModel {
    std::vector<TMeshLists> Meshes;
    std::vector<std::string> Names;
    std::size_t VertexCount = 0;
    std::size_t FaceCount = 0;
    std::optional<TExtent> Keyframer;
};

// Where a mesh's vertices and kept faces lie in the object's arrays.
struct TMeshPlace {
    std::uint32_t VertexBase = 0;
    std::uint32_t VertexCount = 0;
    std::uint32_t FaceBegin = 0;
    std::uint32_t FaceEnd = 0;
};

// Adds a list's records to a total, within what the record can count.
void AddToTotal(std::size_t& total, std::uint32_t count) {
    if (count > MaxModelCount - total) {
        throw OutOfMemoryError();
    }
    total += count;
}

// Calls visit(id, content) for each child chunk in `parent`, in file order. The chunks nest
// strictly and every header lies after the one before, so the walk reads each header once.
template <class Visit> void ForEachChild(TFileReader& file, TExtent parent, Visit visit) {
    std::int64_t at = parent.Begin;
    while (parent.End - at >= ChunkHeaderSize) {
        file.Seek(at);
        const std::span<const std::uint8_t> header = file.Peek(ChunkHeaderSize);
        if (header.size() < ChunkHeaderSize) {
            return; // the file shrank under us
        }
        const std::uint16_t id = UInt16At(header.data());
        const auto length = static_cast<std::int32_t>(UInt32At(header.data() + 2));
        if (length < ChunkHeaderSize) {
            return; // the child ends its parent's list
        }
        const std::int64_t end = std::min(at + length, parent.End);
        visit(id, TExtent{at + ChunkHeaderSize, end});
        at = end;
    }
}

// Where the children of a named object start: after the name's zero byte, if the chunk has one.
// The name's bytes are appended to `name`.
std::optional<std::int64_t> AfterName(TFileReader& file, TExtent object, std::string& name) {
    file.Seek(object.Begin);
    while (file.Position() < object.End) {
        const std::span<const std::uint8_t> bytes = file.Peek(1);
        const auto size = std::min<std::int64_t>(static_cast<std::int64_t>(bytes.size()),
                                                 object.End - file.Position());
        if (size == 0) {
            break;
        }
        const auto* zero = static_cast<const std::uint8_t*>(
            std::memchr(bytes.data(), 0, static_cast<std::size_t>(size)));
        const auto* const end = zero != nullptr ? zero : bytes.data() + size;
        name.append(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<std::size_t>(end - bytes.data()));
        if (zero != nullptr) {
            return file.Position() + (zero - bytes.data()) + 1;
        }
        file.Advance(static_cast<std::size_t>(size));
    }
    return std::nullopt;
}

// The number of whole records the list holds.
std::uint32_t ListCount(TFileReader& file, TExtent list, std::int64_t recordSize) {
    const std::int64_t size = list.End - list.Begin;
    file.Seek(list.Begin);
    const std::span<const std::uint8_t> count = file.Peek(ListCountSize);
    if (size < ListCountSize || count.size() < ListCountSize) {
        return 0;
    }
    return static_cast<std::uint32_t>(
        std::min<std::int64_t>(UInt16At(count.data()), (size - ListCountSize) / recordSize));
}

// Decodes `count` records of `Size` bytes straight from the reader's buffer: decode(bytes, n)
// takes n whole records. Fewer records are decoded only when the file shrank after the walk.
template <std::size_t Size, class Decode>
void DecodeRecords(TFileReader& file, std::uint32_t count, Decode decode) {
    std::uint32_t done = 0;
    while (done < count) {
        const std::span<const std::uint8_t> bytes = file.Peek(Size);
        const auto whole =
            static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size() / Size, count - done));
        if (whole == 0) {
            break;
        }
        decode(bytes.data(), whole);
        file.Advance(whole * Size);
        done += whole;
    }
}

// Copies `size` bytes as a run of fixed-size pieces, which the compiler turns into plain vector
// moves. A long copy of unknown size goes to the processor's string copy instruction (in the C
// library or inline), which some processors run several times slower when the source and the
// destination are not aligned alike, as a record list inside a file is not.
void CopyInPieces(void* destination, const std::uint8_t* source, std::size_t size) {
    auto* to = static_cast<std::uint8_t*>(destination);
    std::size_t done = 0;
    for (; size - done >= CopyPiece; done += CopyPiece) {
        std::memcpy(to + done, source + done, CopyPiece);
    }
    std::memcpy(to + done, source + done, size - done);
}

// Fills `out` with the mesh's vertices; any that the file no longer holds are set to zero.
void ReadVertices(TFileReader& file, const TMeshLists& mesh, TPoint3D* out) {
    TPoint3D* const end = out + mesh.VertexCount;
    file.Seek(mesh.Vertices);
    DecodeRecords<VertexRecordSize>(
        file, mesh.VertexCount, [&](const std::uint8_t* p, std::uint32_t n) {
            if constexpr (std::endian::native == std::endian::little &&
                          sizeof(TPoint3D) == VertexRecordSize) {
                CopyInPieces(out, p, n * VertexRecordSize); // the same layout
                out += n;
            } else {
                for (const std::uint8_t* const end = p + n * VertexRecordSize; p != end;
                     p += VertexRecordSize) {
                    *out++ = {FloatAt(p), FloatAt(p + 4), FloatAt(p + 8)};
                }
            }
        });
    std::fill(out, end, TPoint3D{});
}

// All three are tested, without a branch between them.
bool Finite(const TPoint3D& p) {
    const bool x = std::isfinite(p.X), y = std::isfinite(p.Y), z = std::isfinite(p.Z);
    return x & y & z;
}

bool Finite(const TPoint3D& a, const TPoint3D& b, const TPoint3D& c) {
    const bool first = Finite(a), second = Finite(b), third = Finite(c);
    return first & second & third;
}

bool AllFinite(const TPoint3D* begin, const TPoint3D* end) {
    bool finite = true;
    for (const TPoint3D* p = begin; p != end; ++p) {
        finite &= Finite(*p);
    }
    return finite;
}

// Fills `out` with the faces whose numbers all lie below the mesh's vertex count and whose
// vertices (the mesh's first, at `vertices`) are finite, numbered from 1 past the `base` vertices
// of the meshes before, and returns how many there were. The face flags are passed over. `out`
// has room for every face of the list.
template <bool CheckFinite>
std::uint32_t ReadFaces(TFileReader& file, const TMeshLists& mesh, std::uint32_t base,
                        const TPoint3D* vertices, TFace3D* const out, std::int64_t& notFinite) {
    const std::uint32_t vertexCount = mesh.VertexCount;
    const std::uint32_t first = base + 1;
    TFace3D* next = out;
    file.Seek(mesh.Faces);
    DecodeRecords<FaceRecordSize>(
        file, mesh.FaceCount, [&](const std::uint8_t* p, std::uint32_t n) {
            for (const std::uint8_t* const end = p + n * FaceRecordSize; p != end;
                 p += FaceRecordSize) {
                const std::uint32_t a = UInt16At(p);
                const std::uint32_t b = UInt16At(p + 2);
                const std::uint32_t c = UInt16At(p + 4);
                // Real files keep nearly every face: a branch the processor foresees keeps
                // the stores independent of the comparisons.
                if ((a < vertexCount) & (b < vertexCount) & (c < vertexCount)) [[likely]] {
                    if (!CheckFinite || Finite(vertices[a], vertices[b], vertices[c])) {
                        *next++ = {first + a, first + b, first + c};
                    } else {
                        ++notFinite;
                    }
                }
            }
        });
    return static_cast<std::uint32_t>(next - out);
}

// Notes where the mesh's first vertex list and first face list hold their records, and how many.
// Each count is read as the walk passes its list, so that the walk never goes back.
void FindMeshLists(TFileReader& file, TExtent mesh, const std::string& name, TModel& model) {
    bool vertexList = false;
    bool faceList = false;
    TMeshLists lists;
    ForEachChild(file, mesh, [&](std::uint16_t id, TExtent content) {
        if (id == ChunkVertexList && !vertexList) {
            vertexList = true;
            lists.VertexCount = ListCount(file, content, VertexRecordSize);
            lists.Vertices = content.Begin + ListCountSize;
        } else if (id == ChunkFaceList && !faceList) {
            faceList = true;
            lists.FaceCount = ListCount(file, content, FaceRecordSize);
            lists.Faces = content.Begin + ListCountSize;
        }
    });
    if (!vertexList || !faceList) {
        return;
    }
    AddToTotal(model.VertexCount, lists.VertexCount);
    AddToTotal(model.FaceCount, lists.FaceCount);
    model.Meshes.push_back(lists);
    model.Names.push_back(name);
}

void ReadNamedObject(TFileReader& file, TExtent object, TModel& model) {
    std::string name;
    const std::optional<std::int64_t> children = AfterName(file, object, name);
    if (!children) {
        return;
    }
    ForEachChild(file, {*children, object.End}, [&](std::uint16_t id, TExtent content) {
        if (id == ChunkTriangleMesh) {
            FindMeshLists(file, content, name, model);
        }
    });
}

void ReadEditor(TFileReader& file, TExtent editor, TModel& model) {
    ForEachChild(file, editor, [&](std::uint16_t id, TExtent content) {
        if (id == ChunkNamedObject) {
            ReadNamedObject(file, content, model);
        }
    });
}

std::string Latin1BaseName(const std::string& fileName) {
    const std::string base = fileName.substr(fileName.rfind('/') + 1);
    std::string name;
    for (std::size_t at = 0; at < base.size() && name.size() < MaxObjectNameLength;) {
        char32_t code = 0;
        const std::size_t length = Utf8Character(std::string_view(base).substr(at), code);
        name += length > 0 && code <= LastLatin1 ? static_cast<char>(code) : Unknown;
        at += std::max<std::size_t>(length, 1);
    }
    return name;
}

// Reads the records of every mesh straight into the object's arrays, and drops the room left
// by the faces that were not kept. Returns where each mesh went.
std::vector<TMeshPlace> ReadModel(TFileReader& file, const TModel& model, TObject3D& object,
                                  std::int64_t& notFinite) {
    object.VertexCount = static_cast<std::int32_t>(model.VertexCount);
    object.FaceCount = static_cast<std::int32_t>(model.FaceCount);
    // Every vertex is written below, and so is every face that is kept (the array is replaced
    // when some are not), so neither array is filled first.
    object.Vertices.Allocate(object.VertexCount, TOneBasedArray<TPoint3D>::TFill::Unset);
    object.Faces.Allocate(object.FaceCount, TOneBasedArray<TFace3D>::TFill::Unset);
    std::vector<TMeshPlace> places;
    places.reserve(model.Meshes.size());
    std::uint32_t base = 0;
    std::uint32_t kept = 0;
    for (const TMeshLists& mesh : model.Meshes) {
        TPoint3D* const vertices = object.Vertices.begin() + base;
        ReadVertices(file, mesh, vertices);
        TFace3D* const faces = object.Faces.begin() + kept;
        const std::uint32_t read =
            AllFinite(vertices, vertices + mesh.VertexCount)
                ? ReadFaces<false>(file, mesh, base, vertices, faces, notFinite)
                : ReadFaces<true>(file, mesh, base, vertices, faces, notFinite);
        places.push_back({base, mesh.VertexCount, kept, kept + read});
        kept += read;
        base += mesh.VertexCount;
    }
    if (kept < model.FaceCount) {
        TOneBasedArray<TFace3D> faces;
        if (kept > 0) {
            faces.Allocate(static_cast<std::int32_t>(kept), TOneBasedArray<TFace3D>::TFill::Unset);
            std::copy(object.Faces.begin(), object.Faces.begin() + kept, faces.begin());
        }
        object.Faces = std::move(faces);
        object.FaceCount = static_cast<std::int32_t>(kept);
    }
    return places;
}

// The bytes of a chunk's content, or fewer when the file shrank after the walk.
std::vector<std::uint8_t> ReadContent(TFileReader& file, TExtent content) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(content.End - content.Begin));
    file.Seek(content.Begin);
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    return bytes;
}

// Appends, after every stored mesh, each mesh's copies in the order of their placements: the
// mesh's vertices placed, and its kept faces renumbered onto them, less those that use a vertex
// the placement took out of the single range. A copy that would take either count past what the
// record can count is left out.
void AddCopies(const std::vector<TMeshPlace>& places,
               const std::vector<std::vector<TPlacement>>& copies, TObject3D& object) {
    std::size_t vertexCount = static_cast<std::size_t>(object.VertexCount);
    std::size_t faceCount = static_cast<std::size_t>(object.FaceCount);
    std::vector<std::pair<std::size_t, const TPlacement*>> fitting;
    for (std::size_t m = 0; m < places.size(); ++m) {
        const TMeshPlace& place = places[m];
        const std::size_t faces = place.FaceEnd - place.FaceBegin;
        for (const TPlacement& copy : copies[m]) {
            if (faces == 0 || place.VertexCount > MaxModelCount - vertexCount ||
                faces > MaxModelCount - faceCount) {
                continue;
            }
            vertexCount += place.VertexCount;
            faceCount += faces;
            fitting.emplace_back(m, &copy);
        }
    }
    if (fitting.empty()) {
        return;
    }
    TOneBasedArray<TPoint3D> vertices;
    TOneBasedArray<TFace3D> faces;
    vertices.Allocate(static_cast<std::int32_t>(vertexCount),
                      TOneBasedArray<TPoint3D>::TFill::Unset);
    faces.Allocate(static_cast<std::int32_t>(faceCount), TOneBasedArray<TFace3D>::TFill::Unset);
    TPoint3D* nextVertex =
        std::copy(object.Vertices.begin(), object.Vertices.end(), vertices.begin());
    TFace3D* nextFace = std::copy(object.Faces.begin(), object.Faces.end(), faces.begin());
    for (const auto& [m, copy] : fitting) {
        const TMeshPlace& place = places[m];
        const TPoint3D* const from = object.Vertices.begin() + place.VertexBase;
        TPoint3D* const to = nextVertex;
        for (std::uint32_t i = 0; i < place.VertexCount; ++i) {
            *nextVertex++ = PlacePoint(*copy, from[i]);
        }
        const auto shift = static_cast<std::uint32_t>(to - vertices.begin()) - place.VertexBase;
        for (const TFace3D* face = object.Faces.begin() + place.FaceBegin;
             face != object.Faces.begin() + place.FaceEnd; ++face) {
            const TFace3D moved{face->A + shift, face->B + shift, face->C + shift};
            if (Finite(vertices[static_cast<std::int32_t>(moved.A)]) &&
                Finite(vertices[static_cast<std::int32_t>(moved.B)]) &&
                Finite(vertices[static_cast<std::int32_t>(moved.C)])) {
                *nextFace++ = moved;
            }
        }
    }
    const auto kept = static_cast<std::int32_t>(nextFace - faces.begin());
    if (kept < static_cast<std::int32_t>(faceCount)) {
        TOneBasedArray<TFace3D> fewer;
        fewer.Allocate(kept, TOneBasedArray<TFace3D>::TFill::Unset);
        std::copy(faces.begin(), faces.begin() + kept, fewer.begin());
        faces = std::move(fewer);
    }
    object.Vertices = std::move(vertices);
    object.Faces = std::move(faces);
    object.VertexCount = static_cast<std::int32_t>(vertexCount);
    object.FaceCount = kept;
}

} // namespace

namespace {

TModelReading LoadModel(TFileReader& file, const std::string& fileName, TObject3D& object) {
    std::uint16_t id = 0;
    std::int32_t ignoredLength = 0;
    if (!file.ReadUInt16(id) || !file.ReadInt32(ignoredLength) || id != ChunkMain) {
        file.Close();
        return {};
    }
    try {
        TModel model;
        TModelReading reading;
        ForEachChild(file, {ChunkHeaderSize, file.Size()},
                     [&](std::uint16_t child, TExtent content) {
                         if (child == ChunkEditor) {
                             ReadEditor(file, content, model);
                         } else if (child == ChunkKeyframer && !model.Keyframer) {
                             model.Keyframer = content;
                         }
                     });
        const std::vector<TMeshPlace> places =
            ReadModel(file, model, object, reading.FacesNotFinite);
        if (model.Keyframer && !places.empty()) {
            const std::vector<std::uint8_t> keyframer = ReadContent(file, *model.Keyframer);
            AddCopies(places, InstancePlacements(keyframer, model.Names), object);
        }
        file.Close();
        object.Name = Latin1BaseName(fileName);
        AllocObjectArrays(object);
        return reading;
    } catch (const std::bad_alloc&) {
        ClearObject3D(object);
        throw OutOfMemoryError();
    } catch (...) {
        ClearObject3D(object);
        throw;
    }
}

} // namespace

TModelReading Load3DSModel(const std::string& fileName, TObject3D& object) {
    ClearObject3D(object);
    TFileReader file(fileName);
    return LoadModel(file, fileName, object);
}

TModelReading Load3DSModelBytes(std::span<const std::uint8_t> bytes, TObject3D& object,
                                const std::string& fileName) {
    ClearObject3D(object);
    TFileReader file(bytes);
    return LoadModel(file, fileName, object);
}

} // namespace ZuveloGraphLibrary
