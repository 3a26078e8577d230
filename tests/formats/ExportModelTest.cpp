// Export: the model as the writers put it out (meshes, materials, corners shared as the surfaces
// are lit), and files written whole or not at all.
#include "ExportModel.h"
#include "ExportWriters.h"
#include "Import3DSModel.h"
#include "ModelFiles.h"
#include "TempDir.h"
#include "Writer3DS.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {
namespace export_model_test {

using namespace ZuveloGraphLibrary;
using namespace Plexa3DFormats;
using namespace Plexa3DFormats::Detail;
using Plexa3DTools::TMeshSpec;

// Two triangles sharing an edge, the second one in another material.
TMeshSpec Wing(const std::string& name, std::vector<std::uint32_t> smoothing) {
    return {name,
            {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {10, 10, 5}},
            {{0, 1, 2}, {2, 1, 3}},
            {{0, 0}, {1, 0}, {0, 1}, {1, 1}},
            {{"rosso", {0}}, {"blu", {1}}},
            std::move(smoothing)};
}

const std::vector<Plexa3DTools::TMaterialSpec> Colours = {{"rosso", {}, {{{255, 0, 0}}}},
                                                          {"blu", {}, {{{0, 0, 255}}}}};

struct TPrepared {
    std::vector<std::string> Meshes;
    std::vector<std::uint32_t> Materials; // of each primitive, in order
    std::size_t Vertices = 0;             // of all primitives
    std::size_t Corners = 0;
};

TPrepared Prepare(const std::vector<std::uint8_t>& file) {
    TObject3D object;
    TModelLooks looks;
    Load3DSModelBytesWithLooks(file, object, looks);
    const TExportModel model = PrepareExport(object, looks);
    TPrepared prepared;
    for (const TExportMesh& mesh : model.Meshes) {
        prepared.Meshes.push_back(mesh.Name);
        for (const TExportPrimitive& primitive : mesh.Primitives) {
            prepared.Materials.push_back(primitive.Material);
            prepared.Vertices += primitive.Vertices.size();
            prepared.Corners += primitive.Indices.size();
            for (const TExportVertex& v : primitive.Vertices) {
                const double length = std::hypot(v.Normal.X, v.Normal.Y, v.Normal.Z);
                EXPECT_NEAR(length, 1, 1e-6);
            }
        }
    }
    return prepared;
}

// Meshes keep their names and copies; each splits by material; a corner is shared where the
// surfaces share its normal: never across materials, never for a flat face.
TEST(ExportModel, CornersAreSharedAsTheSurfacesAreLit) {
    const auto keyframed = [](const std::vector<TMeshSpec>& meshes) {
        Plexa3DTools::TChunkWriter w;
        w.Begin(0x4D4D);
        w.Begin(0x3D3D);
        for (const auto& m : Colours) {
            w.Material(m);
        }
        for (const TMeshSpec& mesh : meshes) {
            w.Mesh(mesh);
        }
        w.End();
        w.Begin(0xB000);
        for (const char* name : {"Ala", "Ala"}) {
            Plexa3DTools::TNodeSpec node{name};
            node.Position = {{0, {20, 0, 0}}};
            w.Node(node);
        }
        w.End();
        w.End();
        return w.Bytes();
    };
    struct TCase {
        std::string Name;
        std::vector<std::uint8_t> File;
        TPrepared Expected;
    };
    const TCase cases[] = {
        // Each face its own material: nothing to share.
        {"flat", Plexa3DTools::LooksFile(Colours, {Wing("Ala", {0, 0})}), {{"Ala"}, {1, 2}, 6, 6}},
        {"one group, two materials",
         Plexa3DTools::LooksFile(Colours, {Wing("Ala", {1, 1})}),
         {{"Ala"}, {1, 2}, 6, 6}},
        {"one group, one material",
         Plexa3DTools::LooksFile(
             Colours,
             {{"Ala", Wing("", {}).Vertices, Wing("", {}).Faces, {}, {{"rosso", {0, 1}}}, {1, 1}}}),
         {{"Ala"}, {1}, 4, 6}},
        {"groups not sharing a bit",
         Plexa3DTools::LooksFile(
             Colours,
             {{"Ala", Wing("", {}).Vertices, Wing("", {}).Faces, {}, {{"rosso", {0, 1}}}, {1, 2}}}),
         {{"Ala"}, {1}, 6, 6}},
        {"a copy, and a name to escape",
         keyframed({Wing("Ala", {1, 1}), Wing("Coda \"x\"\n/ ala", {0, 0})}),
         {{"Ala", "Coda \"x\"\n/ ala", "Ala"}, {1, 2, 1, 2, 1, 2}, 18, 18}},
        // A sheet whose two sides share a group: the sums cancel, and each face keeps its own.
        {"sums that cancel",
         Plexa3DTools::LooksFile(Colours, {{"Ala",
                                            {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}},
                                            {{0, 1, 2}, {0, 2, 1}},
                                            {},
                                            {{"rosso", {0, 1}}},
                                            {1, 1}}}),
         {{"Ala"}, {1}, 6, 6}},
        // A face without area is lit by a normal of its own; a mesh of no faces is no mesh.
        {"a face without area, a mesh of none",
         Plexa3DTools::LooksFile(Colours, {{"Linea",
                                            {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {5, 0, 0}},
                                            {{0, 1, 2}, {0, 1, 3}},
                                            {},
                                            {{"rosso", {0, 1}}},
                                            {0, 0}},
                                           {"Vuoto", {{0, 0, 0}}, {}, {}, {}, {}}}),
         {{"Linea"}, {1}, 6, 6}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TPrepared prepared = Prepare(c.File);
        EXPECT_EQ(prepared.Meshes, c.Expected.Meshes);
        EXPECT_EQ(prepared.Materials, c.Expected.Materials);
        EXPECT_EQ(prepared.Vertices, c.Expected.Vertices);
        EXPECT_EQ(prepared.Corners, c.Expected.Corners);
    }
}

// Files are written whole or none: a file that cannot be written leaves the files that were there
// as they were and no temporary file; the model read is never written over.
TEST(ExportModel, FilesAreWrittenWholeOrNone) {
    Plexa3DTest::TTempDir dir;
    const std::string old = dir.Write("old.obj", std::string("old bytes"));
    const auto content = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_THROW(WriteFilesWhole(
                     {{old, {1, 2, 3}, {}}, {(dir.Path() / "absent" / "x.mtl").string(), {4}, {}}}),
                 RuntimeError);
    EXPECT_EQ(content(old), "old bytes");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u); // no temporary left

    // A streamed file that the disk cannot hold (here, a limit on the size of files), and one
    // whose making fails half-way: the same.
    const std::string piece(64 * 1024, 'x');
    TOutputFile large{old, {}, {}, [&](const TEmit& emit) { emit(piece), emit(piece); }};
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{16 * 1024, limit.rlim_max};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(WriteFilesWhole({large}), RuntimeError);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    std::signal(SIGXFSZ, previous);
    large.Stream = [&](const TEmit& emit) {
        emit(piece);
        throw RuntimeError("no memory");
    };
    EXPECT_THROW(WriteFilesWhole({large}), RuntimeError);
    EXPECT_EQ(content(old), "old bytes");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    // A folder where the file would go: the same.
    std::filesystem::create_directory(dir.Path() / "taken.obj");
    EXPECT_THROW(WriteFilesWhole({{(dir.Path() / "taken.obj").string(), {1}, {}}}), RuntimeError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);

    WriteFilesWhole({{old, {'n', 'e', 'w'}, {}}});
    EXPECT_EQ(content(old), "new");
    // Readable by others, as the files a user saves are.
    EXPECT_NE(std::filesystem::status(old).permissions() & std::filesystem::perms::others_read,
              std::filesystem::perms::none);

    const std::string model =
        dir.Write("ala.3ds", Plexa3DTools::LooksFile(Colours, {Wing("Ala", {0, 0})}));
    TObject3D object;
    TModelLooks looks;
    Load3DSModelWithLooks(model, object, looks);
    EXPECT_THROW(ExportModel(object, looks, model, model, TExportFormat::Stl, {}), RuntimeError);
    EXPECT_EQ(content(model).size(), std::filesystem::file_size(model));
    EXPECT_NE(content(model).substr(0, 2), "Bi"); // not an STL header
    { // An empty file where the output goes is written over like any other.
        const std::string empty = dir.Write("vuoto.stl", std::string());
        Load3DSModelWithLooks(model, object, looks);
        ExportModel(object, looks, model, empty, TExportFormat::Stl, {});
        EXPECT_EQ(content(empty).size(), 84u + 2 * 50);
        // Read back, the STL names no meshes: written again, it keeps all its faces.
        ReadModelFile(empty, TModelPart::Whole, object, looks);
        const std::string again = (dir.Path() / "ancora.stl").string();
        ExportModel(object, looks, empty, again, TExportFormat::Stl, {});
        EXPECT_EQ(content(again).size(), 84u + 2 * 50);
    }
    // Nor are the files the model names that its reading found: a library or a buffer that an
    // output's companion would take the name of.
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    dir.Write("shared.mtl", std::string("newmtl m\nKd 1 0 0\n"));
    dir.Write("scatola0.bin", std::string(36, '\0'));
    const struct {
        std::string Input, Output;
        std::string Companion;
    } companions[] = {
        {dir.Write("a.obj", "mtllib shared.mtl\nusemtl m\n" + triangle + "f 1 2 3\n"), "shared.obj",
         "shared.mtl"},
        {dir.Write(
             "scatola.gltf",
             std::string(R"({"asset":{"version":"2.0"},"buffers":[{"uri":"scatola0.bin",)"
                         R"("byteLength":36}],"bufferViews":[{"buffer":0,"byteLength":36}],)"
                         R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,)"
                         R"("type":"VEC3"}],"meshes":[{"primitives":[{"attributes":)"
                         R"({"POSITION":0}}]}],"nodes":[{"mesh":0}],"scenes":[{"nodes":[0]}]})")),
         "scatola0.gltf", "scatola0.bin"},
    };
    for (const auto& c : companions) {
        SCOPED_TRACE(c.Input);
        const std::string companion = (dir.Path() / c.Companion).string();
        const std::string before = content(companion);
        const TModelFile read = ReadModelFile(c.Input, TModelPart::Whole, object, looks);
        EXPECT_THROW(ExportModel(object, looks, c.Input, (dir.Path() / c.Output).string(),
                                 ExportFormatNamed(c.Output).value(), {}, read.Companions),
                     RuntimeError);
        EXPECT_EQ(content(companion), before);
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / c.Output));
    }

    // An image copied beside the output never takes the place of a file holding other bytes; a
    // second export finds its own copy there and writes no other.
    const std::string mine = dir.Write("TELA.png", std::string("mine"));
    TMeshSpec cloth = Wing("Tela", {0, 0});
    cloth.Materials = {{"tela", {0, 1}}};
    const std::string textured = dir.Write(
        "tela.3ds", Plexa3DTools::LooksFile(
                        {{"tela", {}, {{{9, 9, 9}}}, {}, {}, {}, {}, false, "TELA.PNG"}}, {cloth}));
    const TExportImages images = [](const TTextureMap&, bool) {
        return std::optional(TExportImage{{1, 2, 3}, ".png", "image/png", {}});
    };
    for (int round = 0; round < 2; ++round) {
        Load3DSModelWithLooks(textured, object, looks);
        ExportModel(object, looks, textured, (dir.Path() / "tela.obj").string(), TExportFormat::Obj,
                    images);
        EXPECT_EQ(content(mine), "mine");
        EXPECT_EQ(content((dir.Path() / "TELA_2.png").string()), "\x01\x02\x03");
        EXPECT_NE(content((dir.Path() / "tela.mtl").string()).find(" TELA_2.png\n"),
                  std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "TELA_3.png"));
    }
    // Exported beside the model, the image found there is the one named, left as it is.
    Load3DSModelWithLooks(textured, object, looks);
    const TExportReport beside =
        ExportModel(object, looks, textured, (dir.Path() / "tela2.obj").string(),
                    TExportFormat::Obj, [&](const TTextureMap&, bool) {
                        return std::optional(TExportImage{{'m', 'i', 'n', 'e'}, ".png", {}, mine});
                    });
    EXPECT_EQ(beside.Written.size(), 2u);
    EXPECT_NE(content((dir.Path() / "tela2.mtl").string()).find(" TELA.png\n"), std::string::npos);

    // Two outputs whose names differ only in what a name inside the model cannot hold never
    // share the file that goes with them: both read back whole.
    for (const char* format : {".obj", ".gltf"}) {
        SCOPED_TRACE(format);
        const std::pair<std::string, std::string> outputs[] = {
            {(dir.Path() / ("a b" + std::string(format))).string(), model},
            {(dir.Path() / ("a_b" + std::string(format))).string(), textured}};
        for (const auto& [output, input] : outputs) {
            Load3DSModelWithLooks(input, object, looks);
            ExportModel(object, looks, input, output, ExportFormatNamed(output).value(), images);
        }
        for (const auto& [output, input] : outputs) {
            TObject3D back;
            TModelLooks backLooks;
            ReadModelFile(output, TModelPart::Whole, back, backLooks);
            Load3DSModelWithLooks(input, object, looks);
            EXPECT_TRUE(backLooks.Notes.empty()) << output;
            EXPECT_EQ(backLooks.Materials.size(), looks.Materials.size()) << output;
        }
    }
}

// STL normals are of unit length, or zero for a face without area, never NaN.
TEST(ExportModel, StlNormalsAreUnitOrZero) {
    Plexa3DTest::TTempDir dir;
    const std::string model =
        dir.Write("linea.3ds",
                  Plexa3DTools::LooksFile(Colours, {{"Linea",
                                                     {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {5, 0, 0}},
                                                     {{0, 1, 2}, {0, 1, 3}},
                                                     {},
                                                     {},
                                                     {}}}));
    TObject3D object;
    TModelLooks looks;
    Load3DSModelWithLooks(model, object, looks);
    const std::string out = (dir.Path() / "linea.stl").string();
    ExportModel(object, looks, model, out, TExportFormat::Stl, {});
    std::ifstream in(out, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    ASSERT_EQ(bytes.size(), 84u + 2 * 50);
    std::vector<double> lengths;
    for (int t = 0; t < 2; ++t) {
        float n[3];
        std::memcpy(n, bytes.data() + 84 + 50 * t, sizeof n);
        lengths.push_back(std::hypot(n[0], n[1], n[2]));
    }
    std::sort(lengths.begin(), lengths.end());
    EXPECT_EQ(lengths, (std::vector<double>{0, 1}));
}

// glTF indices of 16 bits up to 65535 vertices in a primitive, of 32 bits past them: each reads
// back.
TEST(ExportModel, GltfIndicesWidenPast65535Vertices) {
    Plexa3DTest::TTempDir dir;
    for (const std::uint32_t count : {65535u, 65538u}) {
        SCOPED_TRACE(count);
        TExportModel model;
        model.Meshes.push_back({"m", {TExportPrimitive{}}});
        TExportPrimitive& p = model.Meshes[0].Primitives[0];
        for (std::uint32_t i = 0; i < count; ++i) {
            p.Vertices.push_back(
                {{float(i % 3 == 1), float(i / 3), float(i % 3 == 2)}, {0, 0, 1}, {}});
            p.Indices.push_back(i);
        }
        TModelLooks looks;
        looks.Materials.resize(1);
        TExportReport report;
        const std::string out = (dir.Path() / "m.glb").string();
        WriteFilesWhole(WriteGltf(model, looks, out, true, {}, report));
        TObject3D object;
        TModelLooks read;
        ReadModelFile(out, TModelPart::Whole, object, read);
        ASSERT_EQ(object.FaceCount, std::int32_t(count / 3));
        const TFace3D& last = object.Faces[object.FaceCount];
        for (const std::uint32_t n : {last.A, last.B, last.C}) {
            EXPECT_EQ(object.Vertices[std::int32_t(n)].Y, float(count / 3 - 1));
        }
    }
}

// A material that no face uses is neither written nor has its image looked for.
TEST(ExportModel, MaterialsNoFaceUsesAreLeftOut) {
    Plexa3DTest::TTempDir dir;
    TMeshSpec wing = Wing("Ala", {0, 0});
    wing.Materials = {{"rosso", {0, 1}}};
    const std::string model = dir.Write(
        "ala.3ds",
        Plexa3DTools::LooksFile(
            {Colours[0], {"spare", {}, {{{9, 9, 9}}}, {}, {}, {}, {}, false, "ASSENTE.PNG"}},
            {wing}));
    for (const TExportFormat format : {TExportFormat::Obj, TExportFormat::Gltf}) {
        TObject3D object;
        TModelLooks looks;
        Load3DSModelWithLooks(model, object, looks);
        const TExportReport report = ExportModel(
            object, looks, model,
            (dir.Path() / (format == TExportFormat::Obj ? "a.obj" : "a.gltf")).string(), format,
            [](const TTextureMap&, bool) { return std::optional<TExportImage>(); });
        EXPECT_EQ(report.Notes, std::vector<std::string>{});
    }
    std::ifstream in(dir.Path() / "a.mtl");
    const std::string mtl(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(mtl.find("spare"), std::string::npos);
}

// Each image gets a file of its own: two named alike but for their extension, and two that the
// model holds, which have no file names.
TEST(ExportModel, ImagesDoNotShareAFile) {
    Plexa3DTest::TTempDir dir;
    TMeshSpec square = Wing("Ala", {0, 0, 0, 0});
    square.Faces = {{0, 1, 2}, {2, 1, 3}, {0, 2, 1}, {2, 3, 1}};
    square.Materials = {{"a", {0}}, {"b", {1}}, {"c", {2}}, {"d", {3}}};
    std::vector<Plexa3DTools::TMaterialSpec> materials;
    for (const char* name : {"a", "b", "c", "d"}) {
        materials.push_back(
            {name, {}, {{{9, 9, 9}}}, {}, {}, {}, {}, false, name[0] == 'b' ? "T.JPG" : "T.PNG"});
    }
    const std::string model = dir.Write("ala.3ds", Plexa3DTools::LooksFile(materials, {square}));
    TObject3D object;
    TModelLooks looks;
    Load3DSModelWithLooks(model, object, looks);
    for (const int held : {0, 1}) { // c's and d's
        looks.Materials.at(std::size_t(3 + held)).Texture->Embedded = held;
        looks.Materials.at(std::size_t(3 + held)).Texture->FileName.clear();
    }
    // Each image's bytes tell which it is.
    const auto bytesOf = [](const TTextureMap& map) {
        return std::vector<std::uint8_t>{std::uint8_t(map.Embedded + 1),
                                         std::uint8_t(map.FileName.empty() ? 0 : map.FileName[2])};
    };
    const std::string output = (dir.Path() / "out.obj").string();
    ExportModel(object, looks, model, output, TExportFormat::Obj,
                [&](const TTextureMap& map, bool) {
                    return std::optional(TExportImage{bytesOf(map), ".png", {}, {}});
                });
    TObject3D back;
    TModelLooks backLooks;
    ReadModelFile(output, TModelPart::Whole, back, backLooks);
    std::size_t textured = 0;
    for (const TMaterial& m : backLooks.Materials) {
        for (const TMaterial& source : looks.Materials) {
            if (m.Texture && source.Name == m.Name) {
                SCOPED_TRACE(m.Name);
                std::ifstream in(dir.Path() / m.Texture->FileName, std::ios::binary);
                EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}),
                          bytesOf(*source.Texture));
                ++textured;
            }
        }
    }
    EXPECT_EQ(textured, 4u);
}

} // namespace export_model_test
} // namespace
