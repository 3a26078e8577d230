// Model files told apart by their content, whatever they are called.
#include "ModelFiles.h"
#include "Writer3DS.h"
#include "WriterGltf.h"
#include "WriterObj.h"
#include "WriterOff.h"
#include "WriterPly.h"
#include "WriterStl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {
namespace model_files_test {

using namespace Plexa3DFormats;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(ModelFiles, FormatsAreToldApartByTheirFirstBytes) {
    std::vector<std::uint8_t> stl(84 + 50, 0);
    stl[80] = 1; // one triangle
    std::vector<std::uint8_t> stlSolid = stl;
    for (int i = 0; i < 5; ++i) {
        stlSolid[std::size_t(i)] = std::uint8_t("solid"[i]); // a binary header saying "solid"
    }
    std::vector<std::uint8_t> stlShort = stlSolid;
    stlShort.pop_back(); // no longer the length its count says: ASCII by its first word
    const struct {
        std::string Name;
        std::vector<std::uint8_t> Bytes;
        TModelFormat Format;
    } cases[] = {
        {"3ds", {0x4D, 0x4D, 6, 0, 0, 0}, TModelFormat::ThreeDS},
        {"binary glTF", Bytes("glTF\x02\0\0\0"), TModelFormat::Gltf},
        {"glTF", Bytes("\xEF\xBB\xBF  {\"asset\":{\"version\":\"2.0\"}}"), TModelFormat::Gltf},
        {"ply", Bytes("ply\nformat ascii 1.0\n"), TModelFormat::Ply},
        {"ply, CR LF", Bytes("ply\r\nformat ascii 1.0\r\n"), TModelFormat::Ply},
        {"binary stl", stl, TModelFormat::Stl},
        {"binary stl saying solid", stlSolid, TModelFormat::Stl},
        {"ascii stl", Bytes("solid cube\n facet normal 0 0 1\n"), TModelFormat::Stl},
        {"ascii stl cut short", stlShort, TModelFormat::Stl},
        {"off", Bytes("OFF\n3 1 0\n"), TModelFormat::Off},
        {"coloured off after a comment", Bytes("# made by hand\nCOFF 3 1 0\n"), TModelFormat::Off},
        {"off with every letter", Bytes("STCN4nOFF\n3\n3 1 0\n"), TModelFormat::Off},
        {"obj", Bytes("# comment\nmtllib a.mtl\no Cube\nv 1 2 3\nf 1 2 3\n"), TModelFormat::Obj},
        {"obj with a long last line", Bytes("v 1 2 3\nv 1 2 3\nvt"), TModelFormat::Obj},
        {"obj whose statement the look at its head cuts",
         Bytes("v 1 2 3\n#" + std::string(4096 - 8 - 4, '-') + "\nusemtl m\n"), TModelFormat::Obj},
        {"obj after a byte-order mark", Bytes("\xEF\xBB\xBFv 1 2 3\n"), TModelFormat::Obj},
        {"obj with materials of its own", Bytes("newmtl Red\nKd 1 0 0\nusemtl Red\nv 1 2 3\n"),
         TModelFormat::Obj},
        {"text", Bytes("hello world\n"), TModelFormat::Unknown},
        {"comments only", Bytes("# nothing\n\n"), TModelFormat::Unknown},
        {"a word like OFF", Bytes("XOFF\n"), TModelFormat::Unknown},
        {"a letter of OFF twice", Bytes("CCOFF\n"), TModelFormat::Unknown},
        {"empty", {}, TModelFormat::Unknown},
        {"one byte of 3ds", {0x4D}, TModelFormat::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DetectModelFormat(c.Bytes), c.Format) << c.Name;
    }
}

// A binary STL cut short has no length to know it by: its name tells it, for the whole model.
TEST(ModelFiles, ABinaryStlCutShortIsKnownByItsName) {
    std::vector<std::uint8_t> cut(84 + 50 + 20, 0);
    cut[80] = 3; // three triangles said, one whole and part of the next there
    const struct {
        const char* Name;
        std::size_t Size;
        TModelPart Part;
        TModelFormat Format;
        std::int32_t Faces;
    } cases[] = {
        {"dir/cut.stl", cut.size(), TModelPart::Whole, TModelFormat::Stl, 1},
        {"dir/CUT.Stl", cut.size(), TModelPart::Whole, TModelFormat::Stl, 1},
        {"dir/cut.stl", 83, TModelPart::Whole, TModelFormat::Unknown, 0}, // not even its header
        {"dir/cut.stl", 84, TModelPart::Whole, TModelFormat::Stl, 0},     // its header only
        {"dir/cut.bin", cut.size(), TModelPart::Whole, TModelFormat::Unknown, 0},
        {"dir/cutstl", cut.size(), TModelPart::Whole, TModelFormat::Unknown, 0},
        {"dir/cut.stl", cut.size(), TModelPart::FirstMesh, TModelFormat::Unknown, 0},
    };
    for (const auto& c : cases) {
        ZuveloGraphLibrary::TObject3D object;
        ZuveloGraphLibrary::TModelLooks looks;
        const TModelSource source{c.Name, std::span(cut).first(c.Size), {}};
        const TModelFile read = ReadModelSource(source, c.Part, object, looks);
        EXPECT_EQ(read.Format, c.Format) << c.Name << " " << c.Size;
        EXPECT_EQ(object.FaceCount, c.Faces) << c.Name << " " << c.Size;
        EXPECT_EQ(looks.Notes.size(), c.Format == TModelFormat::Stl ? 1u : 0u)
            << c.Name << " " << c.Size;
    }
}

// One model written by each format's test writer reads as the same triangles, corner for corner
// in the order each turns, whatever the format.
TEST(ModelFiles, TheSameModelReadsAsTheSameTrianglesInEveryFormat) {
    using Plexa3DTools::TMeshSpec;
    const std::vector<TMeshSpec> meshes = {
        {"Tetra",
         {{0, 0, 0}, {4, 0, 0}, {0, 5, 0}, {1, 1, 6}},
         {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}}},
        {"Quad",
         {{-3, -3, 1.5f}, {-1, -3, 1.5f}, {-1, -0.25f, 2}, {-3, -0.25f, 2}},
         {{0, 1, 2}, {0, 2, 3}}},
    };
    using TTriangle = std::array<std::array<float, 3>, 3>;
    const auto triangles = [](const std::vector<std::uint8_t>& bytes, const char* name) {
        const TModelSource source{name, bytes, {}};
        ZuveloGraphLibrary::TObject3D object;
        ZuveloGraphLibrary::TModelLooks looks;
        ReadModelSource(source, TModelPart::Whole, object, looks);
        std::vector<TTriangle> read;
        for (const auto& f : object.Faces) {
            TTriangle t;
            const std::uint32_t corners[3] = {f.A, f.B, f.C};
            for (int k = 0; k < 3; ++k) {
                const auto& p = object.Vertices[std::int32_t(corners[k])];
                t[std::size_t(k)] = {p.X, p.Y, p.Z};
            }
            std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
            read.push_back(t);
        }
        std::sort(read.begin(), read.end());
        return read;
    };
    const std::vector<TTriangle> expected = triangles(Plexa3DTools::LooksFile({}, meshes), "m.3ds");
    ASSERT_EQ(expected.size(), 6u);
    const std::string obj = Plexa3DTools::ObjFile(meshes);
    const std::uint16_t red = Plexa3DTools::StlValidBitColour(31, 0, 0);
    const std::uint16_t blue = Plexa3DTools::StlValidBitColour(0, 0, 31);
    const struct {
        const char* Name;
        std::vector<std::uint8_t> Bytes;
    } cases[] = {
        {"m.obj", {obj.begin(), obj.end()}},
        {"m.stl", Plexa3DTools::StlFile(meshes)},
        {"m.ply", Plexa3DTools::PlyFile(meshes)},
        {"m.off", Plexa3DTools::OffFile(meshes)},
        {"m.stl",
         Plexa3DTools::StlFile(meshes, {.Attributes = {red, 0, red, blue, 0, red}})}, // runs
        {"m.glb", Plexa3DTools::GltfMeshFile(meshes)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(triangles(c.Bytes, c.Name), expected) << c.Name;
    }
}

// Long runs of plain items in text are read a stretch at a time on two threads. Whatever lies
// among them, wherever it falls (lines of other forms, which end a run, and in PLY items running
// on over a line's end or sharing one), the model read is the one written.
TEST(ModelFiles, LongRunsOfPlainItemsReadAsWritten) {
    constexpr int Side = 160; // 25,600 vertices and 50,562 triangles
    std::vector<std::string> vertices, faces;
    for (int i = 0; i < Side * Side; ++i) {
        vertices.push_back(std::to_string(i % Side) + " " + std::to_string(i / Side) +
                           (i % 2 == 1 ? " -" : " ") + std::to_string(i % 13) + ".25");
    }
    for (int y = 0; y + 1 < Side; ++y) {
        for (int x = 0; x + 1 < Side; ++x) {
            const int v = y * Side + x;
            faces.push_back("3 " + std::to_string(v) + " " + std::to_string(v + 1) + " " +
                            std::to_string(v + Side + 1));
            faces.push_back("3 " + std::to_string(v) + " " + std::to_string(v + Side + 1) + " " +
                            std::to_string(v + Side));
        }
    }
    // The lines with `odd` applied to every one whose number from `from` is a multiple of
    // `every`, each line ending as `odd` leaves it.
    using TOdd = std::string (*)(const std::string&);
    const auto text = [&](const std::string& head, TOdd odd, std::size_t from, std::size_t every) {
        std::string all = head;
        std::size_t n = 0;
        for (const auto* lines : {&vertices, &faces}) {
            for (const std::string& line : *lines) {
                all += n >= from && (n - from) % every == 0 ? odd(line) : line + "\n";
                ++n;
            }
        }
        return all;
    };
    constexpr std::size_t None = std::size_t(-1);
    const std::string counts = std::to_string(vertices.size()) + " " + std::to_string(faces.size());
    const std::string off = "OFF\n" + counts + " 0\n";
    const std::string ply =
        "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertices.size()) +
        "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
        std::to_string(faces.size()) + "\nproperty list uchar int vertex_indices\nend_header\n";
    const TOdd comment = [](const std::string& line) { return "# note\n\n" + line + "\n"; };
    const TOdd trailing = [](const std::string& line) { return line + " # note\n"; };
    const TOdd plyComment = [](const std::string& line) { return "comment note\n" + line + "\n"; };
    const TOdd runOn = [](const std::string& line) {
        std::string split = line;
        split[split.find(' ')] = '\n';
        return split + "\n";
    };
    const TOdd shared = [](const std::string& line) { return line + " "; };
    const struct {
        const char* Label;
        std::string File;
    } cases[] = {
        {"OFF, plain", text(off, comment, None, 1)},
        {"OFF, comments and blank lines here and there", text(off, comment, 4100, 9001)},
        {"OFF, comments ending lines here and there", text(off, trailing, 8191, 7919)},
        {"OFF, comments ending lines now and then", text(off, trailing, 12000, 1499)},
        {"PLY, plain", text(ply, comment, None, 1)},
        {"PLY, comment lines here and there", text(ply, plyComment, 4100, 9001)},
        {"PLY, items running on over a line's end", text(ply, runOn, 5000, 1)},
        {"PLY, items sharing a line", text(ply, shared, 9000, 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const std::vector<std::uint8_t> bytes = Bytes(c.File);
        const TModelSource source{c.Label[0] == 'O' ? "m.off" : "m.ply", bytes, {}};
        ZuveloGraphLibrary::TObject3D object;
        ZuveloGraphLibrary::TModelLooks looks;
        ReadModelSource(source, TModelPart::Whole, object, looks);
        ASSERT_EQ(object.VertexCount, Side * Side);
        ASSERT_EQ(object.FaceCount, std::int32_t(faces.size()));
        int wrong = 0;
        for (int i = 0; i < Side * Side; ++i) {
            const auto& v = object.Vertices[i + 1];
            const float z = float(i % 13) + 0.25f;
            wrong += v.X != float(i % Side) || v.Y != float(i / Side) || v.Z != (i % 2 ? -z : z);
        }
        for (std::int32_t f = 1; f <= object.FaceCount; ++f) {
            // The square's corners, numbered from 1: a, b along x, then c, d a row up.
            const int square = (f - 1) / 2;
            const auto a = std::uint32_t(square / (Side - 1) * Side + square % (Side - 1) + 1);
            const std::uint32_t b = a + 1, c = a + Side, d = a + Side + 1;
            const auto& face = object.Faces[f];
            wrong += f % 2 == 1 ? face.A != a || face.B != b || face.C != d
                                : face.A != a || face.B != d || face.C != c;
        }
        EXPECT_EQ(wrong, 0);
    }
}

} // namespace model_files_test
} // namespace
