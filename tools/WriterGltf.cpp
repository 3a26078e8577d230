#include "WriterGltf.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <utility>

namespace Plexa3DTools {

namespace {

using Json = nlohmann::json;

void Append32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(std::uint8_t(value >> (8 * i)));
    }
}

std::vector<std::uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

// glTF's axes (Y up) from ours (Z up).
std::array<float, 3> ToGltf(const std::array<float, 3>& p) {
    return {p[0], p[2], -p[1]};
}

std::size_t PositionAccessor(TGltfDocument& document,
                             const std::vector<std::array<float, 3>>& points) {
    std::vector<float> values;
    values.reserve(points.size() * 3);
    std::array<float, 3> low{0, 0, 0}, high{0, 0, 0};
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::array<float, 3> p = ToGltf(points[i]);
        for (std::size_t k = 0; k < 3; ++k) {
            values.push_back(p[k]);
            low[k] = i == 0 ? p[k] : std::min(low[k], p[k]);
            high[k] = i == 0 ? p[k] : std::max(high[k], p[k]);
        }
    }
    const std::size_t accessor =
        document.AddAccessor(document.AddView(RawBytes(values)), GltfFloat, "VEC3", points.size());
    if (!points.empty() &&
        std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); })) {
        document.Json["accessors"][accessor]["min"] = low;
        document.Json["accessors"][accessor]["max"] = high;
    }
    return accessor;
}

std::size_t FloatAccessor(TGltfDocument& document, const std::vector<float>& values,
                          std::size_t components, const char* type) {
    return document.AddAccessor(document.AddView(RawBytes(values)), GltfFloat, type,
                                values.size() / components);
}

std::size_t IndexAccessor(TGltfDocument& document, const std::vector<std::uint32_t>& indices,
                          std::uint32_t type) {
    std::vector<std::uint8_t> bytes;
    if (type == GltfUnsignedByte) {
        for (const std::uint32_t i : indices) {
            bytes.push_back(std::uint8_t(i));
        }
    } else if (type == GltfUnsignedShort) {
        std::vector<std::uint16_t> shorts(indices.begin(), indices.end());
        bytes = RawBytes(shorts);
    } else {
        bytes = RawBytes(indices);
    }
    return document.AddAccessor(document.AddView(bytes), type, "SCALAR", indices.size());
}

// Unit normals of the vertices from the faces about them (glTF's axes), (0, 1, 0) where none.
std::vector<float> VertexNormals(const std::vector<std::array<float, 3>>& vertices,
                                 const std::vector<std::array<std::uint32_t, 3>>& faces) {
    std::vector<double> sums(vertices.size() * 3, 0.0);
    for (const auto& f : faces) {
        if (f[0] >= vertices.size() || f[1] >= vertices.size() || f[2] >= vertices.size()) {
            continue;
        }
        const auto a = ToGltf(vertices[f[0]]), b = ToGltf(vertices[f[1]]),
                   c = ToGltf(vertices[f[2]]);
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        for (const std::uint32_t corner : f) {
            for (std::size_t k = 0; k < 3; ++k) {
                sums[corner * 3 + k] += n[k];
            }
        }
    }
    std::vector<float> normals(sums.size());
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const double length =
            std::sqrt(sums[3 * i] * sums[3 * i] + sums[3 * i + 1] * sums[3 * i + 1] +
                      sums[3 * i + 2] * sums[3 * i + 2]);
        for (std::size_t k = 0; k < 3; ++k) {
            normals[3 * i + k] = length > 0 && std::isfinite(length)
                                     ? float(sums[3 * i + k] / length)
                                     : (k == 1 ? 1.0f : 0.0f);
        }
    }
    return normals;
}

std::vector<float> GltfMapping(const std::vector<std::array<float, 2>>& mapping) {
    std::vector<float> values;
    values.reserve(mapping.size() * 2);
    for (const auto& m : mapping) {
        values.push_back(m[0]);
        values.push_back(1 - m[1]);
    }
    return values;
}

Json MeshJson(TGltfDocument& document, const TGltfMeshSpec& mesh, const TGltfOptions& options) {
    const auto material = [&](std::size_t face) {
        return face < mesh.FaceMaterials.size() ? mesh.FaceMaterials[face] : 0;
    };
    const auto smooth = [&](std::size_t face) {
        return face < mesh.Smoothing.size() && mesh.Smoothing[face] != 0;
    };
    // The primitives: faces grouped by material and flatness, in order of their first faces.
    std::vector<std::pair<std::uint32_t, bool>> groups;
    std::map<std::pair<std::uint32_t, bool>, std::vector<std::uint32_t>> facesOf;
    for (std::size_t f = 0; f < mesh.Faces.size(); ++f) {
        const auto key = std::make_pair(material(f), smooth(f));
        if (facesOf.find(key) == facesOf.end()) {
            groups.push_back(key);
        }
        facesOf[key].push_back(std::uint32_t(f));
    }
    const bool anySmooth =
        std::any_of(groups.begin(), groups.end(), [](const auto& g) { return g.second; });
    const bool mapped = !mesh.Mapping.empty();
    Json shared = Json::object();
    if (options.IndexType != 0) {
        shared["POSITION"] = PositionAccessor(document, mesh.Vertices);
        if (anySmooth) {
            shared["NORMAL"] =
                FloatAccessor(document, VertexNormals(mesh.Vertices, mesh.Faces), 3, "VEC3");
        }
        if (mapped) {
            shared["TEXCOORD_0"] = FloatAccessor(document, GltfMapping(mesh.Mapping), 2, "VEC2");
        }
    }
    Json primitives = Json::array();
    for (const auto& group : groups) {
        Json primitive;
        const std::vector<std::uint32_t>& faces = facesOf[group];
        if (options.IndexType != 0) {
            std::vector<std::uint32_t> indices;
            for (const std::uint32_t f : faces) {
                indices.insert(indices.end(), mesh.Faces[f].begin(), mesh.Faces[f].end());
            }
            primitive["attributes"] = shared;
            if (!group.second) {
                primitive["attributes"].erase("NORMAL");
            }
            primitive["indices"] = IndexAccessor(document, indices, options.IndexType);
        } else {
            std::vector<std::array<float, 3>> corners;
            std::vector<std::array<float, 2>> mapping;
            std::vector<std::array<std::uint32_t, 3>> own;
            for (const std::uint32_t f : faces) {
                const std::uint32_t first = std::uint32_t(corners.size());
                for (const std::uint32_t v : mesh.Faces[f]) {
                    corners.push_back(v < mesh.Vertices.size() ? mesh.Vertices[v]
                                                               : std::array<float, 3>{});
                    if (mapped) {
                        mapping.push_back(v < mesh.Mapping.size() ? mesh.Mapping[v]
                                                                  : std::array<float, 2>{});
                    }
                }
                own.push_back({first, first + 1, first + 2});
            }
            primitive["attributes"]["POSITION"] = PositionAccessor(document, corners);
            if (group.second) {
                primitive["attributes"]["NORMAL"] =
                    FloatAccessor(document, VertexNormals(corners, own), 3, "VEC3");
            }
            if (mapped) {
                primitive["attributes"]["TEXCOORD_0"] =
                    FloatAccessor(document, GltfMapping(mapping), 2, "VEC2");
            }
        }
        if (group.first != 0) {
            primitive["material"] = group.first - 1;
        }
        primitives.push_back(primitive);
    }
    Json json;
    json["primitives"] = primitives;
    if (!mesh.Name.empty()) {
        json["name"] = mesh.Name;
    }
    return json;
}

} // namespace

std::size_t TGltfDocument::AddView(const std::vector<std::uint8_t>& bytes,
                                   std::optional<std::size_t> stride) {
    while (Buffer.size() % 4 != 0) {
        Buffer.push_back(0);
    }
    nlohmann::json view;
    view["buffer"] = 0;
    view["byteOffset"] = Buffer.size();
    view["byteLength"] = bytes.size();
    if (stride) {
        view["byteStride"] = *stride;
    }
    Buffer.insert(Buffer.end(), bytes.begin(), bytes.end());
    Json["bufferViews"].push_back(view);
    Json["buffers"][0]["byteLength"] = Buffer.size();
    return Json["bufferViews"].size() - 1;
}

std::size_t TGltfDocument::AddAccessor(std::size_t view, std::uint32_t componentType,
                                       const std::string& type, std::size_t count,
                                       std::size_t byteOffset) {
    nlohmann::json accessor;
    accessor["bufferView"] = view;
    accessor["componentType"] = componentType;
    accessor["type"] = type;
    accessor["count"] = count;
    if (byteOffset != 0) {
        accessor["byteOffset"] = byteOffset;
    }
    Json["accessors"].push_back(accessor);
    return Json["accessors"].size() - 1;
}

TGltfDocument GltfDocument(const std::vector<TGltfMeshSpec>& meshes,
                           const std::vector<std::string>& materials, const TGltfOptions& options) {
    TGltfDocument document;
    Json& json = document.Json;
    json["asset"] = {{"version", "2.0"}, {"generator", "Plexa3D test writer"}};
    json["scene"] = 0;
    json["scenes"] = Json::array({Json::object({{"nodes", Json::array()}})});
    json["buffers"] = Json::array({Json::object({{"byteLength", 0}})});
    json["bufferViews"] = Json::array();
    json["accessors"] = Json::array();
    json["meshes"] = Json::array();
    json["nodes"] = Json::array();
    for (const TGltfMeshSpec& mesh : meshes) {
        json["meshes"].push_back(MeshJson(document, mesh, options));
        Json node;
        node["mesh"] = json["meshes"].size() - 1;
        if (!mesh.Name.empty()) {
            node["name"] = mesh.Name;
        }
        json["nodes"].push_back(node);
        json["scenes"][0]["nodes"].push_back(json["nodes"].size() - 1);
    }
    if (!materials.empty()) {
        json["materials"] = Json::array();
        for (const std::string& name : materials) {
            json["materials"].push_back({{"name", name}});
        }
    }
    return document;
}

TGltfDocument GltfDocument(const std::vector<TMeshSpec>& meshes, const TGltfOptions& options) {
    std::vector<std::string> materials;
    std::vector<TGltfMeshSpec> specs;
    for (const TMeshSpec& mesh : meshes) {
        TGltfMeshSpec gltfMesh{mesh.Name, mesh.Vertices, {}, mesh.Mapping, {}, mesh.Smoothing};
        for (const auto& f : mesh.Faces) {
            gltfMesh.Faces.push_back({f[0], f[1], f[2]});
        }
        for (const TFaceMaterialSpec& list : mesh.Materials) {
            auto found = std::find(materials.begin(), materials.end(), list.Material);
            if (found == materials.end()) {
                materials.push_back(list.Material);
                found = materials.end() - 1;
            }
            const auto number = std::uint32_t(found - materials.begin() + 1);
            for (const std::uint16_t face : list.Faces) {
                if (face < gltfMesh.Faces.size()) {
                    gltfMesh.FaceMaterials.resize(gltfMesh.Faces.size(), 0);
                    gltfMesh.FaceMaterials[face] = number;
                }
            }
        }
        specs.push_back(std::move(gltfMesh));
    }
    return GltfDocument(specs, materials, options);
}

std::vector<std::uint8_t> GlbBytes(const std::vector<TGlbChunk>& chunks, std::uint32_t version,
                                   std::optional<std::uint32_t> length) {
    std::vector<std::uint8_t> bytes = Text("glTF");
    Append32(bytes, version);
    Append32(bytes, 0);
    for (const TGlbChunk& chunk : chunks) {
        Append32(bytes, chunk.Length.value_or(std::uint32_t(chunk.Bytes.size())));
        Append32(bytes, chunk.Type);
        bytes.insert(bytes.end(), chunk.Bytes.begin(), chunk.Bytes.end());
    }
    const std::uint32_t total = length.value_or(std::uint32_t(bytes.size()));
    for (int i = 0; i < 4; ++i) {
        bytes[std::size_t(8 + i)] = std::uint8_t(total >> (8 * i));
    }
    return bytes;
}

std::vector<std::uint8_t> GlbFile(const TGltfDocument& document) {
    std::vector<std::uint8_t> json = Text(document.Json.dump());
    while (json.size() % 4 != 0) {
        json.push_back(' ');
    }
    std::vector<TGlbChunk> chunks{{GlbChunkJson, json}};
    if (!document.Buffer.empty()) {
        std::vector<std::uint8_t> bin = document.Buffer;
        while (bin.size() % 4 != 0) {
            bin.push_back(0);
        }
        chunks.push_back({GlbChunkBin, bin});
    }
    return GlbBytes(chunks);
}

std::vector<std::uint8_t> GltfFile(const TGltfDocument& document, const std::string& bufferUri) {
    Json json = document.Json;
    json["buffers"][0]["uri"] = bufferUri;
    return Text(json.dump(1));
}

std::vector<std::uint8_t> GltfEmbeddedFile(const TGltfDocument& document,
                                           const std::string& mediaType) {
    return GltfFile(document, "data:" + mediaType + ";base64," + Base64(document.Buffer));
}

std::vector<std::uint8_t> GltfMeshFile(const std::vector<TMeshSpec>& meshes) {
    return GlbFile(GltfDocument(meshes));
}

std::string Base64(const std::vector<std::uint8_t>& bytes) {
    static constexpr char Digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t n = std::uint32_t(bytes[i]) << 16 |
                                (i + 1 < bytes.size() ? std::uint32_t(bytes[i + 1]) << 8 : 0) |
                                (i + 2 < bytes.size() ? std::uint32_t(bytes[i + 2]) : 0);
        text.push_back(Digits[(n >> 18) & 63]);
        text.push_back(Digits[(n >> 12) & 63]);
        text.push_back(i + 1 < bytes.size() ? Digits[(n >> 6) & 63] : '=');
        text.push_back(i + 2 < bytes.size() ? Digits[n & 63] : '=');
    }
    return text;
}

} // namespace Plexa3DTools
