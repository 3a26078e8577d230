#include "Import3DSModel.h"

#include "Chunks3DS.h"
#include "FileReader.h"
#include "Import3DS.h"
#include "Keyframer.h"
#include "Looks3DS.h"
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

using Chunks3DS::DecodeRecords;
using Chunks3DS::ForEachChild;
using Chunks3DS::ListCount;
using Chunks3DS::ListCountSize;
using Chunks3DS::TExtent;

// The record counts vertices and faces in signed 32 bits.
constexpr std::size_t MaxModelCount = std::numeric_limits<std::int32_t>::max();
constexpr char Unknown = '?';
constexpr char32_t LastLatin1 = 0xFF;
constexpr std::size_t CopyPiece = 64;

// Where a mesh's records start and how many whole ones there are.
struct TMeshLists {
    std::int64_t Vertices = 0;
    std::uint32_t VertexCount = 0;
    std::int64_t Faces = 0;
    std::uint32_t FaceCount = 0;
    Looks3DS::TMeshLooks Looks;
};

// The meshes found by the walk, with the names of their objects, and their totals; and where the
// first keyframer chunk lies, if there is one.
struct TModel {
    std::vector<TMeshLists> Meshes;
    std::vector<std::string> Names;
    std::size_t VertexCount = 0;
    std::size_t FaceCount = 0;
    std::optional<TExtent> Keyframer;
    bool WithLooks = false; // whether the materials and the meshes' looks are wanted
    Looks3DS::TMaterialLibrary Library;
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

bool AllFinite(const TPoint3D* begin, const TPoint3D* end) {
    bool finite = true;
    for (const TPoint3D* p = begin; p != end; ++p) {
        finite = static_cast<bool>(int{finite} & int{Finite(*p)});
    }
    return finite;
}

// Whether a face of the mesh's list (numbers from 0) is kept: its numbers lie below the mesh's
// vertex count and its vertices are finite.
bool KeptFace(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t vertexCount,
              const TPoint3D* vertices) {
    return a < vertexCount && b < vertexCount && c < vertexCount && Finite(vertices[a]) &&
           Finite(vertices[b]) && Finite(vertices[c]);
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
                if (static_cast<bool>(int{a < vertexCount} & int{b < vertexCount} &
                                      int{c < vertexCount})) [[likely]] {
                    if (!CheckFinite || KeptFace(a, b, c, vertexCount, vertices)) {
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
            if (model.WithLooks) {
                Looks3DS::FindFaceListLooks(file, content, lists.Looks);
            }
        } else if (id == Looks3DS::ChunkMapping && !lists.Looks.Mapping) {
            lists.Looks.Mapping = content;
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
    const std::optional<std::int64_t> children = Chunks3DS::ReadText(file, object, name);
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
        } else if (id == Looks3DS::ChunkMaterial && model.WithLooks) {
            model.Library.Read(file, content);
        }
    });
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

// The numbers (from 0 in its list) of the mesh's faces that the record kept.
std::vector<std::uint32_t> KeptFaceNumbers(TFileReader& file, const TMeshLists& mesh,
                                           const TPoint3D* vertices) {
    std::vector<std::uint32_t> kept;
    std::uint32_t number = 0;
    file.Seek(mesh.Faces);
    DecodeRecords<FaceRecordSize>(
        file, mesh.FaceCount, [&](const std::uint8_t* p, std::uint32_t n) {
            for (const std::uint8_t* const end = p + n * FaceRecordSize; p != end;
                 p += FaceRecordSize, ++number) {
                if (KeptFace(UInt16At(p), UInt16At(p + 2), UInt16At(p + 4), mesh.VertexCount,
                             vertices)) {
                    kept.push_back(number);
                }
            }
        });
    return kept;
}

// The looks of the stored meshes, for the faces and vertices the record kept of each, with the
// file's materials; per-face and per-vertex lists only where some mesh has them.
void ReadModelLooks(TFileReader& file, TModel& model, const std::vector<TMeshPlace>& places,
                    const TObject3D& object, TModelLooks& looks) {
    looks = TModelLooks{};
    bool materials = false;
    bool smoothing = false;
    bool mapping = false;
    for (const TMeshLists& mesh : model.Meshes) {
        materials = materials || !mesh.Looks.MaterialLists.empty();
        smoothing = smoothing || mesh.Looks.Smoothing.has_value();
        mapping = mapping || mesh.Looks.Mapping.has_value();
    }
    if (materials) {
        looks.FaceMaterials.assign(static_cast<std::size_t>(object.FaceCount), 0);
    }
    if (smoothing) {
        looks.FaceSmoothing.assign(static_cast<std::size_t>(object.FaceCount), 0);
    }
    if (mapping) {
        looks.Mapping.assign(static_cast<std::size_t>(object.VertexCount), {});
    }
    std::vector<std::uint32_t> perFace;
    std::vector<std::uint32_t> kept;
    for (std::size_t m = 0; m < model.Meshes.size(); ++m) {
        const TMeshLists& mesh = model.Meshes[m];
        const TMeshPlace& place = places[m];
        if (mapping) {
            Looks3DS::ReadMapping(
                file, mesh.Looks,
                std::span(looks.Mapping).subspan(place.VertexBase, place.VertexCount));
        }
        const bool allKept = place.FaceEnd - place.FaceBegin == mesh.FaceCount;
        if ((mesh.Looks.MaterialLists.empty() && !mesh.Looks.Smoothing) || allKept) {
            kept.clear();
        } else {
            kept = KeptFaceNumbers(file, mesh, object.Vertices.begin() + place.VertexBase);
        }
        // Spreads the values read for the list's faces over the faces kept of them.
        const auto spread = [&](std::vector<std::uint32_t>& to) {
            const std::size_t count =
                allKept ? mesh.FaceCount
                        : std::min<std::size_t>(kept.size(), place.FaceEnd - place.FaceBegin);
            for (std::size_t j = 0; j < count; ++j) {
                to[place.FaceBegin + j] = perFace[allKept ? j : kept[j]];
            }
        };
        if (!mesh.Looks.MaterialLists.empty()) {
            perFace.assign(mesh.FaceCount, 0);
            Looks3DS::ReadFaceMaterials(file, mesh.Looks, model.Library, perFace);
            spread(looks.FaceMaterials);
        }
        if (mesh.Looks.Smoothing) {
            perFace.assign(mesh.FaceCount, 0);
            Looks3DS::ReadSmoothing(file, mesh.Looks, perFace);
            spread(looks.FaceSmoothing);
        }
    }
    looks.Materials = std::move(model.Library.Materials);
}

// Appends, after every stored mesh, each mesh's copies in the order of their placements: the
// mesh's vertices placed, and its kept faces renumbered onto them, less those that use a vertex
// the placement took out of the single range. A copy that would take either count past what the
// record can count is left out. A copy's faces and vertices look as its mesh's do. Returns how
// many copies were added.
std::int64_t AddCopies(const std::vector<TMeshPlace>& places,
                       const std::vector<std::vector<TPlacement>>& copies,
                       const std::vector<std::string>& names, TObject3D& object,
                       TModelLooks* looks) {
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
        return 0;
    }
    TOneBasedArray<TPoint3D> vertices;
    TOneBasedArray<TFace3D> faces;
    vertices.Allocate(static_cast<std::int32_t>(vertexCount),
                      TOneBasedArray<TPoint3D>::TFill::Unset);
    faces.Allocate(static_cast<std::int32_t>(faceCount), TOneBasedArray<TFace3D>::TFill::Unset);
    TPoint3D* nextVertex =
        std::copy(object.Vertices.begin(), object.Vertices.end(), vertices.begin());
    TFace3D* nextFace = std::copy(object.Faces.begin(), object.Faces.end(), faces.begin());
    std::vector<std::uint32_t> noValues;
    std::vector<TTexCoord> noMapping;
    std::vector<std::uint32_t>& materials = looks != nullptr ? looks->FaceMaterials : noValues;
    std::vector<std::uint32_t>& smoothing = looks != nullptr ? looks->FaceSmoothing : noValues;
    std::vector<TTexCoord>& mapping = looks != nullptr ? looks->Mapping : noMapping;
    for (const auto& [m, copy] : fitting) {
        const TMeshPlace& place = places[m];
        const TPoint3D* const from = object.Vertices.begin() + place.VertexBase;
        TPoint3D* const to = nextVertex;
        for (std::uint32_t i = 0; i < place.VertexCount; ++i) {
            *nextVertex++ = PlacePoint(*copy, from[i]);
        }
        if (!mapping.empty()) {
            mapping.reserve(vertexCount);
            for (std::uint32_t i = 0; i < place.VertexCount; ++i) {
                const TTexCoord at = mapping[place.VertexBase + i];
                mapping.push_back(at);
            }
        }
        const auto shift = static_cast<std::uint32_t>(to - vertices.begin()) - place.VertexBase;
        const auto firstFace = static_cast<std::uint32_t>(nextFace - faces.begin());
        for (std::uint32_t i = place.FaceBegin; i != place.FaceEnd; ++i) {
            const TFace3D& face = object.Faces.begin()[i];
            const TFace3D moved{face.A + shift, face.B + shift, face.C + shift};
            if (Finite(vertices[static_cast<std::int32_t>(moved.A)]) &&
                Finite(vertices[static_cast<std::int32_t>(moved.B)]) &&
                Finite(vertices[static_cast<std::int32_t>(moved.C)])) {
                *nextFace++ = moved;
                for (std::vector<std::uint32_t>* values : {&materials, &smoothing}) {
                    if (!values->empty()) {
                        const std::uint32_t value = (*values)[i];
                        values->push_back(value);
                    }
                }
            }
        }
        if (looks != nullptr) {
            looks->Meshes.push_back(
                {names[m], firstFace,
                 static_cast<std::uint32_t>(nextFace - faces.begin()) - firstFace});
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
    return std::int64_t(fitting.size());
}

} // namespace

namespace {

TModelReading LoadModel(TFileReader& file, const std::string& fileName, TObject3D& object,
                        TModelLooks* looks) {
    std::uint16_t id = 0;
    std::int32_t mainLength = 0; // its children run to the end of the file whatever it says
    if (!file.ReadUInt16(id) || !file.ReadInt32(mainLength) || id != ChunkMain) {
        file.Close();
        if (looks != nullptr) {
            *looks = TModelLooks{};
            FinishLooks(object, *looks);
        }
        return {};
    }
    try {
        TModel model;
        model.WithLooks = looks != nullptr;
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
        if (looks != nullptr) {
            ReadModelLooks(file, model, places, object, *looks);
        }
        reading.Meshes = std::int64_t(places.size());
        if (looks != nullptr) {
            for (std::size_t m = 0; m < places.size(); ++m) {
                looks->Meshes.push_back(
                    {model.Names[m], places[m].FaceBegin, places[m].FaceEnd - places[m].FaceBegin});
            }
        }
        if (model.Keyframer && !places.empty()) {
            const std::vector<std::uint8_t> keyframer = ReadContent(file, *model.Keyframer);
            reading.Meshes += AddCopies(places, InstancePlacements(keyframer, model.Names),
                                        model.Names, object, looks);
        }
        // A file cut short reads as far as it goes; the bytes it lacks are told.
        const std::int64_t missing = std::int64_t(std::uint32_t(mainLength)) - file.Size();
        if (looks != nullptr && missing > 0) {
            looks->Notes.push_back({TLooksNote::TKind::PartSkipped,
                                    std::to_string(missing) + (missing == 1 ? " byte" : " bytes") +
                                        " that the main chunk names past the end of the file"});
        }
        file.Close();
        object.Name = ModelName(fileName);
        AllocObjectArrays(object);
        if (looks != nullptr) {
            FinishLooks(object, *looks);
        }
        return reading;
    } catch (const std::bad_alloc&) {
        ClearObject3D(object);
        if (looks != nullptr) {
            *looks = TModelLooks{};
        }
        throw OutOfMemoryError();
    } catch (...) {
        ClearObject3D(object);
        if (looks != nullptr) {
            *looks = TModelLooks{};
        }
        throw;
    }
}

} // namespace

std::string ModelName(const std::string& fileName) {
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

TModelReading Load3DSModel(const std::string& fileName, TObject3D& object) {
    ClearObject3D(object);
    TFileReader file(fileName);
    return LoadModel(file, fileName, object, nullptr);
}

TModelReading Load3DSModelBytes(std::span<const std::uint8_t> bytes, TObject3D& object,
                                const std::string& fileName) {
    ClearObject3D(object);
    TFileReader file(bytes);
    return LoadModel(file, fileName, object, nullptr);
}

TModelReading Load3DSModelWithLooks(const std::string& fileName, TObject3D& object,
                                    TModelLooks& looks) {
    ClearObject3D(object);
    TFileReader file(fileName);
    return LoadModel(file, fileName, object, &looks);
}

TModelReading Load3DSModelBytesWithLooks(std::span<const std::uint8_t> bytes, TObject3D& object,
                                         TModelLooks& looks, const std::string& fileName) {
    ClearObject3D(object);
    TFileReader file(bytes);
    return LoadModel(file, fileName, object, &looks);
}

} // namespace ZuveloGraphLibrary
