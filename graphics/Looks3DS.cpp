#include "Looks3DS.h"

#include <algorithm>
#include <cmath>

namespace ZuveloGraphLibrary::Looks3DS {

using Chunks3DS::ForEachChild;
using Chunks3DS::TExtent;

namespace {

enum : std::uint16_t {
    ChunkMaterialName = 0xA000,
    ChunkAmbient = 0xA010,
    ChunkDiffuse = 0xA020,
    ChunkSpecular = 0xA030,
    ChunkShininess = 0xA040,
    ChunkShininessStrength = 0xA041,
    ChunkTransparency = 0xA050,
    ChunkTwoSided = 0xA081,
    ChunkTextureMap = 0xA200,
    ChunkMapFile = 0xA300,
    ChunkMapTiling = 0xA351,
    ChunkMapUScale = 0xA354,
    ChunkMapVScale = 0xA356,
    ChunkMapUOffset = 0xA358,
    ChunkMapVOffset = 0xA35A,
    ChunkMapRotation = 0xA35C,
    ChunkColorF = 0x0010,
    ChunkColor24 = 0x0011,
    ChunkGammaColor24 = 0x0012,
    ChunkGammaColorF = 0x0013,
    ChunkPercentInt = 0x0030,
    ChunkPercentF = 0x0031,
};

constexpr std::int64_t SingleSize = 4;
constexpr std::int64_t FaceNumberSize = 2;
constexpr std::int64_t MaskSize = 4;
constexpr std::int64_t TexCoordSize = 8;
constexpr float PercentScale = 100;
constexpr float ByteScale = 255;

// The bytes at the start of a chunk's content, when it holds at least `size` of them.
std::optional<std::span<const std::uint8_t>> Head(TFileReader& file, TExtent content,
                                                  std::int64_t size) {
    if (content.Size() < size) {
        return std::nullopt;
    }
    file.Seek(content.Begin);
    const std::span<const std::uint8_t> bytes = file.Peek(std::size_t(size));
    if (bytes.size() < std::size_t(size)) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<float> Single(TFileReader& file, TExtent content) {
    const auto bytes = Head(file, content, SingleSize);
    if (!bytes) {
        return std::nullopt;
    }
    const float value = FloatAt(bytes->data());
    return std::isfinite(value) ? std::optional<float>(value) : std::nullopt;
}

float Unit(float value) {
    return std::clamp(value, 0.0f, 1.0f);
}

// A colour chunk's colour, or nothing when it is cut short or not finite.
std::optional<TColorF> ColourOf(TFileReader& file, std::uint16_t id, TExtent content) {
    if (id == ChunkColorF || id == ChunkGammaColorF) {
        const auto bytes = Head(file, content, 3 * SingleSize);
        if (!bytes) {
            return std::nullopt;
        }
        const float r = FloatAt(bytes->data());
        const float g = FloatAt(bytes->data() + SingleSize);
        const float b = FloatAt(bytes->data() + 2 * SingleSize);
        if (!std::isfinite(r) || !std::isfinite(g) || !std::isfinite(b)) {
            return std::nullopt;
        }
        return TColorF{Unit(r), Unit(g), Unit(b)};
    }
    const auto bytes = Head(file, content, 3);
    if (!bytes) {
        return std::nullopt;
    }
    const std::uint8_t* p = bytes->data();
    return TColorF{p[0] / ByteScale, p[1] / ByteScale, p[2] / ByteScale};
}

// The first plain colour among the chunk's children, else the first gamma-corrected one.
TColorF ReadColour(TFileReader& file, TExtent content, TColorF fallback) {
    std::optional<TColorF> plain;
    std::optional<TColorF> gamma;
    ForEachChild(file, content, [&](std::uint16_t id, TExtent child) {
        if ((id == ChunkColorF || id == ChunkColor24) && !plain) {
            plain = ColourOf(file, id, child);
        } else if ((id == ChunkGammaColorF || id == ChunkGammaColor24) && !gamma) {
            gamma = ColourOf(file, id, child);
        }
    });
    return plain ? *plain : gamma.value_or(fallback);
}

// The first percentage among the chunk's children, from 0 to 1.
float ReadPercentage(TFileReader& file, TExtent content, float fallback) {
    std::optional<float> share;
    ForEachChild(file, content, [&](std::uint16_t id, TExtent child) {
        if (share) {
            return;
        }
        if (id == ChunkPercentInt) {
            if (const auto bytes = Head(file, child, 2)) {
                share = Unit(static_cast<std::int16_t>(UInt16At(bytes->data())) / PercentScale);
            }
        } else if (id == ChunkPercentF) {
            if (const std::optional<float> value = Single(file, child)) {
                share = Unit(*value);
            }
        }
    });
    return share.value_or(fallback);
}

std::optional<TTextureMap> ReadTextureMap(TFileReader& file, TExtent content) {
    TTextureMap map;
    bool named = false;
    map.Share = ReadPercentage(file, content, map.Share);
    ForEachChild(file, content, [&](std::uint16_t id, TExtent child) {
        const auto single = [&](float& value) { value = Single(file, child).value_or(value); };
        switch (id) {
        case ChunkMapFile:
            if (!named) {
                Chunks3DS::ReadText(file, child, map.FileName);
                named = true;
            }
            break;
        case ChunkMapTiling:
            if (const auto bytes = Head(file, child, 2)) {
                map.Tiling = UInt16At(bytes->data());
            }
            break;
        case ChunkMapUScale:
            single(map.UScale);
            break;
        case ChunkMapVScale:
            single(map.VScale);
            break;
        case ChunkMapUOffset:
            single(map.UOffset);
            break;
        case ChunkMapVOffset:
            single(map.VOffset);
            break;
        case ChunkMapRotation:
            single(map.Rotation);
            break;
        default:
            break;
        }
    });
    if (map.FileName.empty()) {
        return std::nullopt;
    }
    return map;
}

} // namespace

void TMaterialLibrary::Read(TFileReader& file, TExtent material) {
    TMaterial m;
    bool named = false;
    ForEachChild(file, material, [&](std::uint16_t id, TExtent content) {
        switch (id) {
        case ChunkMaterialName:
            if (!named) {
                Chunks3DS::ReadText(file, content, m.Name);
                named = true;
            }
            break;
        case ChunkAmbient:
            m.Ambient = ReadColour(file, content, m.Ambient);
            break;
        case ChunkDiffuse:
            m.Diffuse = ReadColour(file, content, m.Diffuse);
            break;
        case ChunkSpecular:
            m.Specular = ReadColour(file, content, m.Specular);
            break;
        case ChunkShininess:
            m.Shininess = ReadPercentage(file, content, m.Shininess);
            break;
        case ChunkShininessStrength:
            m.ShininessStrength = ReadPercentage(file, content, m.ShininessStrength);
            break;
        case ChunkTransparency:
            m.Transparency = ReadPercentage(file, content, m.Transparency);
            break;
        case ChunkTwoSided:
            m.TwoSided = true;
            break;
        case ChunkTextureMap:
            if (!m.Texture) {
                m.Texture = ReadTextureMap(file, content);
            }
            break;
        default:
            break;
        }
    });
    byName_.try_emplace(m.Name, static_cast<std::uint32_t>(Materials.size()));
    Materials.push_back(std::move(m));
}

std::uint32_t TMaterialLibrary::Find(const std::string& name) const {
    const auto found = byName_.find(name);
    return found == byName_.end() ? 0 : found->second;
}

void FindFaceListLooks(TFileReader& file, TExtent faceList, TMeshLooks& mesh) {
    const std::optional<std::uint16_t> count = Chunks3DS::StoredCount(file, faceList);
    if (!count) {
        return;
    }
    const std::int64_t after =
        faceList.Begin + Chunks3DS::ListCountSize + std::int64_t{*count} * FaceRecordSize;
    ForEachChild(file, {after, faceList.End}, [&](std::uint16_t id, TExtent content) {
        if (id == ChunkFaceMaterials) {
            mesh.MaterialLists.push_back(content);
        } else if (id == ChunkSmoothing && !mesh.Smoothing) {
            mesh.Smoothing = content;
        }
    });
}

void ReadFaceMaterials(TFileReader& file, const TMeshLooks& mesh, const TMaterialLibrary& library,
                       std::span<std::uint32_t> faces) {
    for (const TExtent& list : mesh.MaterialLists) {
        std::string name;
        const std::optional<std::int64_t> numbers = Chunks3DS::ReadText(file, list, name);
        if (!numbers) {
            continue;
        }
        const std::uint32_t count =
            Chunks3DS::ListCount(file, {*numbers, list.End}, FaceNumberSize);
        const std::uint32_t material = library.Find(name);
        file.Seek(*numbers + Chunks3DS::ListCountSize);
        Chunks3DS::DecodeRecords<FaceNumberSize>(
            file, count, [&](const std::uint8_t* p, std::uint32_t n) {
                for (std::uint32_t i = 0; i < n; ++i, p += FaceNumberSize) {
                    const std::uint16_t face = UInt16At(p);
                    if (face < faces.size()) {
                        faces[face] = material;
                    }
                }
            });
    }
}

void ReadSmoothing(TFileReader& file, const TMeshLooks& mesh, std::span<std::uint32_t> faces) {
    if (!mesh.Smoothing) {
        return;
    }
    const auto count = static_cast<std::uint32_t>(
        std::min<std::int64_t>(std::int64_t(faces.size()), mesh.Smoothing->Size() / MaskSize));
    std::uint32_t* next = faces.data();
    file.Seek(mesh.Smoothing->Begin);
    Chunks3DS::DecodeRecords<MaskSize>(file, count, [&](const std::uint8_t* p, std::uint32_t n) {
        for (std::uint32_t i = 0; i < n; ++i, p += MaskSize) {
            *next++ = UInt32At(p);
        }
    });
}

void ReadMapping(TFileReader& file, const TMeshLooks& mesh, std::span<TTexCoord> vertices) {
    if (!mesh.Mapping) {
        return;
    }
    const auto count =
        std::min<std::uint32_t>(Chunks3DS::ListCount(file, *mesh.Mapping, TexCoordSize),
                                static_cast<std::uint32_t>(vertices.size()));
    TTexCoord* next = vertices.data();
    file.Seek(mesh.Mapping->Begin + Chunks3DS::ListCountSize);
    Chunks3DS::DecodeRecords<TexCoordSize>(
        file, count, [&](const std::uint8_t* p, std::uint32_t n) {
            for (std::uint32_t i = 0; i < n; ++i, p += TexCoordSize) {
                const float u = FloatAt(p);
                const float v = FloatAt(p + SingleSize);
                *next++ = {std::isfinite(u) ? u : 0, std::isfinite(v) ? v : 0};
            }
        });
}

void ReadFirstMeshLooks(TFileReader& file, std::int64_t vertexList, std::int64_t faceList,
                        const TObject3D& object, TModelLooks& looks) {
    looks = TModelLooks{};
    if (vertexList < 0 && faceList < 0) {
        FinishLooks(object, looks);
        return;
    }
    TMaterialLibrary library;
    std::optional<TExtent> mapping;
    TMeshLooks faceLooks;
    const auto readMesh = [&](TExtent mesh) {
        TMeshLooks lists;
        bool vertices = false;
        bool faces = false;
        ForEachChild(file, mesh, [&](std::uint16_t id, TExtent content) {
            if (id == ChunkVertexList && content.Begin == vertexList) {
                vertices = true;
            } else if (id == ChunkFaceList && content.Begin == faceList) {
                faces = true;
                FindFaceListLooks(file, content, lists);
            } else if (id == ChunkMapping && !lists.Mapping) {
                lists.Mapping = content;
            }
        });
        if (vertices) {
            mapping = lists.Mapping;
        }
        if (faces) {
            faceLooks.MaterialLists = std::move(lists.MaterialLists);
            faceLooks.Smoothing = lists.Smoothing;
        }
    };
    const auto readObject = [&](TExtent named) {
        std::string name;
        const std::optional<std::int64_t> children = Chunks3DS::ReadText(file, named, name);
        if (children) {
            ForEachChild(file, {*children, named.End}, [&](std::uint16_t id, TExtent content) {
                if (id == ChunkTriangleMesh) {
                    readMesh(content);
                }
            });
        }
    };
    ForEachChild(file, {ChunkHeaderSize, file.Size()}, [&](std::uint16_t id, TExtent content) {
        if (id != ChunkEditor) {
            return;
        }
        ForEachChild(file, content, [&](std::uint16_t child, TExtent inner) {
            if (child == ChunkMaterial) {
                library.Read(file, inner);
            } else if (child == ChunkNamedObject) {
                readObject(inner);
            }
        });
    });
    const auto faces = static_cast<std::size_t>(std::max(object.FaceCount, 0));
    if (!faceLooks.MaterialLists.empty()) {
        looks.FaceMaterials.assign(faces, 0);
        ReadFaceMaterials(file, faceLooks, library, looks.FaceMaterials);
    }
    if (faceLooks.Smoothing) {
        looks.FaceSmoothing.assign(faces, 0);
        ReadSmoothing(file, faceLooks, looks.FaceSmoothing);
    }
    if (mapping) {
        looks.Mapping.assign(static_cast<std::size_t>(std::max(object.VertexCount, 0)), {});
        ReadMapping(file, TMeshLooks{mapping, {}, {}}, looks.Mapping);
    }
    looks.Materials = std::move(library.Materials);
    FinishLooks(object, looks);
}

} // namespace ZuveloGraphLibrary::Looks3DS
