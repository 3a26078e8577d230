// The glTF 2.0 writer of the export (ExportModel.h): one buffer, a view of it for each attribute
// and index list of each primitive (and each image in .glb), a node for each mesh.
#include "ExportWriters.h"

#include "GraphErrors.h"
#include "Utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>

namespace Plexa3DFormats::Detail {

using namespace ZuveloGraphLibrary;
using nlohmann::json;

namespace {

enum : int {
    ComponentUnsignedShort = 5123,
    ComponentUnsignedInt = 5125,
    ComponentFloat = 5126,
    TargetArrayBuffer = 34962,
    TargetElementArrayBuffer = 34963,
    ModeTriangles = 4,
    WrapRepeat = 10497,
    WrapMirror = 33648,
    WrapClamp = 33071,
    FilterLinear = 9729,
    FilterLinearMipmapLinear = 9987,
};
constexpr std::uint32_t GlbMagic = 0x46546C67; // "glTF"
constexpr std::uint32_t GlbVersion = 2;
constexpr std::uint32_t ChunkJson = 0x4E4F534A;
constexpr std::uint32_t ChunkBin = 0x004E4942;
constexpr std::size_t Alignment = 4;
const char* const TextureTransform = "KHR_texture_transform";

// Whether `text` is UTF-8 as JSON takes it: no overlong forms, surrogates or code points past
// U+10FFFF.
bool IsUtf8(std::string_view text) {
    char32_t code = 0;
    for (std::size_t length = 0; !text.empty(); text.remove_prefix(length)) {
        length = Utf8Character(text, code);
        if (length == 0) {
            return false;
        }
    }
    return true;
}

// A name as glTF holds it, in UTF-8. Old models name things in a one-byte code page: a name that
// is not UTF-8 is taken as Latin-1, so that "Sedia \xE8" becomes "Sedia \u00E8".
std::string Utf8Name(const std::string& name) {
    if (IsUtf8(name)) {
        return name;
    }
    std::string text;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += char(0xC0 | byte >> 6);
            text += char(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

// glTF's axes: its Y up, from the model's Z up.
TPoint3D YUp(const TPoint3D& p) {
    return {p.X, p.Z, -p.Y};
}

// glTF's colour factors are linear; the model's colours are display colours (sRGB).
double Linear(float display) {
    const double c = std::clamp(double(display), 0.0, 1.0);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The one buffer, view by view, each view four-aligned. The views are kept as they are made,
// referred to where the model holds them, or made as the file is written from the model, and only
// put together then.
class TBuffer {
public:
    // A view of `size` bytes that `make` hands on when the file is written; the model it reads
    // must outlive the writing.
    std::size_t Made(std::size_t size, std::function<void(const TEmit&)> make, json& views,
                     int target) {
        makers_.push_back(std::move(make));
        return View({nullptr, size, makers_.size()}, views, target);
    }
    // A view made for the buffer, kept by it.
    template <class T> std::size_t Add(std::vector<T>&& values, json& views, int target) {
        auto kept = std::make_shared<const std::vector<T>>(std::move(values));
        const auto* data = reinterpret_cast<const std::uint8_t*>(kept->data());
        const std::size_t size = kept->size() * sizeof(T);
        kept_.push_back(std::move(kept));
        return View({data, size}, views, target);
    }
    // A view of values that outlive the writing of the file.
    template <class T> std::size_t Refer(const std::vector<T>& values, json& views, int target) {
        return View(
            {reinterpret_cast<const std::uint8_t*>(values.data()), values.size() * sizeof(T)},
            views, target);
    }
    std::size_t AddBytes(const std::uint8_t* data, std::size_t size, json& views, int target) {
        return Add(std::vector<std::uint8_t>(data, data + size), views, target);
    }
    std::size_t Size() const { return size_; }
    // Hands on the views with the padding between them, then `endPadding` zero bytes.
    void Emit(const TEmit& emit, std::size_t endPadding) const {
        for (const TPiece& piece : pieces_) {
            if (piece.Maker == 0) {
                emit({reinterpret_cast<const char*>(piece.Data), piece.Size});
            } else {
                makers_[piece.Maker - 1](emit);
            }
        }
        emit({reinterpret_cast<const char*>(Zeros), endPadding});
    }

private:
    // A view, or the padding after one: its bytes, or the number (from 1) of its maker.
    struct TPiece {
        const std::uint8_t* Data = nullptr;
        std::size_t Size = 0;
        std::size_t Maker = 0;
    };
    static constexpr std::uint8_t Zeros[Alignment] = {};

    std::size_t View(const TPiece& piece, json& views, int target) {
        if (size_ % Alignment != 0) {
            pieces_.push_back({Zeros, Alignment - size_ % Alignment});
            size_ += Alignment - size_ % Alignment;
        }
        json view = {{"buffer", 0}, {"byteOffset", size_}, {"byteLength", piece.Size}};
        if (target != 0) {
            view["target"] = target;
        }
        pieces_.push_back(piece);
        size_ += piece.Size;
        views.push_back(view);
        return views.size() - 1;
    }

    std::vector<std::shared_ptr<const void>> kept_;
    std::vector<std::function<void(const TEmit&)>> makers_;
    std::vector<TPiece> pieces_;
    std::size_t size_ = 0;
};

// The texture map's placement as KHR_texture_transform states it, for glTF's coordinates (t
// downward) of the coordinates written; nothing when the map does not move the image.
std::optional<json> Transform(const TTextureMap& map) {
    if (map.UScale == 1 && map.VScale == 1 && map.UOffset == 0 && map.VOffset == 0 &&
        map.Rotation == 0) {
        return std::nullopt;
    }
    const double turn = map.Rotation * std::numbers::pi / DegreesPerHalfTurn;
    const double c = std::cos(turn), s = std::sin(turn);
    const double su = map.UScale, sv = map.VScale;
    json transform = {{"offset",
                       {-c * su / 2 - s * sv / 2 + 0.5 - map.UOffset,
                        s * su / 2 - c * sv / 2 + 0.5 + map.VOffset}},
                      {"scale", {su, sv}}};
    if (turn != 0) {
        transform["rotation"] = turn;
    }
    return transform;
}

} // namespace

std::vector<TOutputFile> WriteGltf(const TExportModel& model, const TModelLooks& looks,
                                   const std::string& output, bool binary,
                                   const TExportImages& images, TExportReport& report) {
    std::vector<TOutputFile> files(1);
    files[0].Path = output;
    const std::string folder = FolderOf(output);
    TBuffer buffer;
    json views = json::array(), accessors = json::array(), meshes = json::array(),
         nodes = json::array(), materials = json::array(), textures = json::array(),
         imagesJson = json::array(), samplers = json::array();
    bool transformed = false;
    std::vector<std::int64_t> materialIndex(looks.Materials.size(), -1);
    // Image key, its number; none for an image not found, which is told once.
    std::vector<std::pair<std::string, std::optional<std::size_t>>> imageIndex;
    TImageFiles named;

    // A material when a primitive first uses it.
    const auto materialOf = [&](std::uint32_t m) -> std::size_t {
        if (materialIndex[m] >= 0) {
            return std::size_t(materialIndex[m]);
        }
        const TMaterial& source = looks.Materials[m];
        json pbr = {{"baseColorFactor",
                     {Linear(source.Diffuse.R), Linear(source.Diffuse.G), Linear(source.Diffuse.B),
                      1 - source.Transparency}},
                    {"metallicFactor", 0},
                    {"roughnessFactor", std::clamp(1.0f - source.Shininess, 0.0f, 1.0f)}};
        json material = {
            {"name", source.Name.empty() && m == 0 ? "default" : Utf8Name(source.Name)},
            {"pbrMetallicRoughness", pbr}};
        if (source.Transparency > 0) {
            material["alphaMode"] = "BLEND";
        }
        if (source.TwoSided) {
            material["doubleSided"] = true;
        }
        if (source.Texture && model.Mapped) {
            const TTextureMap& map = *source.Texture;
            const std::string key =
                map.Embedded >= 0 ? "\n" + std::to_string(map.Embedded) : map.FileName;
            std::optional<std::size_t> image;
            bool looked = false;
            for (const auto& [known, number] : imageIndex) {
                looked = looked || known == key;
                image = known == key ? number : image;
            }
            if (!looked) {
                json entry;
                if (binary) {
                    const std::optional<TExportImage> bytes =
                        images ? images(map, true) : std::nullopt;
                    if (bytes) {
                        entry = {{"bufferView", buffer.AddBytes(bytes->Bytes.data(),
                                                                bytes->Bytes.size(), views, 0)},
                                 {"mimeType", bytes->MimeType}};
                    } else {
                        report.Notes.push_back("image not found: " + map.FileName);
                    }
                } else if (const std::optional<std::string> name =
                               ImageBeside(map, folder, true, images, named, files, report)) {
                    entry = {{"uri", *name}};
                }
                if (!entry.is_null()) {
                    imagesJson.push_back(entry);
                    image = imagesJson.size() - 1;
                }
                imageIndex.emplace_back(key, image);
            }
            if (image) {
                const int wrap = (map.Tiling & (TilingNone | TilingDecal)) != 0 ? WrapClamp
                                 : (map.Tiling & TilingMirror) != 0             ? WrapMirror
                                                                                : WrapRepeat;
                samplers.push_back({{"magFilter", FilterLinear},
                                    {"minFilter", FilterLinearMipmapLinear},
                                    {"wrapS", wrap},
                                    {"wrapT", wrap}});
                textures.push_back({{"sampler", samplers.size() - 1}, {"source", *image}});
                json info = {{"index", textures.size() - 1}};
                if (const std::optional<json> transform = Transform(map)) {
                    info["extensions"][TextureTransform] = *transform;
                    transformed = true;
                }
                material["pbrMetallicRoughness"]["baseColorTexture"] = info;
                // glTF tints the image by the base colour: by the image's own tint, not by the
                // diffuse colour, which the image covers.
                material["pbrMetallicRoughness"]["baseColorFactor"] = {
                    Linear(map.Tint.R), Linear(map.Tint.G), Linear(map.Tint.B),
                    1 - source.Transparency};
            } else {
                // Named still, though the image is not there.
                material["extras"] = {{"baseColorImage", Utf8Name(map.FileName)}};
            }
        }
        materials.push_back(material);
        materialIndex[m] = std::int64_t(materials.size() - 1);
        return materials.size() - 1;
    };

    for (const TExportMesh& mesh : model.Meshes) {
        json primitives = json::array();
        for (const TExportPrimitive& primitive : mesh.Primitives) {
            float low[3] = {INFINITY, INFINITY, INFINITY},
                  high[3] = {-INFINITY, -INFINITY, -INFINITY};
            for (const TExportVertex& v : primitive.Vertices) {
                const TPoint3D p = YUp(v.Position);
                const float c[] = {p.X, p.Y, p.Z};
                for (int k = 0; k < 3; ++k) {
                    low[k] = std::min(low[k], c[k]);
                    high[k] = std::max(high[k], c[k]);
                }
            }
            const auto count = primitive.Vertices.size();
            // Each attribute is made from the model's vertices as the file is written, a piece at
            // a time: a model of millions of vertices is never copied whole.
            const auto attribute = [&](std::size_t components, const char* type, auto put) {
                const auto make = [&vertices = primitive.Vertices, components,
                                   put](const TEmit& emit) {
                    std::vector<float> piece;
                    piece.reserve(PieceSize / sizeof(float) + components);
                    const auto hand = [&](bool whenFull) {
                        if (!whenFull || piece.size() * sizeof(float) >= PieceSize) {
                            emit({reinterpret_cast<const char*>(piece.data()),
                                  piece.size() * sizeof(float)});
                            piece.clear();
                        }
                    };
                    for (const TExportVertex& v : vertices) {
                        put(v, piece);
                        hand(true);
                    }
                    hand(false);
                };
                accessors.push_back({{"bufferView", buffer.Made(count * components * sizeof(float),
                                                                make, views, TargetArrayBuffer)},
                                     {"componentType", ComponentFloat},
                                     {"count", count},
                                     {"type", type}});
                return accessors.size() - 1;
            };
            json attributes = {
                {"POSITION",
                 attribute(3, "VEC3", [](const TExportVertex& v, std::vector<float>& out) {
                     const TPoint3D p = YUp(v.Position);
                     out.insert(out.end(), {p.X, p.Y, p.Z});
                 })}};
            accessors[attributes["POSITION"].get<std::size_t>()]["min"] = {low[0], low[1], low[2]};
            accessors[attributes["POSITION"].get<std::size_t>()]["max"] = {high[0], high[1],
                                                                           high[2]};
            attributes["NORMAL"] =
                attribute(3, "VEC3", [](const TExportVertex& v, std::vector<float>& out) {
                    const TPoint3D n = YUp(v.Normal);
                    out.insert(out.end(), {n.X, n.Y, n.Z});
                });
            if (model.Mapped) {
                attributes["TEXCOORD_0"] =
                    attribute(2, "VEC2", [](const TExportVertex& v, std::vector<float>& out) {
                        out.insert(out.end(), {v.Mapping.U, 1 - v.Mapping.V});
                    });
            }
            std::size_t indices = 0;
            if (count <= std::numeric_limits<std::uint16_t>::max()) {
                std::vector<std::uint16_t> small(primitive.Indices.begin(),
                                                 primitive.Indices.end());
                indices = buffer.Add(std::move(small), views, TargetElementArrayBuffer);
            } else {
                indices = buffer.Refer(primitive.Indices, views, TargetElementArrayBuffer);
            }
            accessors.push_back(
                {{"bufferView", indices},
                 {"componentType", count <= std::numeric_limits<std::uint16_t>::max()
                                       ? ComponentUnsignedShort
                                       : ComponentUnsignedInt},
                 {"count", primitive.Indices.size()},
                 {"type", "SCALAR"}});
            primitives.push_back({{"attributes", attributes},
                                  {"indices", accessors.size() - 1},
                                  {"material", materialOf(primitive.Material)},
                                  {"mode", ModeTriangles}});
        }
        meshes.push_back({{"name", Utf8Name(mesh.Name)}, {"primitives", primitives}});
        nodes.push_back({{"name", Utf8Name(mesh.Name)}, {"mesh", meshes.size() - 1}});
    }

    json root = {{"asset", {{"version", "2.0"}, {"generator", "Plexa3D"}}}};
    json sceneNodes = json::array();
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        sceneNodes.push_back(n);
    }
    root["scene"] = 0;
    root["scenes"] = json::array({{{"nodes", sceneNodes}}});
    const auto put = [&](const char* key, const json& value) {
        if (!value.empty()) {
            root[key] = value;
        }
    };
    put("nodes", nodes);
    put("meshes", meshes);
    put("materials", materials);
    put("textures", textures);
    put("images", imagesJson);
    put("samplers", samplers);
    put("accessors", accessors);
    put("bufferViews", views);
    if (transformed) {
        root["extensionsUsed"] = json::array({TextureTransform});
    }
    // The buffer is written after the model's description; it may refer to the model's indices.
    const auto shared = std::make_shared<const TBuffer>(std::move(buffer));
    const std::size_t size = shared->Size();
    if (size > 0) {
        root["buffers"] = json::array({{{"byteLength", size}}});
        if (!binary) {
            const std::string bin = CompanionName(output, ".bin");
            root["buffers"][0]["uri"] = bin;
            files.push_back({folder + "/" + bin, {}, {}});
            files.back().Stream = [shared](const TEmit& emit) { shared->Emit(emit, 0); };
        }
    }
    std::string text = root.dump();
    if (!binary) {
        files[0].Bytes.assign(text.begin(), text.end());
        return files;
    }
    while (text.size() % Alignment != 0) {
        text.push_back(' ');
    }
    const std::size_t padding = (Alignment - size % Alignment) % Alignment;
    const std::size_t total = 12 + 8 + text.size() + (size == 0 ? 0 : 8 + size + padding);
    if (total > std::numeric_limits<std::uint32_t>::max()) {
        throw RuntimeError("Cannot write file \"" + output + "\": the model is too large for .glb");
    }
    // The header and the JSON chunk, then the buffer's chunk.
    std::vector<std::uint8_t> head;
    head.reserve(12 + 8 + text.size() + 8);
    Put32(head, GlbMagic);
    Put32(head, GlbVersion);
    Put32(head, std::uint32_t(total));
    Put32(head, std::uint32_t(text.size()));
    Put32(head, ChunkJson);
    head.insert(head.end(), text.begin(), text.end());
    if (size > 0) {
        Put32(head, std::uint32_t(size + padding));
        Put32(head, ChunkBin);
    }
    files[0].Stream = [head = std::move(head), shared, size, padding](const TEmit& emit) {
        emit({reinterpret_cast<const char*>(head.data()), head.size()});
        if (size > 0) {
            shared->Emit(emit, padding);
        }
    };
    return files;
}

} // namespace Plexa3DFormats::Detail
