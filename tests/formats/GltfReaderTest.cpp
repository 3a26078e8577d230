// The glTF reader over files of the test writer, whole and damaged, and over the real files of
// the formats corpus.
#include "Corpus.h"
#include "GraphErrors.h"
#include "ModelFiles.h"
#include "WriterGltf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {
namespace gltf_reader_test {

using namespace Plexa3DFormats;
using namespace Plexa3DTools;
using namespace ZuveloGraphLibrary;
using Json = nlohmann::json;
using TByteList = std::vector<std::uint8_t>;

// A model file and the files it names beside it.
struct TFiles {
    TByteList Model;
    std::map<std::string, TByteList> Beside{};
};

struct TRead {
    TObject3D Object;
    TModelLooks Looks;
    TModelReading Reading;
    std::string Error; // the RuntimeError's message, when one was raised
};

TRead Read(const TFiles& files, TModelPart part = TModelPart::Whole) {
    const TModelSource source{
        "folder/model.gltf", files.Model, [&](const std::string& name, std::size_t most) {
            TCompanion file;
            const auto found = files.Beside.find(name);
            if (found != files.Beside.end()) {
                file.State = found->second.size() <= most ? TCompanion::TState::Read
                                                          : TCompanion::TState::TooLarge;
                if (file.State == TCompanion::TState::Read) {
                    file.Bytes = found->second;
                }
            }
            return file;
        }};
    TRead read;
    try {
        read.Reading = ReadModelSource(source, part, read.Object, read.Looks).Reading;
    } catch (const RuntimeError& error) {
        read.Error = error.what();
    }
    return read;
}

bool Noted(const TModelLooks& looks, const std::string& fragment,
           std::optional<TLooksNote::TKind> kind = {}) {
    for (const TLooksNote& note : looks.Notes) {
        if (note.Subject.find(fragment) != std::string::npos && (!kind || note.Kind == *kind)) {
            return true;
        }
    }
    return false;
}

std::string Notes(const TModelLooks& looks) {
    std::string all;
    for (const TLooksNote& note : looks.Notes) {
        all += "[" + note.Subject + "] ";
    }
    return all;
}

// The record holds together: faces within the vertices, per-face and per-vertex lists as long as
// the counts or empty, material numbers within the materials.
void ExpectSound(const TRead& read, const std::string& label) {
    const TObject3D& o = read.Object;
    for (std::int32_t i = 1; i <= o.FaceCount; ++i) {
        const TFace3D& f = o.Faces[i];
        for (const std::uint32_t v : {f.A, f.B, f.C}) {
            ASSERT_TRUE(v >= 1 && v <= std::uint32_t(o.VertexCount)) << label;
        }
    }
    const TModelLooks& l = read.Looks;
    EXPECT_TRUE(l.FaceMaterials.empty() || l.FaceMaterials.size() == std::size_t(o.FaceCount))
        << label;
    EXPECT_TRUE(l.FaceSmoothing.empty() || l.FaceSmoothing.size() == std::size_t(o.FaceCount))
        << label;
    EXPECT_TRUE(l.Mapping.empty() || l.Mapping.size() == std::size_t(o.VertexCount)) << label;
    for (const std::uint32_t m : l.FaceMaterials) {
        EXPECT_LT(m, l.Materials.size()) << label;
    }
}

// A square of two faces in our axes, mapped over the whole image.
TMeshSpec Square(const std::string& name = "Square") {
    return {name,
            {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
            {{0, 1, 2}, {0, 2, 3}},
            {{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
}

TGltfDocument SquareDocument(const TGltfOptions& options = {}) {
    return GltfDocument(std::vector<TMeshSpec>{Square()}, options);
}

// A document of one node placing one mesh ("Hand") of one primitive over the positions given
// in glTF's axes, three numbers each.
TGltfDocument HandDocument(const std::vector<float>& positions) {
    TGltfDocument d = GltfDocument(std::vector<TGltfMeshSpec>{});
    const std::size_t p =
        d.AddAccessor(d.AddView(RawBytes(positions)), GltfFloat, "VEC3", positions.size() / 3);
    d.Json["meshes"] = {{{"name", "Hand"}, {"primitives", {{{"attributes", {{"POSITION", p}}}}}}}};
    d.Json["nodes"] = {{{"mesh", 0}}};
    d.Json["scenes"][0]["nodes"] = {0};
    return d;
}

const std::vector<float> Corners = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0};

TPoint3D Vertex(const TRead& read, std::int32_t i) {
    return read.Object.Vertices[i];
}

void ExpectPoint(const TPoint3D& p, float x, float y, float z, const std::string& label) {
    EXPECT_NEAR(p.X, x, 1e-5) << label;
    EXPECT_NEAR(p.Y, y, 1e-5) << label;
    EXPECT_NEAR(p.Z, z, 1e-5) << label;
}

std::vector<std::array<std::uint32_t, 3>> FaceList(const TRead& read) {
    std::vector<std::array<std::uint32_t, 3>> faces;
    for (std::int32_t i = 1; i <= read.Object.FaceCount; ++i) {
        const TFace3D& f = read.Object.Faces[i];
        faces.push_back({f.A, f.B, f.C});
    }
    return faces;
}

TEST(GltfReader, ReadsWhatTheFileHolds) {
    const struct {
        std::string Label;
        std::function<TFiles()> Make;
        std::int32_t Faces;
        std::int32_t Vertices;
        std::string Note = {};
        std::function<void(const TRead&, const std::string&)> Check = {};
        TModelPart Part = TModelPart::Whole;
    } cases[] = {
        {"binary", [] { return TFiles{GlbFile(SquareDocument())}; }, 2, 4, "",
         [](const TRead& r, const std::string& label) {
             // Our axes come back through glTF's, and v upwards.
             ExpectPoint(Vertex(r, 3), 1, 1, 0, label);
             ASSERT_EQ(r.Looks.Mapping.size(), 4u) << label;
             EXPECT_EQ(r.Looks.Mapping[2], (TTexCoord{1, 1})) << label;
             EXPECT_EQ(r.Object.Name, "model.gltf") << label;
         }},
        {"text, its buffer beside it",
         [] {
             const TGltfDocument d = SquareDocument();
             return TFiles{GltfFile(d, "square.bin"), {{"square.bin", d.Buffer}}};
         },
         2, 4},
        {"text, its buffer's name escaped",
         [] {
             const TGltfDocument d = SquareDocument();
             return TFiles{GltfFile(d, "my%20square.bin"), {{"my square.bin", d.Buffer}}};
         },
         2, 4},
        {"text, its buffer in an octet-stream data URI",
         [] { return TFiles{GltfEmbeddedFile(SquareDocument())}; }, 2, 4},
        {"text, its buffer in a gltf-buffer data URI",
         [] { return TFiles{GltfEmbeddedFile(SquareDocument(), "application/gltf-buffer")}; }, 2,
         4},
        {"text after a byte order mark",
         [] {
             TByteList bytes = GltfEmbeddedFile(SquareDocument());
             bytes.insert(bytes.begin(), {0xEF, 0xBB, 0xBF});
             return TFiles{bytes};
         },
         2, 4},
        {"indices of bytes", [] { return TFiles{GlbFile(SquareDocument({GltfUnsignedByte}))}; }, 2,
         4},
        {"indices of shorts", [] { return TFiles{GlbFile(SquareDocument({GltfUnsignedShort}))}; },
         2, 4},
        {"no indices: each face its own corners",
         [] { return TFiles{GlbFile(SquareDocument({0}))}; }, 2, 6},
        {"glTF's axes turned to ours: (x, y, z) as (x, -z, y)",
         [] {
             return TFiles{GlbFile(HandDocument({1, 2, 3, 4, 5, 6, 7, 8, 9}))};
         },
         1, 3, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 1), 1, -3, 2, label);
             ExpectPoint(Vertex(r, 3), 7, -9, 8, label);
         }},
        {"positions and mapping interleaved by a stride",
         [] {
             TGltfDocument d = HandDocument({});
             // x y z u v for three vertices, 20 bytes apart.
             const std::vector<float> both = {0, 0, 0, 0.25f, 0.5f, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
             const std::size_t view = d.AddView(RawBytes(both), 20);
             d.Json["accessors"][0] = {{"bufferView", view},
                                       {"componentType", GltfFloat},
                                       {"type", "VEC3"},
                                       {"count", 3}};
             const std::size_t uv = d.AddAccessor(view, GltfFloat, "VEC2", 3, 12);
             d.Json["meshes"][0]["primitives"][0]["attributes"]["TEXCOORD_0"] = uv;
             return TFiles{GlbFile(d)};
         },
         1, 3, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 2), 1, 0, 0, label);
             ExpectPoint(Vertex(r, 3), 0, 0, 1, label);
             ASSERT_EQ(r.Looks.Mapping.size(), 3u) << label;
             EXPECT_EQ(r.Looks.Mapping[0], (TTexCoord{0.25f, 0.5f})) << label;
             EXPECT_EQ(r.Looks.Mapping[1], (TTexCoord{1, 1})) << label;
         }},
        {"positions of normalized signed bytes, the least of them -1",
         [] {
             TGltfDocument d = HandDocument({});
             const std::vector<std::int8_t> p = {-128, 0, 0, 0, 127, 0, 0, 0, 0, 127, 0, 0};
             const std::size_t view = d.AddView(RawBytes(p));
             d.Json["bufferViews"][view]["byteStride"] = 4;
             d.Json["accessors"][0] = {{"bufferView", view},
                                       {"componentType", 5120},
                                       {"type", "VEC3"},
                                       {"count", 3},
                                       {"normalized", true}};
             return TFiles{GlbFile(d)};
         },
         1, 3, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 1), -1, 0, 0, label);
             ExpectPoint(Vertex(r, 2), 1, 0, 0, label);
         }},
        {"mapping of normalized bytes, positions of shorts",
         [] {
             TGltfDocument d = HandDocument({});
             const std::vector<std::int16_t> p = {0, 0, 0, 2, 0, 0, 0, -3, 0, 0};
             d.Json["accessors"][0] = {{"bufferView", d.AddView(RawBytes(p))},
                                       {"componentType", 5122},
                                       {"type", "VEC3"},
                                       {"count", 3}};
             const std::size_t uv = d.AddAccessor(
                 d.AddView(RawBytes(std::vector<std::uint8_t>{0, 255, 255, 51, 0, 0})),
                 GltfUnsignedByte, "VEC2", 3);
             d.Json["accessors"][uv]["normalized"] = true;
             d.Json["meshes"][0]["primitives"][0]["attributes"]["TEXCOORD_0"] = uv;
             return TFiles{GlbFile(d)};
         },
         1, 3, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 2), 2, 0, 0, label);
             ExpectPoint(Vertex(r, 3), 0, 0, -3, label);
             ASSERT_EQ(r.Looks.Mapping.size(), 3u) << label;
             EXPECT_EQ(r.Looks.Mapping[0], (TTexCoord{0, 0})) << label;
             EXPECT_NEAR(r.Looks.Mapping[1].V, 0.8f, 1e-6) << label;
         }},
        {"a sparse accessor's substitutions",
         [] {
             TGltfDocument d = HandDocument({0, 0, 0, 1, 0, 0, 0, 1, 0});
             const std::size_t at = d.AddView(RawBytes(std::vector<std::uint16_t>{2}));
             const std::size_t value = d.AddView(RawBytes(std::vector<float>{0, 5, 0}));
             d.Json["accessors"][0]["sparse"] = {
                 {"count", 1},
                 {"indices", {{"bufferView", at}, {"componentType", GltfUnsignedShort}}},
                 {"values", {{"bufferView", value}}}};
             return TFiles{GlbFile(d)};
         },
         1, 3, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 3), 0, 0, 5, label);
         }},
        {"a sparse accessor over zeros",
         [] {
             TGltfDocument d = HandDocument({0, 0, 0, 1, 0, 0, 0, 1, 0});
             const std::size_t at = d.AddView(RawBytes(std::vector<std::uint8_t>{1, 0, 0, 0}));
             const std::size_t value = d.AddView(RawBytes(std::vector<float>{3, 0, 0}));
             d.Json["accessors"][0].erase("bufferView");
             d.Json["accessors"][0]["sparse"] = {
                 {"count", 1},
                 {"indices", {{"bufferView", at}, {"componentType", GltfUnsignedByte}}},
                 {"values", {{"bufferView", value}}}};
             return TFiles{GlbFile(d)};
         },
         1, 3, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 1), 0, 0, 0, label);
             ExpectPoint(Vertex(r, 2), 3, 0, 0, label);
         }},
        {"a node's translation, rotation and scale, in glTF's axes",
         [] {
             TGltfDocument d = HandDocument({1, 0, 0, 0, 1, 0, 0, 0, 1});
             // A quarter turn about glTF's Y, x to -z; then up 10 (glTF's y).
             d.Json["nodes"][0]["rotation"] = {0, std::sin(std::numbers::pi / 4), 0,
                                               std::cos(std::numbers::pi / 4)};
             d.Json["nodes"][0]["scale"] = {2, 2, 2};
             d.Json["nodes"][0]["translation"] = {0, 10, 0};
             return TFiles{GlbFile(d)};
         },
         1, 3, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 1), 0, 2, 10, label); // glTF (0, 10, -2)
             ExpectPoint(Vertex(r, 2), 0, 0, 12, label); // glTF (0, 12, 0)
             ExpectPoint(Vertex(r, 3), 2, 0, 10, label); // glTF (2, 10, 0)
         }},
        {"a third of a turn about glTF's (1, 1, 1): x to y, y to z, z to x",
         [] {
             TGltfDocument d = HandDocument({1, 0, 0, 0, 1, 0, 0, 0, 1});
             d.Json["nodes"][0]["rotation"] = {0.5, 0.5, 0.5, 0.5};
             return TFiles{GlbFile(d)};
         },
         1, 3, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 1), 0, 0, 1, label);  // glTF (0, 1, 0)
             ExpectPoint(Vertex(r, 2), 0, -1, 0, label); // glTF (0, 0, 1)
             ExpectPoint(Vertex(r, 3), 1, 0, 0, label);  // glTF (1, 0, 0)
         }},
        {"a node's matrix, by columns, under its parent's translation",
         [] {
             TGltfDocument d = HandDocument({1, 0, 0, 0, 1, 0, 0, 0, 1});
             d.Json["nodes"][0]["matrix"] = {3, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1};
             d.Json["nodes"].push_back({{"children", {0}}, {"translation", {0, 0, 7}}});
             d.Json["scenes"][0]["nodes"] = {1};
             return TFiles{GlbFile(d)};
         },
         1, 3, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 1), 8, -7, 0, label);
             ExpectPoint(Vertex(r, 2), 5, -7, 1, label);
             ExpectPoint(Vertex(r, 3), 5, -8, 0, label);
         }},
        {"a mirroring placement turns the faces' corners round",
         [] {
             TGltfDocument d = HandDocument({0, 0, 0, 1, 0, 0, 0, 1, 0});
             d.Json["nodes"][0]["scale"] = {-1, 1, 1};
             return TFiles{GlbFile(d)};
         },
         1, 3, "",
         [](const TRead& r, const std::string& label) {
             EXPECT_EQ(FaceList(r), (std::vector<std::array<std::uint32_t, 3>>{{1, 3, 2}}))
                 << label;
         }},
        {"a mesh placed by two nodes, twice",
         [] {
             TGltfDocument d = SquareDocument();
             d.Json["nodes"].push_back({{"mesh", 0}, {"translation", {5, 0, 0}}});
             d.Json["scenes"][0]["nodes"].push_back(1);
             return TFiles{GlbFile(d)};
         },
         4, 8, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 5), 5, 0, 0, label);
         }},
        {"the scene the file names, not the first",
         [] {
             TGltfDocument d = SquareDocument();
             d.Json["nodes"].push_back({{"mesh", 0}, {"translation", {5, 0, 0}}});
             d.Json["scenes"].push_back({{"nodes", {1}}});
             d.Json["scene"] = 1;
             return TFiles{GlbFile(d)};
         },
         2, 4, "",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 1), 5, 0, 0, label);
         }},
        {"no scene: the nodes that are no children",
         [] {
             TGltfDocument d = SquareDocument();
             d.Json["nodes"].push_back({{"mesh", 0}, {"translation", {5, 0, 0}}});
             d.Json["nodes"].push_back({{"children", {1}}, {"translation", {0, 5, 0}}});
             d.Json.erase("scenes");
             d.Json.erase("scene");
             return TFiles{GlbFile(d)};
         },
         4, 8, "a scene, which the file lacks",
         [](const TRead& r, const std::string& label) {
             ExpectPoint(Vertex(r, 5), 5, 0, 5, label);
         }},
        {"a strip made into triangles",
         [] {
             TGltfDocument d = HandDocument(Corners);
             d.Json["meshes"][0]["primitives"][0]["mode"] = 5;
             return TFiles{GlbFile(d)};
         },
         3, 5, "",
         [](const TRead& r, const std::string& label) {
             EXPECT_EQ(FaceList(r),
                       (std::vector<std::array<std::uint32_t, 3>>{{1, 2, 3}, {3, 2, 4}, {3, 4, 5}}))
                 << label;
         }},
        {"a fan made into triangles",
         [] {
             TGltfDocument d = HandDocument(Corners);
             d.Json["meshes"][0]["primitives"][0]["mode"] = 6;
             return TFiles{GlbFile(d)};
         },
         3, 5, "",
         [](const TRead& r, const std::string& label) {
             EXPECT_EQ(FaceList(r),
                       (std::vector<std::array<std::uint32_t, 3>>{{2, 3, 1}, {3, 4, 1}, {4, 5, 1}}))
                 << label;
         }},
        {"points and lines passed over",
         [] {
             TGltfDocument d = HandDocument(Corners);
             Json& primitives = d.Json["meshes"][0]["primitives"];
             for (const int mode : {0, 1, 2, 3, 3}) {
                 primitives.push_back(primitives[0]);
                 primitives.back()["mode"] = mode;
             }
             return TFiles{GlbFile(d)};
         },
         1, 5, "4 primitives of lines",
         [](const TRead& r, const std::string& label) {
             EXPECT_TRUE(Noted(r.Looks, "1 primitive of points")) << label;
         }},
        {"a primitive that needs an unknown required extension passed over",
         [] {
             TGltfDocument d = SquareDocument();
             Json& primitives = d.Json["meshes"][0]["primitives"];
             primitives.push_back(primitives[0]);
             primitives[0]["extensions"]["KHR_draco_mesh_compression"] = {{"bufferView", 0}};
             d.Json["extensionsUsed"] = {"KHR_draco_mesh_compression", "KHR_materials_volume"};
             d.Json["extensionsRequired"] = {"KHR_draco_mesh_compression"};
             return TFiles{GlbFile(d)};
         },
         2, 4, "1 primitive that needs KHR_draco_mesh_compression",
         [](const TRead& r, const std::string& label) {
             EXPECT_TRUE(Noted(r.Looks, "the extensions KHR_draco_mesh_compression, "
                                        "KHR_materials_volume"))
                 << label;
         }},
        {"a buffer view that needs an unknown required extension",
         [] {
             TGltfDocument d = SquareDocument();
             d.Json["bufferViews"][0]["extensions"]["EXT_meshopt_compression"] = Json::object();
             d.Json["extensionsRequired"] = {"EXT_meshopt_compression"};
             return TFiles{GlbFile(d)};
         },
         0, 0, "1 primitive whose positions need EXT_meshopt_compression"},
        {"normals make faces smooth, together where they share vertices",
         [] {
             TMeshSpec square = Square();
             square.Smoothing = {1, 0};
             return TFiles{GlbFile(GltfDocument(std::vector<TMeshSpec>{square}))};
         },
         2, 4, "",
         [](const TRead& r, const std::string& label) {
             EXPECT_EQ(r.Looks.FaceSmoothing, (std::vector<std::uint32_t>{1, 0})) << label;
         }},
        {"primitives over the same vertices share them",
         [] {
             TMeshSpec square = Square();
             square.Materials = {{"Red", {0}}, {"Blue", {1}}};
             return TFiles{GlbFile(GltfDocument(std::vector<TMeshSpec>{square}))};
         },
         2, 4, "",
         [](const TRead& r, const std::string& label) {
             ASSERT_EQ(r.Looks.Materials.size(), 3u) << label;
             EXPECT_EQ(r.Looks.Materials[1].Name, "Red") << label;
             EXPECT_EQ(r.Looks.FaceMaterials, (std::vector<std::uint32_t>{1, 2})) << label;
         }},
        {"a triangle naming a vertex its primitive lacks",
         [] {
             TGltfDocument d = HandDocument(Corners);
             const std::size_t i =
                 d.AddAccessor(d.AddView(RawBytes(std::vector<std::uint16_t>{0, 1, 2, 0, 1, 5})),
                               GltfUnsignedShort, "SCALAR", 6);
             d.Json["meshes"][0]["primitives"][0]["indices"] = i;
             // Vertices of another primitive after them, which that vertex's number would name.
             Json& primitives = d.Json["meshes"][0]["primitives"];
             primitives.push_back(
                 {{"attributes",
                   {{"POSITION", d.AddAccessor(d.AddView(RawBytes(
                                                   std::vector<float>{0, 0, 1, 1, 0, 1, 0, 1, 1})),
                                               GltfFloat, "VEC3", 3)}}}});
             return TFiles{GlbFile(d)};
         },
         2, 8, "1 triangle that names a vertex its primitive lacks"},
        {"indices of ints and of shorts with a stride, and of ints with a sparse substitution",
         [] {
             TGltfDocument d = HandDocument(Corners);
             Json& primitives = d.Json["meshes"][0]["primitives"];
             const std::size_t ints =
                 d.AddAccessor(d.AddView(RawBytes(std::vector<std::uint32_t>{0, 7, 1, 7, 2, 7}), 8),
                               GltfUnsignedInt, "SCALAR", 3);
             const std::size_t shorts =
                 d.AddAccessor(d.AddView(RawBytes(std::vector<std::uint16_t>{2, 7, 1, 7, 3, 7}), 4),
                               GltfUnsignedShort, "SCALAR", 3);
             const std::size_t sparse =
                 d.AddAccessor(d.AddView(RawBytes(std::vector<std::uint32_t>{2, 3, 0})),
                               GltfUnsignedInt, "SCALAR", 3);
             d.Json["accessors"][sparse]["sparse"] = {
                 {"count", 1},
                 {"indices",
                  {{"bufferView", d.AddView(RawBytes(std::vector<std::uint8_t>{2, 0, 0, 0}))},
                   {"componentType", GltfUnsignedByte}}},
                 {"values", {{"bufferView", d.AddView(RawBytes(std::vector<std::uint32_t>{4}))}}}};
             primitives[0]["indices"] = ints;
             for (const std::size_t indices : {shorts, sparse}) {
                 primitives.push_back(primitives[0]);
                 primitives.back()["indices"] = indices;
             }
             return TFiles{GlbFile(d)};
         },
         3, 5, "",
         [](const TRead& r, const std::string& label) {
             EXPECT_EQ(FaceList(r),
                       (std::vector<std::array<std::uint32_t, 3>>{{1, 2, 3}, {3, 2, 4}, {3, 4, 5}}))
                 << label;
         }},
        {"indices whose last make no whole triangle",
         [] {
             TGltfDocument d = HandDocument(Corners);
             // Five of the six numbers the view holds.
             d.Json["meshes"][0]["primitives"][0]["indices"] =
                 d.AddAccessor(d.AddView(RawBytes(std::vector<std::uint32_t>{0, 1, 2, 3, 4, 2})),
                               GltfUnsignedInt, "SCALAR", 5);
             return TFiles{GlbFile(d)};
         },
         1, 5, "1 primitive whose last vertices make no whole triangle"},
        {"strips of a material around triangles of none",
         [] {
             TGltfDocument d = HandDocument({0, 0, 0, 1, 0, 0, 0, 1, 0});
             d.Json["materials"] = {{{"name", "M"}}};
             Json& primitives = d.Json["meshes"][0]["primitives"];
             primitives.push_back(primitives[0]);
             primitives.push_back(primitives[0]);
             for (const std::size_t strip : {0, 2}) {
                 primitives[strip]["material"] = 0;
                 primitives[strip]["mode"] = 5;
             }
             return TFiles{GlbFile(d)};
         },
         3, 3, "",
         [](const TRead& r, const std::string& label) {
             EXPECT_EQ(r.Looks.FaceMaterials, (std::vector<std::uint32_t>{1, 0, 1})) << label;
         }},
        {"a position that is not finite",
         [] {
             return TFiles{GlbFile(HandDocument({0, 0, 0, 1, 0, 0, NAN, 1, 0}))};
         },
         0, 3, "",
         [](const TRead& r, const std::string& label) {
             EXPECT_EQ(r.Reading.FacesNotFinite, 1) << label;
         }},
        {"the first mesh: the first placement with a triangle, named after its mesh",
         [] {
             TGltfDocument d = GltfDocument(std::vector<TMeshSpec>{Square("A"), Square("B")});
             d.Json["meshes"][0]["primitives"][0]["mode"] = 1;
             return TFiles{GlbFile(d)};
         },
         2, 4, "1 primitive of lines",
         [](const TRead& r, const std::string& label) { EXPECT_EQ(r.Object.Name, "B") << label; },
         TModelPart::FirstMesh},
        {"the first mesh named after its node when the mesh has no name",
         [] {
             TGltfDocument d = GltfDocument(std::vector<TMeshSpec>{Square("A"), Square("B")});
             d.Json["meshes"][0].erase("name");
             return TFiles{GlbFile(d)};
         },
         2, 4, "",
         [](const TRead& r, const std::string& label) { EXPECT_EQ(r.Object.Name, "A") << label; },
         TModelPart::FirstMesh},
        {"a mesh that no node places",
         [] {
             TGltfDocument d = SquareDocument();
             d.Json["nodes"][0].erase("mesh");
             return TFiles{GlbFile(d)};
         },
         0, 0, "which no node of the scene places"},
    };
    for (const auto& c : cases) {
        const TRead r = Read(c.Make(), c.Part);
        ASSERT_EQ(r.Error, "") << c.Label;
        EXPECT_EQ(r.Object.FaceCount, c.Faces) << c.Label << ": " << Notes(r.Looks);
        EXPECT_EQ(r.Object.VertexCount, c.Vertices) << c.Label;
        if (!c.Note.empty()) {
            EXPECT_TRUE(Noted(r.Looks, c.Note)) << c.Label << ": " << Notes(r.Looks);
        } else {
            EXPECT_TRUE(r.Looks.Notes.empty()) << c.Label << ": " << Notes(r.Looks);
        }
        if (c.Check) {
            c.Check(r, c.Label);
        }
        ExpectSound(r, c.Label);
    }
}

// A square whose one material is set as `material` gives it.
TFiles SquareWithMaterial(const Json& material,
                          const std::function<void(TGltfDocument&)>& more = {}) {
    TMeshSpec square = Square();
    square.Materials = {{"M", {0, 1}}};
    TGltfDocument d = GltfDocument(std::vector<TMeshSpec>{square});
    d.Json["materials"][0].update(material);
    if (more) {
        more(d);
    }
    return TFiles{GlbFile(d)};
}

TEST(GltfReader, MaterialsTakeTheirLooks) {
    const auto texture = [](const Json& image, const Json& info = Json::object()) {
        return [=](TGltfDocument& d) {
            // Arrays said as arrays: a list of one element may be taken for that element.
            d.Json["images"] = Json::array({image});
            d.Json["textures"] = Json::array({{{"source", 0}, {"sampler", 0}}});
            d.Json["samplers"] = Json::array({Json::object()});
            Json map = {{"index", 0}};
            map.update(info);
            d.Json["materials"][0]["pbrMetallicRoughness"]["baseColorTexture"] = map;
        };
    };
    const TByteList png = {0x89, 'P', 'N', 'G', 1, 2, 3};
    const struct {
        std::string Label;
        TFiles Files;
        std::function<void(TMaterial&, std::vector<TByteList>&)> Expect;
        std::string Note = {};
    } cases[] = {
        {"no factors: glTF's white, no highlight", SquareWithMaterial(Json::object()),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = {1, 1, 1};
         }},
        {"linear base colour shown as display colour, rough and plain",
         SquareWithMaterial({{"pbrMetallicRoughness",
                              {{"baseColorFactor", {0.5, 0, 0.0031308 / 2, 1}},
                               {"metallicFactor", 0},
                               {"roughnessFactor", 1}}}}),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = {0.735357f, 0, 0.0202241f};
         }},
        {"smooth plastic: a white highlight",
         SquareWithMaterial(
             {{"pbrMetallicRoughness", {{"metallicFactor", 0}, {"roughnessFactor", 0.25}}}}),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = {1, 1, 1};
             m.Specular = {1, 1, 1};
             m.Shininess = m.ShininessStrength = 0.75f;
         }},
        {"smooth metal: a highlight of its colour",
         SquareWithMaterial({{"pbrMetallicRoughness",
                              {{"baseColorFactor", {0, 0, 1, 1}},
                               {"metallicFactor", 1},
                               {"roughnessFactor", 0.5}}}}),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = m.Specular = {0, 0, 1};
             m.Shininess = m.ShininessStrength = 0.5f;
         }},
        {"blended alpha, both sides",
         SquareWithMaterial({{"alphaMode", "BLEND"},
                             {"doubleSided", true},
                             {"pbrMetallicRoughness", {{"baseColorFactor", {1, 1, 1, 0.25}}}}}),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = {1, 1, 1};
             m.Transparency = 0.75f;
             m.TwoSided = true;
         }},
        {"opaque alpha is no transparency",
         SquareWithMaterial({{"pbrMetallicRoughness", {{"baseColorFactor", {1, 1, 1, 0.25}}}}}),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = {1, 1, 1};
         }},
        {"masked alpha below the cutoff",
         SquareWithMaterial({{"alphaMode", "MASK"},
                             {"alphaCutoff", 0.3},
                             {"pbrMetallicRoughness", {{"baseColorFactor", {1, 1, 1, 0.25}}}}}),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = {1, 1, 1};
             m.Transparency = 1;
         }},
        {"an image beside the model, its name escaped, mirrored",
         SquareWithMaterial(Json::object(),
                            [&](TGltfDocument& d) {
                                texture({{"uri", "my%20image.png"}})(d);
                                d.Json["samplers"][0] = {{"wrapS", 33648}, {"wrapT", 33648}};
                            }),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = {1, 1, 1};
             m.Texture = TTextureMap{"my image.png"};
             m.Texture->Tiling = TilingMirror;
         }},
        {"an image in a buffer view",
         SquareWithMaterial(Json::object(),
                            [&](TGltfDocument& d) {
                                const std::size_t view = d.AddView(png);
                                texture({{"bufferView", view}, {"mimeType", "image/png"}})(d);
                            }),
         [&](TMaterial& m, std::vector<TByteList>& images) {
             m.Diffuse = m.Ambient = {1, 1, 1};
             m.Texture = TTextureMap{"image 0"};
             m.Texture->Embedded = 0;
             images = {png};
         }},
        {"an image in a data URI, named",
         SquareWithMaterial(
             Json::object(),
             texture({{"uri", "data:image/png;base64," + Base64(png)}, {"name", "Logo"}})),
         [&](TMaterial& m, std::vector<TByteList>& images) {
             m.Diffuse = m.Ambient = {1, 1, 1};
             m.Texture = TTextureMap{"Logo"};
             m.Texture->Embedded = 0;
             images = {png};
         }},
        {"an image under a base colour, which tints it",
         SquareWithMaterial({{"pbrMetallicRoughness", {{"baseColorFactor", {0.5, 1, 0, 1}}}}},
                            texture({{"uri", "a.png"}})),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = {0.735357f, 1, 0};
             m.Texture = TTextureMap{"a.png"};
             m.Texture->Tint = m.Diffuse;
         }},
        {"a texture on the second mapping coordinates passed over",
         SquareWithMaterial(Json::object(), texture({{"uri", "a.png"}}, {{"texCoord", 1}})),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = {1, 1, 1};
         },
         "1 base colour texture on other mapping coordinates than TEXCOORD_0"},
        {"a texture naming no image",
         SquareWithMaterial(Json::object(),
                            [&](TGltfDocument& d) {
                                texture({{"uri", "a.png"}})(d);
                                d.Json["textures"][0]["source"] = 7;
                            }),
         [](TMaterial& m, auto&) {
             m.Diffuse = m.Ambient = {1, 1, 1};
         },
         "1 base colour texture that names no image"},
    };
    for (const auto& c : cases) {
        const TRead r = Read(c.Files);
        ASSERT_EQ(r.Error, "") << c.Label;
        ASSERT_EQ(r.Looks.Materials.size(), 2u) << c.Label;
        TMaterial expected;
        expected.Name = "M";
        std::vector<TByteList> images;
        c.Expect(expected, images);
        const TMaterial& got = r.Looks.Materials[1];
        const auto near = [&](const TColorF& a, const TColorF& b, const char* what) {
            EXPECT_NEAR(a.R, b.R, 1e-5) << c.Label << " " << what;
            EXPECT_NEAR(a.G, b.G, 1e-5) << c.Label << " " << what;
            EXPECT_NEAR(a.B, b.B, 1e-5) << c.Label << " " << what;
        };
        near(got.Diffuse, expected.Diffuse, "diffuse");
        near(got.Ambient, expected.Ambient, "ambient");
        near(got.Specular, expected.Specular, "specular");
        TMaterial rest = got;
        rest.Diffuse = expected.Diffuse;
        rest.Ambient = expected.Ambient;
        rest.Specular = expected.Specular;
        EXPECT_EQ(rest, expected) << c.Label;
        EXPECT_EQ(r.Looks.EmbeddedImages, images) << c.Label;
        if (!c.Note.empty()) {
            EXPECT_TRUE(Noted(r.Looks, c.Note)) << c.Label << ": " << Notes(r.Looks);
        }
    }
}

// Vertex colours paint each face in its corners' mean times the base colour, held to 5 bits a
// channel, and tint its image (the expected channels are in 31sts, worked out by hand from
// glTF's linear colours).
TEST(GltfReader, VertexColoursPaintEachFaceTheirMean) {
    // Corners (0.6, 0, 0), (0, 0, 0), (0, 0, 0.6), (0.6, 0.6, 0.6): the faces' means are
    // (0.2, 0, 0.2) and (0.4, 0.2, 0.4).
    const std::vector<float> reals = {0.6f, 0, 0, 0, 0, 0, 0, 0, 0.6f, 0.6f, 0.6f, 0.6f};
    const std::vector<std::uint8_t> bytes = {153, 0, 0,   255, 0,   0,   0,   255,
                                             0,   0, 153, 9,   153, 153, 153, 255};
    const auto colours = [](const TByteList& values, std::uint32_t type, const char* shape,
                            std::size_t count) {
        return [=](TGltfDocument& d) {
            const std::size_t a = d.AddAccessor(d.AddView(values), type, shape, count);
            if (type == GltfUnsignedByte) {
                d.Json["accessors"][a]["normalized"] = true;
            }
            d.Json["meshes"][0]["primitives"][0]["attributes"]["COLOR_0"] = a;
        };
    };
    const auto plain = [](const std::function<void(TGltfDocument&)>& more) {
        TGltfDocument d = GltfDocument(std::vector<TMeshSpec>{Square()});
        more(d);
        return TFiles{GlbFile(d)};
    };
    const Json halfRed = {{"pbrMetallicRoughness", {{"baseColorFactor", {0.5, 1, 1, 1}}}}};
    const Json textured = {{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}}};
    const auto image = [](TGltfDocument& d) {
        d.Json["images"] = Json::array({{{"uri", "a.png"}}});
        d.Json["textures"] = Json::array({{{"source", 0}}});
    };
    const struct {
        std::string Label;
        TFiles Files;
        std::array<std::array<int, 3>, 2> Faces; // each face's colour; -1: the material's own
        std::string Name = {};                   // the first face's material's
        std::string Note = {};
    } cases[] = {
        {"reals, no material: glTF's white",
         plain(colours(RawBytes(reals), GltfFloat, "VEC3", 4)),
         {{{15, 0, 15}, {21, 15, 21}}},
         "#7B007B"},
        {"normalized bytes, their alpha left, in a material's base colour",
         SquareWithMaterial(halfRed, colours(bytes, GltfUnsignedByte, "VEC4", 4)),
         {{{11, 0, 15}, {15, 15, 21}}},
         "M #5A007B"},
        {"under an image, which they tint",
         SquareWithMaterial(textured,
                            [&](TGltfDocument& d) {
                                image(d);
                                colours(RawBytes(reals), GltfFloat, "VEC3", 4)(d);
                            }),
         {{{15, 0, 15}, {21, 15, 21}}},
         "M #7B007B"},
        {"fewer colours than positions",
         SquareWithMaterial(halfRed, colours(RawBytes(reals), GltfFloat, "VEC3", 3)),
         {{{-1, -1, -1}, {-1, -1, -1}}},
         "M",
         "1 primitive whose vertex colours are not as many as the positions (read without them)"},
    };
    for (const auto& c : cases) {
        const TRead r = Read(c.Files);
        ASSERT_EQ(r.Error, "") << c.Label;
        ASSERT_EQ(r.Object.FaceCount, 2) << c.Label;
        ExpectSound(r, c.Label);
        for (std::size_t f = 0; f < 2; ++f) {
            const TMaterial& m = r.Looks.Materials[r.Looks.FaceMaterials[f]];
            if (f == 0) {
                EXPECT_EQ(m.Name, c.Name) << c.Label;
            }
            if (c.Faces[f][0] < 0) {
                continue;
            }
            EXPECT_EQ(m.Ambient, m.Diffuse) << c.Label;
            EXPECT_EQ(m.Texture ? m.Texture->Tint : m.Diffuse, m.Diffuse) << c.Label;
            EXPECT_FLOAT_EQ(m.Diffuse.R, float(c.Faces[f][0]) / 31) << c.Label << " face " << f;
            EXPECT_FLOAT_EQ(m.Diffuse.G, float(c.Faces[f][1]) / 31) << c.Label << " face " << f;
            EXPECT_FLOAT_EQ(m.Diffuse.B, float(c.Faces[f][2]) / 31) << c.Label << " face " << f;
        }
        if (!c.Note.empty()) {
            EXPECT_TRUE(Noted(r.Looks, c.Note)) << c.Label << ": " << Notes(r.Looks);
        } else {
            EXPECT_TRUE(r.Looks.Notes.empty()) << c.Label << ": " << Notes(r.Looks);
        }
    }
}

// Faces of vertex colours get a material of their own for each glTF material and colour, up to
// 32768 in all; past them a face keeps its material's own colour, and that is told.
TEST(GltfReader, ColouredMaterialsAreBounded) {
    TGltfDocument d = HandDocument({0, 0, 0, 1, 0, 0, 0, 1, 0});
    const std::size_t white =
        d.AddAccessor(d.AddView(RawBytes(std::vector<float>(9, 1.0f))), GltfFloat, "VEC3", 3);
    constexpr std::size_t Materials = 32769;
    Json primitives = Json::array();
    d.Json["materials"] = Json::array();
    for (std::size_t m = 0; m < Materials; ++m) {
        primitives.push_back(
            {{"attributes", {{"POSITION", 0}, {"COLOR_0", white}}}, {"material", m}});
        d.Json["materials"].push_back({{"name", "m" + std::to_string(m)}});
    }
    d.Json["meshes"][0]["primitives"] = primitives;
    const TRead r = Read(TFiles{GlbFile(d)});
    ASSERT_EQ(r.Error, "");
    ASSERT_EQ(r.Object.FaceCount, std::int32_t(Materials));
    const auto name = [&](std::size_t face) {
        return r.Looks.Materials[r.Looks.FaceMaterials[face]].Name;
    };
    EXPECT_EQ(name(0), "m0 #FFFFFF");
    EXPECT_EQ(name(Materials - 2), "m32767 #FFFFFF");
    EXPECT_EQ(name(Materials - 1), "m32768");
    EXPECT_EQ(r.Looks.Materials.size(), Materials + 1);
    EXPECT_TRUE(Noted(r.Looks, "1 face drawn without its vertex colours, past 32768 colours"))
        << Notes(r.Looks);
}

// Where KHR_texture_transform puts a vertex's mapping on the image, worked out by hand from
// glTF's rule (u', v') = offset + R (scale (u, v)), v downwards, R turning +u to -v, with our v
// upwards: each row gives our (u, v) and where on the image (ours, v upwards) it must land.
TEST(GltfReader, TextureTransformPlacesTheImageAsGltfDoes) {
    const double quarter = std::numbers::pi / 2;
    const struct {
        std::string Label;
        Json Transform;
        std::vector<std::array<double, 4>> Points; // u, v, u', v'
    } cases[] = {
        {"none", Json::object(), {{0.2, 0.3, 0.2, 0.3}, {1, 1, 1, 1}}},
        {"offset along u", {{"offset", {0.25, 0}}}, {{0.2, 0.3, 0.45, 0.3}}},
        {"offset along glTF's v, downwards", {{"offset", {0, 0.25}}}, {{0.2, 0.3, 0.2, 0.05}}},
        {"scale, about the image's top left corner",
         {{"scale", {2, 0.5}}},
         {{0.2, 0.3, 0.4, 0.65}, {0, 1, 0, 1}}},
        {"v turned over", {{"offset", {0, 1}}, {"scale", {1, -1}}}, {{0.2, 0.3, 0.2, 0.7}}},
        // The lower left quarter of the image, turned a quarter clockwise.
        {"a quarter turn of the lower left quarter",
         {{"offset", {0, 1}}, {"rotation", quarter}, {"scale", {0.5, 0.5}}},
         {{0, 0, 0.5, 0}, {1, 1, 0, 0.5}, {0, 1, 0, 0}, {1, 0, 0.5, 0.5}}},
        {"a turn alone, about the top left corner",
         {{"rotation", quarter}},
         {{0.5, 1, 0, 1.5}, {0.5, 0.5, 0.5, 1.5}}},
    };
    for (const auto& c : cases) {
        const TRead r = Read(SquareWithMaterial(Json::object(), [&](TGltfDocument& d) {
            d.Json["images"] = {{{"uri", "a.png"}}};
            d.Json["textures"] = {{{"source", 0}}};
            d.Json["materials"][0]["pbrMetallicRoughness"]["baseColorTexture"] = {
                {"index", 0}, {"extensions", {{"KHR_texture_transform", c.Transform}}}};
            d.Json["extensionsUsed"] = {"KHR_texture_transform"};
        }));
        ASSERT_EQ(r.Looks.Materials.size(), 2u) << c.Label;
        ASSERT_TRUE(r.Looks.Materials[1].Texture) << c.Label;
        EXPECT_TRUE(r.Looks.Notes.empty()) << c.Label << ": " << Notes(r.Looks);
        const TTextureMap& map = *r.Looks.Materials[1].Texture;
        // The placement rule of graphics/ModelLooks.h.
        const double turn = map.Rotation * std::numbers::pi / 180;
        for (const auto& [u, v, wantU, wantV] : c.Points) {
            const double a = (u - 0.5) * map.UScale, b = (v - 0.5) * map.VScale;
            const double gotU = std::cos(turn) * a - std::sin(turn) * b + 0.5 - map.UOffset;
            const double gotV = std::sin(turn) * a + std::cos(turn) * b + 0.5 - map.VOffset;
            EXPECT_NEAR(gotU, wantU, 1e-6) << c.Label << " at " << u << ", " << v;
            EXPECT_NEAR(gotV, wantV, 1e-6) << c.Label << " at " << u << ", " << v;
        }
    }
}

TByteList Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// A binary file of the JSON text and BIN bytes given, framed soundly.
TByteList Glb(const std::string& json, const TByteList& bin = {}) {
    std::vector<TGlbChunk> chunks{{GlbChunkJson, Bytes(json)}};
    if (!bin.empty()) {
        chunks.push_back({GlbChunkBin, bin});
    }
    return GlbBytes(chunks);
}

// The square's document altered by `change`, framed as a .glb.
TFiles Altered(const std::function<void(TGltfDocument&)>& change) {
    TGltfDocument d = SquareDocument();
    change(d);
    return TFiles{GlbFile(d)};
}

// A chain of `count` nodes, each the only child of the one before, the last placing the square.
TFiles Chain(std::size_t count) {
    TGltfDocument d = SquareDocument();
    d.Json["nodes"] = Json::array();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        d.Json["nodes"].push_back({{"children", {i + 1}}});
    }
    d.Json["nodes"].push_back({{"mesh", 0}});
    return TFiles{GlbFile(d)};
}

TEST(GltfReader, DamagedFilesEndInAMessage) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const struct {
        std::string Label;
        TFiles Files;
        std::string Message; // the error's, or else a note's
        std::int32_t Faces = 0;
    } cases[] = {
        {"malformed JSON", {Bytes("{\"asset\": {\"version\": \"2.0\"")}, "malformed"},
        {"JSON that is no object", {Glb("[1, 2]")}, "not an object"},
        {"no asset", {Bytes("{\"meshes\": []}")}, "no asset"},
        {"version 1", {Bytes("{\"asset\": {\"version\": \"1.0\"}}")}, "version 1.0"},
        {"a number past double's range",
         {Bytes("{\"asset\": {\"version\": \"2.0\"}, \"nodes\": [{\"scale\": [1e400, 1, 1]}]}")},
         "malformed"},
        {"nested deeper than the parser goes", {Bytes("{\"a\": " + deep + "}")}, "nests deeper"},
        {"a string's brackets do not nest",
         {Bytes("{\"asset\": {\"version\": \"2.0\"}, \"a\": \"" + std::string(1000, '[') +
                "\\\"\"}")},
         "",
         0},
        {"binary version 1",
         {GlbBytes({{GlbChunkJson, Bytes("{\"asset\":{}}")}}, 1)},
         "binary version 1"},
        {"binary header cut short",
         {TByteList{'g', 'l', 'T', 'F', 2, 0, 0}},
         "header is cut short"},
        {"binary, no chunk", {GlbBytes({})}, "no JSON chunk"},
        {"binary, BIN chunk first", {GlbBytes({{GlbChunkBin, TByteList(8)}})}, "not JSON"},
        {"binary, JSON chunk longer than the file",
         {GlbBytes({{GlbChunkJson, Bytes("{\"asset\":{}}"), 1000}})},
         "JSON chunk is cut short"},
        {"binary, length past the bytes",
         {[] {
             TByteList bytes = GlbFile(SquareDocument());
             bytes[9] = 0x7F;
             return bytes;
         }()},
         "cut short",
         2},
        {"binary, BIN chunk cut short",
         {[] {
             TByteList bytes = GlbFile(SquareDocument());
             bytes.resize(bytes.size() - 8);
             return bytes;
         }()},
         "cut short",
         0},
        {"an accessor's count past its view",
         Altered([](TGltfDocument& d) { d.Json["accessors"][0]["count"] = 1e12; }),
         "1 primitive whose positions run past their buffer view"},
        {"an accessor's count past any size",
         Altered([](TGltfDocument& d) { d.Json["accessors"][0]["count"] = 18446744073709551615u; }),
         "run past their buffer view"},
        {"an accessor's offset past its view",
         Altered([](TGltfDocument& d) { d.Json["accessors"][0]["byteOffset"] = 1u << 31; }),
         "run past their buffer view"},
        {"an accessor's first element past its view", Altered([](TGltfDocument& d) {
             d.Json["accessors"][0]["byteOffset"] =
                 d.Json["bufferViews"][0]["byteLength"].get<std::uint64_t>() - 4;
         }),
         "run past their buffer view"},
        {"an accessor's count of a string",
         Altered([](TGltfDocument& d) { d.Json["accessors"][0]["count"] = "4"; }),
         "malformed accessor"},
        {"a view past its buffer",
         Altered([](TGltfDocument& d) { d.Json["bufferViews"][0]["byteLength"] = 1e15; }),
         "runs past its buffer"},
        {"a stride shorter than an element",
         Altered([](TGltfDocument& d) { d.Json["bufferViews"][0]["byteStride"] = 4; }),
         "stride is shorter than an element"},
        {"a stride past any size", Altered([](TGltfDocument& d) {
             d.Json["bufferViews"][0]["byteStride"] = std::uint64_t(1) << 32;
         }),
         "run past their buffer view"},
        {"zeros past the file's bytes", Altered([](TGltfDocument& d) {
             d.Json["accessors"][0].erase("bufferView");
             d.Json["accessors"][0]["count"] = 1e9;
         }),
         "more zeros than the file has bytes"},
        {"a sparse index past its accessor", Altered([](TGltfDocument& d) {
             const std::size_t at = d.AddView(RawBytes(std::vector<std::uint32_t>{4}));
             d.Json["accessors"][0]["sparse"] = {
                 {"count", 1},
                 {"indices", {{"bufferView", at}, {"componentType", GltfUnsignedInt}}},
                 {"values", {{"bufferView", 0}}}};
         }),
         "sparse index beyond their accessor"},
        {"a sparse count past its accessor's", Altered([](TGltfDocument& d) {
             const std::size_t at = d.AddView(RawBytes(std::vector<std::uint32_t>{0, 1, 2, 3, 0}));
             const std::size_t values = d.AddView(RawBytes(std::vector<float>(15, 0.5f)));
             d.Json["accessors"][0]["sparse"] = {
                 {"count", 5},
                 {"indices", {{"bufferView", at}, {"componentType", GltfUnsignedInt}}},
                 {"values", {{"bufferView", values}}}};
         }),
         "malformed sparse accessor"},
        {"a sparse count past its views", Altered([](TGltfDocument& d) {
             d.Json["accessors"][0]["sparse"] = {
                 {"count", 4},
                 {"indices", {{"bufferView", 2}, {"componentType", GltfUnsignedInt}}},
                 {"values", {{"bufferView", 2}}}};
         }),
         "run past the buffer views of their sparse accessor"},
        {"indices of floats",
         Altered([](TGltfDocument& d) { d.Json["accessors"][2]["componentType"] = GltfFloat; }),
         "are not unsigned integers"},
        {"positions of two components",
         Altered([](TGltfDocument& d) { d.Json["accessors"][0]["type"] = "VEC2"; }),
         "not of the accessor type"},
        {"mapping not as many as the positions",
         Altered([](TGltfDocument& d) { d.Json["accessors"][1]["count"] = 3; }),
         "are not as many as the positions (read without them)", 2},
        {"a buffer's byteLength past its data",
         Altered([](TGltfDocument& d) { d.Json["buffers"][0]["byteLength"] = 1e12; }),
         "1 buffer shorter than its byteLength", 2},
        {"a buffer without a byteLength",
         Altered([](TGltfDocument& d) { d.Json["buffers"][0].erase("byteLength"); }),
         "1 buffer without a byteLength"},
        {"a buffer file missing", {GltfFile(SquareDocument(), "gone.bin")}, "gone.bin"},
        {"a buffer file larger than its byteLength",
         {GltfFile(SquareDocument(), "big.bin"), {{"big.bin", TByteList(4096)}}},
         "big.bin"},
        {"a data URI not in base64",
         {GltfFile(SquareDocument(), "data:application/octet-stream;base64,AA*A")},
         "not in base64"},
        {"a node its own child",
         Altered([](TGltfDocument& d) { d.Json["nodes"][0]["children"] = {0}; }),
         "1 node met again", 2},
        {"two nodes each the other's child", Altered([](TGltfDocument& d) {
             d.Json["nodes"][0]["children"] = {1};
             d.Json["nodes"].push_back({{"children", {0}}, {"mesh", 0}});
         }),
         "1 node met again", 4},
        {"a child named twice", Altered([](TGltfDocument& d) {
             d.Json["nodes"].push_back({{"children", {0, 0}}});
             d.Json["scenes"][0]["nodes"] = {1};
         }),
         "1 node met again", 2},
        {"children and meshes the file lacks", Altered([](TGltfDocument& d) {
             d.Json["nodes"][0]["children"] = {5, -1, "x"};
             d.Json["nodes"].push_back({{"mesh", -1}});
             d.Json["scenes"][0]["nodes"] = {0, 1, 9};
         }),
         "4 children or scene nodes that the file lacks", 2},
        {"a malformed placement", Altered([](TGltfDocument& d) {
             d.Json["nodes"][0]["rotation"] = {0, 0, 0, 0};
         }),
         "malformed node placement", 2},
        {"a matrix of 15 numbers",
         Altered([](TGltfDocument& d) { d.Json["nodes"][0]["matrix"] = std::vector<int>(15); }),
         "malformed node placement", 2},
        {"lists of the wrong JSON types", Altered([](TGltfDocument& d) {
             d.Json["meshes"][0]["primitives"].push_back(7);
             d.Json["meshes"][0]["primitives"].push_back({{"attributes", 7}});
             d.Json["materials"] = "none";
             d.Json["meshes"][0]["primitives"][0]["material"] = 0;
         }),
         "1 primitive that is no JSON object", 2},
        {"everything of the wrong JSON type",
         {Bytes("{\"asset\": {\"version\": 2}, \"scene\": \"0\", \"scenes\": {}, "
                "\"nodes\": 1, \"meshes\": null, \"accessors\": true}")},
         "",
         0},
    };
    for (const auto& c : cases) {
        const TRead r = Read(c.Files);
        if (!r.Error.empty()) {
            EXPECT_NE(c.Message, "") << c.Label << ": " << r.Error;
            EXPECT_NE(r.Error.find("glTF: "), std::string::npos) << c.Label << ": " << r.Error;
            EXPECT_NE(r.Error.find(c.Message), std::string::npos) << c.Label << ": " << r.Error;
            EXPECT_EQ(r.Object.FaceCount, 0) << c.Label;
            continue;
        }
        EXPECT_EQ(r.Object.FaceCount, c.Faces) << c.Label << ": " << Notes(r.Looks);
        if (!c.Message.empty()) {
            EXPECT_TRUE(Noted(r.Looks, c.Message)) << c.Label << ": " << Notes(r.Looks);
        }
        ExpectSound(r, c.Label);
    }
}

// Hostile hierarchies and reuse stay linear and bounded: a long chain, a wide fan-out, and a
// mesh over many bytes placed by many nodes, whose reading stops at the allowance.
TEST(GltfReader, HierarchiesAndReuseStayBounded) {
    const TRead chain = Read(Chain(100000));
    EXPECT_EQ(chain.Object.FaceCount, 2) << Notes(chain.Looks);

    TGltfDocument wide = SquareDocument();
    wide.Json["nodes"] = Json::array({{{"children", Json::array()}}});
    for (std::size_t i = 1; i <= 50000; ++i) {
        wide.Json["nodes"][0]["children"].push_back(i);
        wide.Json["nodes"].push_back({{"mesh", 0}, {"translation", {i, 0, 0}}});
    }
    const TRead fan = Read({GlbFile(wide)});
    EXPECT_EQ(fan.Object.FaceCount, 100000);
    EXPECT_TRUE(fan.Looks.Notes.empty()) << Notes(fan.Looks);

    // A mesh of 65536 triangles over few bytes (positions of zeros) placed by 1000 nodes.
    TGltfDocument reused = HandDocument({});
    reused.Json["accessors"][0] = {
        {"componentType", GltfFloat}, {"type", "VEC3"}, {"count", 3 * 65536}};
    reused.Json["nodes"] = Json::array();
    for (std::size_t i = 0; i < 1000; ++i) {
        reused.Json["nodes"].push_back({{"mesh", 0}});
        reused.Json["scenes"][0]["nodes"].push_back(i);
    }
    // The zeros must be justified by the file's bytes.
    const TByteList padding(3 * 65536, ' ');
    reused.Json["asset"]["padding"] = std::string(padding.begin(), padding.end());
    const TRead many = Read({GlbFile(reused)});
    EXPECT_GT(many.Object.FaceCount, 0);
    EXPECT_LT(many.Object.FaceCount, 4 << 20);
    EXPECT_TRUE(Noted(many.Looks, "would read more than")) << Notes(many.Looks);
    EXPECT_TRUE(Noted(many.Looks, "primitive")) << Notes(many.Looks);
    ExpectSound(many, "reused");
}

// Every beginning of a small model's file, and of its buffer, reads without harm: raised as an
// error, or a sound record with what was whole.
TEST(GltfReader, EveryPrefixReadsSoundly) {
    TMeshSpec square = Square();
    square.Materials = {{"M", {0, 1}}};
    square.Smoothing = {1, 1};
    TGltfDocument d = GltfDocument(std::vector<TMeshSpec>{square});
    const std::size_t geometryEnd = d.Buffer.size(); // the image's bytes come after
    const std::size_t view = d.AddView({0x89, 'P', 'N', 'G'});
    d.Json["images"] = {{{"bufferView", view}}};
    d.Json["textures"] = {{{"source", 0}}};
    d.Json["materials"][0]["pbrMetallicRoughness"]["baseColorTexture"] = {{"index", 0}};
    const TByteList glb = GlbFile(d);
    const TByteList text = GltfFile(d, "m.bin");
    for (const auto& [label, whole] : {std::pair{"binary", glb}, std::pair{"text", text}}) {
        for (std::size_t size = 0; size <= whole.size(); ++size) {
            const TFiles files{TByteList(whole.begin(), whole.begin() + std::ptrdiff_t(size)),
                               {{"m.bin", d.Buffer}}};
            for (const TModelPart part : {TModelPart::Whole, TModelPart::FirstMesh}) {
                const TRead r = Read(files, part);
                ExpectSound(r, std::string(label) + " cut at " + std::to_string(size));
            }
        }
    }
    for (std::size_t size = 0; size <= d.Buffer.size(); ++size) {
        const TFiles files{
            text,
            {{"m.bin", TByteList(d.Buffer.begin(), d.Buffer.begin() + std::ptrdiff_t(size))}}};
        const TRead r = Read(files);
        ASSERT_EQ(r.Error, "");
        ExpectSound(r, "buffer cut at " + std::to_string(size));
        EXPECT_EQ(r.Object.FaceCount, size >= geometryEnd ? 2 : 0) << size;
    }
}

// Every glTF file of the corpus opens with the triangles the table gives (as an independent
// importer counts them, but where the table's note says why not), or ends in a message.
TEST(GltfReader, RealFilesHoldTheTrianglesExpected) {
    const std::filesystem::path corpus = PLEXA3D_FORMATS_CORPUS_DIR;
    if (!Plexa3DTest::CorpusPresent(corpus / "o3dv-gltf")) {
        GTEST_SKIP() << "no corpus at " << corpus;
    }
    std::ifstream table(std::filesystem::path(PLEXA3D_FORMATS_EXPECTED_DIR) / "gltf.tsv");
    ASSERT_TRUE(table) << "no gltf.tsv";
    std::map<std::string, std::int32_t> expected;
    std::string line;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string path;
        std::int32_t triangles = -1;
        std::getline(fields, path, '\t');
        fields >> triangles;
        expected[path] = triangles;
    }
    std::set<std::string> seen;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus / "o3dv-gltf")) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".gltf" && extension != ".glb") {
            continue;
        }
        const std::string path = std::filesystem::relative(entry.path(), corpus).string();
        seen.insert(path);
        const auto found = expected.find(path);
        ASSERT_NE(found, expected.end()) << path << " is not in gltf.tsv";
        TObject3D object;
        TModelLooks looks;
        ReadModelFile(entry.path().string(), TModelPart::Whole, object, looks);
        EXPECT_EQ(object.FaceCount, found->second) << path << ": " << Notes(looks);
        if (object.FaceCount == 0) {
            EXPECT_FALSE(looks.Notes.empty()) << path;
        }
        ReadModelFile(entry.path().string(), TModelPart::FirstMesh, object, looks);
        EXPECT_LE(object.FaceCount, found->second) << path;
    }
    for (const auto& [path, triangles] : expected) {
        EXPECT_EQ(seen.count(path), 1u) << path << " is in gltf.tsv but not in the corpus";
    }
}

} // namespace gltf_reader_test
} // namespace
