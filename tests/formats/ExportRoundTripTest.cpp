// Export read back: a model written in each format and read again through the program's own
// readers is the same model, as far as the format can hold it.
#include "ExportModel.h"
#include "ModelFiles.h"
#include "Smoothing.h"
#include "TempDir.h"
#include "Writer3DS.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>

namespace {
namespace export_round_trip_test {

using namespace ZuveloGraphLibrary;
using namespace Plexa3DFormats;

// What a corner of a triangle looks like: where it is, the normal it is lit by, and where it
// falls in its material's image (the mapping placed by the map).
struct TCorner {
    std::array<double, 3> Position{};
    std::array<double, 3> Normal{};
    std::array<double, 2> Image{};
    std::array<double, 2> Mapping{}; // as the file holds them
};

struct TTriangle {
    std::array<TCorner, 3> Corners;
    std::array<double, 3> Diffuse{};
    std::array<double, 3> Highlight{}; // the specular colour times its strength
    double Shininess = 0, Transparency = 0;
    bool TwoSided = false;
    std::string Mesh;
    std::string Texture; // the map's image name, without its extension, in upper case
    std::uint16_t Tiling = 0;
};

std::array<double, 2> Placed(const TTextureMap& map, const TTexCoord& t) {
    const double turn = map.Rotation * std::numbers::pi / 180;
    const double u = (t.U - 0.5) * map.UScale, v = (t.V - 0.5) * map.VScale;
    return {std::cos(turn) * u - std::sin(turn) * v + 0.5 - map.UOffset,
            std::sin(turn) * u + std::cos(turn) * v + 0.5 - map.VOffset};
}

// The model's triangles, each turned to begin at its least corner, in the order of their corners.
std::vector<TTriangle> Triangles(TObject3D& object, const TModelLooks& looks) {
    TransformObject(object);
    const TSmoothingCorners corners = FindSmoothingCorners(object, looks.FaceSmoothing);
    const std::vector<TNormal> sums = SumSmoothNormalsReference(object, corners);
    std::vector<TTriangle> triangles;
    for (std::int32_t i = 1; i <= object.FaceCount; ++i) {
        const TFace3D& f = object.Faces[i];
        const std::uint32_t corner[3] = {f.A, f.B, f.C};
        const TNormal own = TriangleNormal(object.WorldVertices[f.A], object.WorldVertices[f.B],
                                           object.WorldVertices[f.C]);
        const std::size_t m = looks.FaceMaterials.empty() ? 0 : looks.FaceMaterials[i - 1];
        const TMaterial& material = looks.Materials.at(m);
        TTriangle t;
        t.Diffuse = {material.Diffuse.R, material.Diffuse.G, material.Diffuse.B};
        t.Highlight = {material.Specular.R * material.ShininessStrength,
                       material.Specular.G * material.ShininessStrength,
                       material.Specular.B * material.ShininessStrength};
        t.Shininess = material.Shininess;
        t.Transparency = material.Transparency;
        t.TwoSided = material.TwoSided;
        if (material.Texture) {
            t.Tiling = material.Texture->Tiling;
            std::string name = std::filesystem::path(material.Texture->FileName).stem().string();
            std::transform(name.begin(), name.end(), name.begin(), ::toupper);
            t.Texture = material.Texture->Embedded >= 0 ? "(held)" : name;
        }
        for (const TMeshPart& part : looks.Meshes) {
            if (std::uint32_t(i - 1) >= part.First &&
                std::uint32_t(i - 1) < part.First + part.Count) {
                t.Mesh = part.Name;
            }
        }
        for (int k = 0; k < 3; ++k) {
            const TPoint3D& p = object.WorldVertices[corner[k]];
            const std::uint32_t s = corners.Sums.empty() ? 0 : corners.Sums[3 * (i - 1) + k];
            const TNormal n = s == 0 ? own : sums[s];
            const double length = std::hypot(n.X, n.Y, n.Z);
            TCorner& c = t.Corners[k];
            c.Position = {p.X, p.Y, p.Z};
            c.Normal = {n.X / length, n.Y / length, n.Z / length};
            if (!looks.Mapping.empty()) {
                c.Mapping = {looks.Mapping[corner[k] - 1].U, looks.Mapping[corner[k] - 1].V};
            }
            if (material.Texture && !looks.Mapping.empty()) {
                c.Image = Placed(*material.Texture, looks.Mapping[corner[k] - 1]);
            }
        }
        std::rotate(t.Corners.begin(),
                    std::min_element(
                        t.Corners.begin(), t.Corners.end(),
                        [](const TCorner& a, const TCorner& b) { return a.Position < b.Position; }),
                    t.Corners.end());
        triangles.push_back(t);
    }
    std::sort(triangles.begin(), triangles.end(), [](const TTriangle& a, const TTriangle& b) {
        return std::tie(a.Corners[0].Position, a.Corners[1].Position) <
               std::tie(b.Corners[0].Position, b.Corners[1].Position);
    });
    return triangles;
}

// A smooth wing in one material with '#' in its name, a flat two-sided tail with a mirrored image
// placed by scale, offset and rotation, and a sail in two materials that both name an image that is
// not there, the first as a decal, its name and one of theirs in Latin-1, as old files write them;
// the second, see-through, places its image unturned and once, and its name is the first's with its
// space as OBJ's names must have it. Unmapped, the same without mapping coordinates.
std::vector<std::uint8_t> Model(bool mapped) {
    using Plexa3DTools::TMaterialSpec;
    const std::vector<TMaterialSpec> materials = {
        {"ros#so", {}, {{{200, 30, 20}}}, {{{255, 255, 255}}}, 0.5f, 1.0f},
        {"tela",
         {},
         {{{40, 120, 220}}},
         {},
         {},
         {},
         {},
         true,
         "TELA.PNG",
         1.0f,
         TilingMirror,
         std::array<float, 5>{2, 3, 0.25f, -0.5f, 30}},
        {"velo \xF9no",
         {},
         {{{10, 200, 10}}},
         {},
         {},
         {},
         {},
         false,
         "ASSENT\xC8.PNG",
         1.0f,
         TilingDecal},
        {"velo_\xF9no",
         {},
         {{{250, 250, 0}}},
         {},
         {},
         {},
         0.25f,
         false,
         "ASSENT\xC8.PNG",
         1.0f,
         TilingNone,
         std::array<float, 5>{2, 0.5f, 0.25f, -0.5f, 0}},
    };
    const std::vector<std::array<float, 2>> mapping =
        mapped ? std::vector<std::array<float, 2>>{{0, 0}, {1, 0}, {0, 1}, {1, 1}}
               : std::vector<std::array<float, 2>>{};
    return Plexa3DTools::LooksFile(materials, {{"Ala",
                                                {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {10, 10, 5}},
                                                {{0, 1, 2}, {2, 1, 3}},
                                                mapping,
                                                {{"ros#so", {0, 1}}},
                                                {1, 1}},
                                               {"Coda",
                                                {{20, 0, 0}, {30, 0, 0}, {20, 10, 2}, {30, 10, 0}},
                                                {{0, 1, 2}, {2, 1, 3}},
                                                mapping,
                                                {{"tela", {0, 1}}},
                                                {0, 0}},
                                               {"Vel\xF2\xB0",
                                                {{0, 20, 0}, {10, 20, 0}, {0, 30, 0}, {10, 30, 3}},
                                                {{0, 1, 2}, {2, 1, 3}},
                                                mapping,
                                                {{"velo \xF9no", {0}}, {"velo_\xF9no", {1}}},
                                                {0, 0}}});
}

const std::vector<std::uint8_t> TelaBytes = {0x89, 'P', 'N', 'G', 1, 2, 3};

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Each vertex an OBJ, PLY or .gltf file holds, with the normal written for it, both in the model's
// axes: the readers make their own normals from the faces, so these are read here.
std::vector<std::array<float, 6>> WrittenNormals(const std::filesystem::path& file,
                                                 TExportFormat format) {
    std::vector<std::array<float, 6>> vertices;
    const std::vector<std::uint8_t> bytes = FileBytes(file);
    const std::string text(bytes.begin(), bytes.end());
    if (format == TExportFormat::Obj) { // each primitive's "v" lines, then as many "vn"
        std::istringstream lines(text);
        std::size_t normals = 0;
        for (std::string word; lines >> word; lines.ignore(text.size(), '\n')) {
            if (word == "v") {
                std::array<float, 6>& v = vertices.emplace_back();
                lines >> v[0] >> v[1] >> v[2];
            } else if (word == "vn") {
                std::array<float, 6>& v = vertices.at(normals++);
                lines >> v[3] >> v[4] >> v[5];
            }
        }
    } else if (format == TExportFormat::Ply) { // position and normal first in each vertex
        const std::size_t body = text.find("end_header\n") + 11;
        const std::size_t size = text.find("property float s") == std::string::npos ? 27 : 35;
        const std::size_t count = std::stoul(text.substr(text.find("element vertex ") + 15));
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(vertices.emplace_back().data(), bytes.data() + body + size * i, 24);
        }
    } else { // .gltf: POSITION and NORMAL of each primitive, turned back from glTF's axes
        const nlohmann::json json = nlohmann::json::parse(text);
        const std::vector<std::uint8_t> bin =
            FileBytes(file.parent_path() / json["buffers"][0]["uri"].get<std::string>());
        const auto at = [&](const nlohmann::json& accessor, std::size_t k) {
            const nlohmann::json& view = json["bufferViews"][accessor["bufferView"].get<int>()];
            std::array<float, 3> v{};
            std::memcpy(v.data(), bin.data() + view["byteOffset"].get<std::size_t>() + 12 * k, 12);
            return v;
        };
        for (const nlohmann::json& mesh : json["meshes"]) {
            for (const nlohmann::json& primitive : mesh["primitives"]) {
                const nlohmann::json& p =
                    json["accessors"][primitive["attributes"]["POSITION"].get<int>()];
                const nlohmann::json& n =
                    json["accessors"][primitive["attributes"]["NORMAL"].get<int>()];
                for (std::size_t k = 0; k < p["count"].get<std::size_t>(); ++k) {
                    const std::array<float, 3> a = at(p, k), b = at(n, k);
                    vertices.push_back({a[0], -a[2], a[1], b[0], -b[2], b[1]});
                }
            }
        }
    }
    return vertices;
}

TEST(ExportRoundTrip, EachFormatReadsBackAsTheModelWasWritten) {
    struct TCase {
        const char* Output;
        TExportFormat Format;
        bool Normals, Images, Meshes;
        double ColourTolerance; // < 0: no colours
        bool Mapped = true;
    };
    // PLY's colours are bytes and its reader keeps 5 bits of them; glTF's go through linear values.
    const TCase cases[] = {
        {"model.glb", TExportFormat::Glb, true, true, true, 1e-5},
        {"model.gltf", TExportFormat::Gltf, true, true, true, 1e-5},
        {"model.obj", TExportFormat::Obj, true, true, true, 1e-5},
        {"model.ply", TExportFormat::Ply, true, false, false, 8.5 / 255},
        {"model.stl", TExportFormat::Stl, false, false, false, -1},
        // Without mapping coordinates, no images are looked for.
        {"plain.obj", TExportFormat::Obj, true, false, true, 1e-5, false},
        {"plain.ply", TExportFormat::Ply, true, false, false, 8.5 / 255, false},
    };
    Plexa3DTest::TTempDir dir;
    const TExportImages images = [](const TTextureMap& map, bool) -> std::optional<TExportImage> {
        if (map.FileName != "TELA.PNG") {
            return std::nullopt;
        }
        return TExportImage{TelaBytes, ".png", "image/png", {}};
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Output);
        const std::string source =
            dir.Write(c.Mapped ? "modello.3ds" : "semplice.3ds", Model(c.Mapped));
        TObject3D object;
        TModelLooks looks;
        ReadModelFile(source, TModelPart::Whole, object, looks);
        const std::vector<TTriangle> expected = Triangles(object, looks);
        ASSERT_EQ(expected.size(), 6u);
        const std::filesystem::path folder = dir.Path() / (std::string("out-") + c.Output);
        std::filesystem::create_directory(folder);
        const std::string output = (folder / c.Output).string();
        TObject3D exported;
        TModelLooks exportedLooks;
        ReadModelFile(source, TModelPart::Whole, exported, exportedLooks);
        const TExportReport report =
            ExportModel(exported, exportedLooks, source, output, c.Format, images);
        // The image not there is told once, though two materials name it.
        EXPECT_EQ(report.Notes, c.Images
                                    ? std::vector<std::string>{"image not found: ASSENT\xC8.PNG"}
                                    : std::vector<std::string>{});

        TObject3D read;
        TModelLooks readLooks;
        ReadModelFile(output, TModelPart::Whole, read, readLooks);
        const std::vector<TTriangle> got = Triangles(read, readLooks);
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE("triangle " + std::to_string(i));
            const TTriangle &e = expected[i], &g = got[i];
            for (int k = 0; k < 3; ++k) {
                for (int a = 0; a < 3; ++a) {
                    EXPECT_NEAR(g.Corners[k].Position[a], e.Corners[k].Position[a], 1e-5);
                    if (c.Normals) {
                        EXPECT_NEAR(g.Corners[k].Normal[a], e.Corners[k].Normal[a], 1e-5);
                    }
                }
                for (int a = 0; a < 2 && c.Format == TExportFormat::Ply; ++a) {
                    EXPECT_NEAR(g.Corners[k].Mapping[a], e.Corners[k].Mapping[a], 1e-6);
                }
                for (int a = 0; a < 2 && c.Images && !g.Texture.empty(); ++a) {
                    EXPECT_NEAR(g.Corners[k].Image[a], e.Corners[k].Image[a], 1e-5);
                }
            }
            // glTF draws only images that are there (naming the others in extras), and holds them
            // in a .glb; its base colour tints an image, so over one it is the image's tint.
            const bool gltf = c.Format == TExportFormat::Glb || c.Format == TExportFormat::Gltf;
            const bool tinted = gltf && e.Texture == "TELA";
            for (int a = 0; a < 3 && c.ColourTolerance >= 0; ++a) {
                EXPECT_NEAR(g.Diffuse[a], tinted ? 1.0 : e.Diffuse[a], c.ColourTolerance);
            }
            const std::string texture = !gltf || e.Texture == "TELA" ? e.Texture : "";
            if (c.Images) { // and transparency, the highlight, clamping, and in glTF mirroring
                EXPECT_EQ(g.Texture,
                          c.Format == TExportFormat::Glb && !texture.empty() ? "(held)" : texture);
                EXPECT_NEAR(g.Transparency, e.Transparency, 1e-6);
                EXPECT_NEAR(g.Shininess, e.Shininess, 1e-6);
                for (int a = 0; a < 3 && !gltf; ++a) {
                    EXPECT_NEAR(g.Highlight[a], e.Highlight[a], 1e-6);
                }
                EXPECT_EQ(g.TwoSided, gltf && e.TwoSided);
                if (!g.Texture.empty()) {
                    // A decal is written as an image shown once.
                    const auto once = (e.Tiling & (TilingNone | TilingDecal)) != 0 ? TilingNone : 0;
                    EXPECT_EQ(g.Tiling, once | (gltf ? e.Tiling & TilingMirror : 0));
                }
            }
            if (c.Meshes) { // glTF's names are UTF-8
                EXPECT_EQ(g.Mesh, gltf && e.Mesh == "Vel\xF2\xB0" ? "Vel\u00F2\u00B0" : e.Mesh);
            }
        }
        EXPECT_TRUE(readLooks.Notes.empty());
        // Names of one word, with no '#' to start a comment, as other programs read them.
        if (c.Format == TExportFormat::Obj) {
            for (const char* file : {"model.obj", "model.mtl"}) {
                std::ifstream in(folder / file);
                for (std::string line, word, name, more; std::getline(in, line);) {
                    std::istringstream words(line);
                    if (words >> word >> name && (word == "o" || word.ends_with("mtl"))) {
                        EXPECT_FALSE(words >> more) << line;
                        EXPECT_EQ(name.find('#'), std::string::npos) << line;
                    }
                }
            }
        }
        if (c.Format == TExportFormat::Stl) { // unit normals, as other programs take them
            const std::vector<std::uint8_t> bytes = FileBytes(output);
            ASSERT_EQ(bytes.size(), 84 + 50 * got.size());
            // Not taken for text by readers that look at the first word.
            EXPECT_NE(std::string(bytes.begin(), bytes.begin() + 5), "solid");
            for (std::size_t t = 0; t < got.size(); ++t) {
                float n[3];
                std::memcpy(n, bytes.data() + 84 + 50 * t, sizeof n);
                EXPECT_NEAR(std::hypot(n[0], n[1], n[2]), 1, 1e-6);
            }
        }
        if (c.Normals && c.Format != TExportFormat::Glb) { // each normal as its corner is lit
            for (const std::array<float, 6>& v : WrittenNormals(output, c.Format)) {
                bool lit = false;
                for (const TTriangle& t : expected) {
                    for (const TCorner& k : t.Corners) {
                        double off = 0;
                        for (std::size_t a = 0; a < 3; ++a) {
                            off = std::max({off, std::abs(k.Position[a] - v[a]),
                                            std::abs(k.Normal[a] - v[3 + a])});
                        }
                        lit = lit || off < 1e-5;
                    }
                }
                EXPECT_TRUE(lit) << v[0] << ' ' << v[1] << ' ' << v[2] << ": " << v[3] << ' '
                                 << v[4] << ' ' << v[5];
            }
        }
        if (c.Format == TExportFormat::Ply) { // the first vertex's colour, byte for byte
            const std::vector<std::uint8_t> bytes = FileBytes(output);
            const std::string text(bytes.begin(), bytes.end());
            const std::size_t body = text.find("end_header\n") + 11;
            EXPECT_EQ(std::vector<int>(bytes.begin() + body + 24, bytes.begin() + body + 27),
                      (std::vector<int>{200, 30, 20}));
        }
        if (c.Format == TExportFormat::Gltf) {
            // The positions' bounds in glTF's axes, (x, z, -y); blending where faces are seen
            // through, only.
            const std::vector<std::uint8_t> text = FileBytes(output);
            const nlohmann::json json = nlohmann::json::parse(text.begin(), text.end());
            std::array<double, 3> low{INFINITY, INFINITY, INFINITY},
                high{-low[0], -low[0], -low[0]}, lowRead = low, highRead = high;
            for (const TTriangle& t : expected) {
                for (const TCorner& corner : t.Corners) {
                    const auto& p = corner.Position;
                    const double turned[] = {p[0], p[2], -p[1]};
                    for (std::size_t k = 0; k < 3; ++k) {
                        low[k] = std::min(low[k], turned[k]);
                        high[k] = std::max(high[k], turned[k]);
                    }
                }
            }
            for (const nlohmann::json& accessor : json["accessors"]) {
                for (std::size_t k = 0; k < 3 && accessor.contains("min"); ++k) {
                    lowRead[k] = std::min(lowRead[k], accessor["min"][k].get<double>());
                    highRead[k] = std::max(highRead[k], accessor["max"][k].get<double>());
                }
            }
            EXPECT_EQ(lowRead, low);
            EXPECT_EQ(highRead, high);
            // Not metal, as the model's materials are not.
            for (const nlohmann::json& m : json["materials"]) {
                EXPECT_EQ(m.value("alphaMode", "OPAQUE") == "BLEND",
                          m["pbrMetallicRoughness"]["baseColorFactor"][3].get<double>() < 1);
                EXPECT_EQ(m["pbrMetallicRoughness"]["metallicFactor"], 0);
            }
            // Views where their values can be read in place; the placement of the tail's image
            // is an extension, which is declared.
            for (const nlohmann::json& view : json["bufferViews"]) {
                EXPECT_EQ(view["byteOffset"].get<std::size_t>() % 4, 0u);
            }
            EXPECT_EQ(json["extensionsUsed"], nlohmann::json::array({"KHR_texture_transform"}));
        }
        if (c.Format == TExportFormat::Glb) { // chunks of four-byte multiples, padded at most to it
            const std::vector<std::uint8_t> bytes = FileBytes(output);
            std::uint32_t words[2]; // the total length, the JSON chunk's
            std::memcpy(words, bytes.data() + 8, sizeof words);
            ASSERT_EQ(words[0], bytes.size());
            EXPECT_EQ(words[1] % 4, 0u);
            std::uint32_t bin = 0;
            std::memcpy(&bin, bytes.data() + 20 + words[1], 4);
            const nlohmann::json json = nlohmann::json::parse(
                bytes.begin() + 20, bytes.begin() + 20 + std::ptrdiff_t(words[1]));
            EXPECT_EQ(bin % 4, 0u);
            EXPECT_LT(bin - json["buffers"][0]["byteLength"].get<std::uint32_t>(), 4u);
        }
        if (c.Images) { // the image given, held in the file or beside it
            for (const TMaterial& m : readLooks.Materials) {
                if (m.Texture && m.Texture->Embedded >= 0) {
                    EXPECT_EQ(readLooks.EmbeddedImages.at(std::size_t(m.Texture->Embedded)),
                              TelaBytes);
                } else if (m.Texture && m.Texture->FileName != "ASSENT\xC8.PNG") {
                    EXPECT_EQ(FileBytes(folder / m.Texture->FileName), TelaBytes);
                }
            }
        }
    }
}

} // namespace export_round_trip_test
} // namespace
