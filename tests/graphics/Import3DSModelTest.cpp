// The whole-model reader against files written by our own writer, against a plain in-memory
// reading of the same rule on damaged files, and against real files made by other tools.
#include "Import3DSModel.h"
#include "Corpus.h"
#include "DamagedModels.h"
#include "FitPlacement.h"
#include "Import3DS.h"
#include "TempDir.h"
#include "Writer3DS.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace {
namespace import3ds_model_test {

using namespace ZuveloGraphLibrary;
using Plexa3DTest::TTempDir;
using Plexa3DTools::EditorFile;
using Plexa3DTools::TChunkWriter;
using Plexa3DTools::TMeshSpec;
using Bytes = std::vector<std::uint8_t>;
using Vertices = std::vector<std::array<float, 3>>;
using Faces = std::vector<std::array<std::uint16_t, 3>>;
using Numbers = std::vector<std::array<std::uint32_t, 3>>; // as stored: counted from 1

// What a model should hold: its vertices and faces, the faces numbered as stored.
struct TExpected {
    Vertices Points;
    Numbers Triangles;
};

// A mesh of `count` vertices whose coordinates tell the mesh and the vertex apart.
TMeshSpec Part(const std::string& name, int count, float tag, const Faces& faces) {
    TMeshSpec mesh{name, {}, faces};
    for (int i = 0; i < count; ++i) {
        mesh.Vertices.push_back({tag, static_cast<float>(i), -tag * static_cast<float>(i)});
    }
    return mesh;
}

const TMeshSpec A = Part("A", 3, 1, {{0, 1, 2}, {2, 1, 0}});
const TMeshSpec B = Part("B", 4, 2, {{0, 1, 2}, {3, 2, 1}});
const TMeshSpec B2 = Part("B2", 2, 2, {{0, 1, 2}, {1, 0, 1}});
const TMeshSpec C = Part("C", 2, 3, {{1, 0, 1}});
const Numbers AFaces = {{1, 2, 3}, {3, 2, 1}};
const Numbers BFacesAfterA = {{4, 5, 6}, {7, 6, 5}};

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();
const Vertices Damaged = {{0, 0, 0}, {NaN, 1, 0}, {0, -Inf, 0}, {1, 1, 1}};

Vertices Append(Vertices a, const Vertices& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Vertices Join(std::initializer_list<const TMeshSpec*> meshes) {
    Vertices all;
    for (const TMeshSpec* mesh : meshes) {
        all.insert(all.end(), mesh->Vertices.begin(), mesh->Vertices.end());
    }
    return all;
}

Numbers Concat(std::initializer_list<Numbers> parts) {
    Numbers all;
    for (const Numbers& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A named object holding a triangle mesh, with whatever `body` writes inside the mesh.
template <class Body> void MeshWith(TChunkWriter& w, Body body) {
    w.Begin(0x4000);
    w.ZeroTerminated("M");
    w.Begin(0x4100);
    body(w);
    w.End();
    w.End();
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

// Coordinates are compared bit for bit, so that NaNs read from damaged files compare too. With
// `instances` above 1, the expected model is what comes first, and the counts are that many times
// its own.
void ExpectModel(const TObject3D& object, const TExpected& expected, std::size_t instances = 1) {
    ASSERT_EQ(object.Vertices.Count(), object.VertexCount);
    ASSERT_EQ(object.WorldVertices.Count(), object.VertexCount);
    ASSERT_EQ(object.Faces.Count(), object.FaceCount);
    ASSERT_EQ(std::size_t(object.VertexCount), expected.Points.size() * instances);
    ASSERT_EQ(std::size_t(object.FaceCount), expected.Triangles.size() * instances);
    using Bits = std::vector<std::array<std::uint32_t, 3>>;
    Bits points;
    Bits wanted;
    for (const TPoint3D& p : std::span(object.Vertices.begin(), expected.Points.size())) {
        points.push_back(std::bit_cast<std::array<std::uint32_t, 3>>(p));
    }
    for (const auto& p : expected.Points) {
        wanted.push_back(std::bit_cast<std::array<std::uint32_t, 3>>(p));
    }
    EXPECT_TRUE(points == wanted) << object.VertexCount << " vertices";
    Numbers faces;
    for (const TFace3D& f : std::span(object.Faces.begin(), expected.Triangles.size())) {
        faces.push_back({f.A, f.B, f.C});
    }
    EXPECT_TRUE(faces == expected.Triangles) << object.FaceCount << " faces";
}

// A plain reading of the rule over the file held in memory, recursive, one bounds check per
// value read, to set against the reader. Keyframer data is passed over.
struct TReference {
    Bytes File;
    TExpected Model;
    int MeshChunks = 0;

    std::uint32_t At(std::int64_t at, int size) const {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = value << 8 | File.at(static_cast<std::size_t>(at + i));
        }
        return value;
    }

    struct TChild {
        std::uint32_t Id;
        std::int64_t Begin, End;
    };
    std::vector<TChild> Children(std::int64_t begin, std::int64_t end) const {
        std::vector<TChild> children;
        while (end - begin >= 6) {
            const auto length = static_cast<std::int32_t>(At(begin + 2, 4));
            if (length < 6) {
                break;
            }
            children.push_back({At(begin, 2), begin + 6, std::min(begin + length, end)});
            begin = children.back().End;
        }
        return children;
    }

    std::int64_t Count(const TChild& list, int recordSize) const {
        const std::int64_t size = list.End - list.Begin;
        return size < 2 ? 0 : std::min<std::int64_t>(At(list.Begin, 2), (size - 2) / recordSize);
    }

    void Mesh(const TChild& mesh) {
        ++MeshChunks;
        std::vector<TChild> vertexLists;
        std::vector<TChild> faceLists;
        for (const TChild& list : Children(mesh.Begin, mesh.End)) {
            if (list.Id == 0x4110) {
                vertexLists.push_back(list);
            } else if (list.Id == 0x4120) {
                faceLists.push_back(list);
            }
        }
        if (vertexLists.empty() || faceLists.empty()) {
            return;
        }
        const auto base = static_cast<std::uint32_t>(Model.Points.size());
        const std::int64_t vertexCount = Count(vertexLists[0], 12);
        for (std::int64_t i = 0; i < vertexCount; ++i) {
            std::array<float, 3> p{};
            for (int k = 0; k < 3; ++k) {
                p[k] = std::bit_cast<float>(At(vertexLists[0].Begin + 2 + 12 * i + 4 * k, 4));
            }
            Model.Points.push_back(p);
        }
        for (std::int64_t i = 0; i < Count(faceLists[0], 8); ++i) {
            std::array<std::uint32_t, 3> face{};
            bool inRange = true;
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t number = At(faceLists[0].Begin + 2 + 8 * i + 2 * k, 2);
                inRange = inRange && number < vertexCount;
                if (inRange) {
                    const auto& p = Model.Points[base + number];
                    inRange = std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
                }
                face[k] = base + number + 1;
            }
            if (inRange) {
                Model.Triangles.push_back(face);
            }
        }
    }

    explicit TReference(Bytes bytes) : File(std::move(bytes)) {
        const auto size = static_cast<std::int64_t>(File.size());
        if (size < 6 || At(0, 2) != 0x4D4D) {
            return;
        }
        for (const TChild& editor : Children(6, size)) {
            for (const TChild& object :
                 editor.Id == 0x3D3D ? Children(editor.Begin, editor.End) : std::vector<TChild>{}) {
                auto zero = File.begin() + object.Begin;
                const auto objectEnd = File.begin() + object.End;
                zero = std::find(zero, objectEnd, 0);
                if (object.Id != 0x4000 || zero == objectEnd) {
                    continue;
                }
                for (const TChild& mesh : Children(zero - File.begin() + 1, object.End)) {
                    if (mesh.Id == 0x4100) {
                        Mesh(mesh);
                    }
                }
            }
        }
    }
};

TObject3D Load(const Bytes& bytes) {
    TObject3D object;
    Load3DSModelBytes(bytes, object, "model.3ds");
    return object;
}

TEST(Load3DSModelTest, ReadsEveryMeshByTheRule) {
    const Bytes twoMeshes = Plexa3DTools::MeshFile({A, B});
    Vertices big(40000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = {static_cast<float>(i), 0.5f, -1.0f};
    }
    const TMeshSpec big1{"Big1", big, {{0, 39999, 1}}};
    const TMeshSpec big2{"Big2", big, {{39999, 0, 12345}, {2, 1, 0}}};
    Vertices bigAll = big;
    bigAll.insert(bigAll.end(), big.begin(), big.end());

    struct TCase {
        std::string Label;
        Bytes File;
        TExpected Expected;
    };
    std::vector<TCase> cases = {
        {"meshes in file order, renumbered, lights and cameras before and between",
         EditorFile([](TChunkWriter& w) {
             w.Filler(0x3D3E, 4);
             w.Camera("Camera01");
             w.Light("Omni");
             w.Mesh(A);
             w.Light("Spot");
             w.Filler(0xAFFF, 30); // a material
             w.Mesh(B);
             w.Camera("Camera02");
             w.Mesh(C);
         }),
         {Join({&A, &B, &C}), Concat({AFaces, BFacesAfterA, {{9, 8, 9}}})}},
        {"faces outside their own mesh dropped",
         EditorFile([](TChunkWriter& w) {
             w.Mesh(Part("A", 3, 1, {{0, 1, 3}, {2, 1, 0}, {65535, 0, 1}}));
             w.Mesh(B2);
         }),
         {Join({&A, &B2}), {{3, 2, 1}, {5, 4, 5}}}},
        {"faces using a vertex with a coordinate that is not finite dropped",
         EditorFile([](TChunkWriter& w) {
             w.Mesh({"N", Damaged, {{0, 3, 0}, {1, 0, 3}, {3, 2, 0}, {0, 3, 3}}});
             w.Mesh(A);
         }),
         {Append(Damaged, A.Vertices), {{1, 4, 1}, {1, 4, 4}, {5, 6, 7}, {7, 6, 5}}}},
        {"first lists of a mesh taken, in either order; later ones ignored",
         EditorFile([](TChunkWriter& w) {
             MeshWith(w, [](TChunkWriter& m) {
                 m.FaceList(A.Faces);
                 m.Filler(0x4140, 20); // mapping coordinates
                 m.VertexList(A.Vertices);
                 m.VertexList(B.Vertices);
                 m.FaceList(B.Faces);
             });
             w.Mesh(C);
         }),
         {Join({&A, &C}), Concat({AFaces, {{5, 4, 5}}})}},
        {"a mesh lacking a list adds nothing",
         EditorFile([](TChunkWriter& w) {
             MeshWith(w, [](TChunkWriter& m) { m.VertexList(B.Vertices); });
             MeshWith(w, [](TChunkWriter& m) { m.FaceList(B.Faces); });
             w.Mesh(A);
             MeshWith(w, [](TChunkWriter&) {});
         }),
         {A.Vertices, AFaces}},
        {"meshes only in a named object in the editor chunk",
         EditorFile([](TChunkWriter& w) {
             w.Begin(0x4100); // a mesh straight in the editor chunk
             w.VertexList(B.Vertices);
             w.FaceList(B.Faces);
             w.End();
             w.Begin(0x4000); // a name without its zero byte: no children
             w.Raw("NoEnd");
             w.End();
             w.Begin(0x4000);
             w.ZeroTerminated("Nested");
             w.Begin(0x4100);
             w.Mesh(B); // a named object inside the mesh
             w.End();
             w.End();
             w.Begin(0xB000); // keyframer
             w.Mesh(B);
             w.End();
             w.Mesh(A);
         }),
         {A.Vertices, AFaces}},
        {"lists cut by their chunk's end",
         EditorFile([](TChunkWriter& w) {
             MeshWith(w, [](TChunkWriter& m) {
                 m.VertexList(A.Vertices, 5); // a count beyond the records
                 m.FaceList({{0, 1, 2}, {1, 2, 0}}, 7, 3);
             });
             MeshWith(w, [](TChunkWriter& m) {
                 m.Begin(0x4110); // two vertices and a half
                 m.U16(3);
                 for (const float value : {2.0f, 0.0f, -0.0f, 2.0f, 1.0f, -2.0f, 9.0f, 9.0f}) {
                     m.F32(value);
                 }
                 m.End();
                 m.Begin(0x4120); // one face, then one without its flags
                 m.U16(2);
                 for (const std::uint16_t value : {1, 0, 1, 7, 0, 1, 1}) {
                     m.U16(value);
                 }
                 m.End();
             });
             MeshWith(w, [](TChunkWriter& m) {
                 m.Begin(0x4110);
                 m.U8(1); // not even a whole count
                 m.End();
                 m.FaceList({{0, 0, 0}});
             });
         }),
         {Join({&A, &B2}), {{1, 2, 3}, {2, 3, 1}, {5, 4, 5}}}},
        {"cut by the end of the file in the second face list",
         Cut(twoMeshes, twoMeshes.size() - 4),
         {Join({&A, &B}), Concat({AFaces, {BFacesAfterA[0]}})}},
        {"cut by the end of the file in the second vertex list",
         Cut(twoMeshes, twoMeshes.size() - 2 * 8 - 8 - 12 - 4),
         {A.Vertices, AFaces}},
        {"more than 65535 vertices in all",
         Plexa3DTools::MeshFile({big1, big2}),
         {bigAll, {{1, 40000, 2}, {80000, 40001, 52346}, {40003, 40002, 40001}}}},
        {"not a .3DS file", {'s', 'o', 'l', 'i', 'd', ' ', 'x', '\n'}, {}},
    };
    // A length below the header's own ends its parent's list, at any depth; the main chunk's list
    // runs on to the end of the file.
    for (const std::int32_t length : {0, 5, -1, std::numeric_limits<std::int32_t>::min()}) {
        TChunkWriter w;
        w.Begin(0x4D4D);
        w.Begin(0x3D3D);
        w.Mesh(A);
        w.Begin(0x1234);
        w.EndWithLength(length);
        w.Mesh(B);
        w.End();
        w.Begin(0x3D3D);
        MeshWith(w, [&](TChunkWriter& m) {
            m.VertexList(B.Vertices);
            m.Begin(0x4150);
            m.EndWithLength(length);
            m.FaceList(B.Faces);
        });
        w.Mesh(C);
        w.End();
        w.End();
        cases.push_back({"length " + std::to_string(length),
                         w.Bytes(),
                         {Join({&A, &C}), Concat({AFaces, {{5, 4, 5}}})}});
    }
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        const TObject3D object = Load(c.File);
        ExpectModel(object, c.Expected);
        ExpectModel(object, TReference(c.File).Model);
    }
}

TEST(Load3DSModelTest, NameIsTheFileNameInLatin1) {
    const std::string longName = std::string(78, 'a') + "\xC3\xA9\xC3\xA8.3ds";
    const std::pair<std::string, std::string> cases[] = {
        {"plain.3DS", "plain.3DS"},
        {"Modèllo è già.3ds", "Mod\xE8llo \xE8 gi\xE0.3ds"},
        {"飛行機.3ds", "???.3ds"},
        {"\xE8x\xFF.3ds", "?x?.3ds"}, // Latin-1 bytes are not UTF-8
        {"\xE2\x82-\xC0\xAF-\xED\xA0\x80", "?"
                                           "?-?"
                                           "?-?"
                                           "??"}, // cut short, overlong, surrogate
        {"\xF0\x9F\x98\x80!", "?!"},              // one character beyond the Basic plane
        {longName, std::string(78, 'a') + "\xE9\xE8"},
    };
    TTempDir dir;
    const Bytes file = Plexa3DTools::MeshFile({A});
    for (const auto& [fileName, name] : cases) {
        SCOPED_TRACE(fileName);
        TObject3D object;
        Load3DSModel(dir.Write(fileName, file), object);
        EXPECT_EQ(object.Name, name);
        EXPECT_EQ(object.FaceCount, 2);
    }
}

TEST(Load3DSModelTest, FailuresGiveTheReaderErrorsAndAClearedObject) {
    TTempDir dir;
    const std::string model = dir.Write("model.3ds", Plexa3DTools::MeshFile({A}));
    ASSERT_EQ(::chmod(model.c_str(), 0444), 0); // opened for reading only
    TObject3D object;
    Load3DSModel(model, object);
    EXPECT_EQ(object.VertexCount, 3);

    const std::string locked = dir.Write("locked.3ds", Plexa3DTools::MeshFile({A}));
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    const std::pair<std::string, const char*> cases[] = {
        {(dir.Path() / "missing.3ds").string(), "File not found"},
        {dir.Path().string(), "File access denied"},
        {::geteuid() != 0 ? locked : dir.Path().string(), "File access denied"}, // root opens all
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        try {
            Load3DSModel(path, object);
            ADD_FAILURE() << "no error";
        } catch (const InOutError& error) {
            EXPECT_STREQ(error.what(), message);
        }
        EXPECT_EQ(object.Name, "");
        ExpectModel(object, {});
    }
}

// A file whose mesh comes after `pad` filler bytes, and where its parts start.
struct TPaddedFile {
    Bytes File;
    std::size_t Name = 0, MeshHeader = 0, Vertices = 0, Faces = 0; // the first record of a list
};

TPaddedFile PaddedMesh(const TMeshSpec& mesh, std::size_t pad) {
    TPaddedFile padded;
    TChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    w.Filler(0x7777, pad);
    w.Begin(0x4000);
    padded.Name = w.Bytes().size();
    w.ZeroTerminated(mesh.Name);
    padded.MeshHeader = w.Bytes().size();
    w.Begin(0x4100);
    padded.Vertices = w.Bytes().size() + 8; // after the list's header and count
    w.VertexList(mesh.Vertices);
    padded.Faces = w.Bytes().size() + 8;
    w.FaceList(mesh.Faces);
    w.End();
    w.End();
    w.End();
    w.End();
    padded.File = w.Bytes();
    return padded;
}

// A file is read in blocks of 64 KiB: a name, a chunk header or a list cut by the end of the
// first block is read whole, by both readers.
TEST(Load3DSModelTest, PartsAcrossTheFirstFileBlockAreReadWhole) {
    constexpr std::size_t BlockEnd = 65536;
    Faces faces;
    Numbers stored;
    for (std::uint16_t i = 0; i < 30; ++i) {
        faces.push_back({i, std::uint16_t(i + 1), std::uint16_t(i + 2)});
        stored.push_back({i + 1u, i + 2u, i + 3u});
    }
    const TMeshSpec mesh = Part("Straddler", 40, 5, faces);
    // Which byte of the file lies at the start of the second block.
    const std::pair<const char*, std::size_t (*)(const TPaddedFile&)> cases[] = {
        {"name", [](const TPaddedFile& f) { return f.Name + 4; }},
        {"name's zero byte", [](const TPaddedFile& f) { return f.Name + 9; }},
        {"mesh header after the name", [](const TPaddedFile& f) { return f.Name + 10; }},
        {"mesh header", [](const TPaddedFile& f) { return f.MeshHeader + 3; }},
        {"vertex count", [](const TPaddedFile& f) { return f.Vertices - 1; }},
        {"vertex", [](const TPaddedFile& f) { return f.Vertices + 5 * 12 + 6; }},
        {"face list header", [](const TPaddedFile& f) { return f.Faces - 5; }},
        {"face", [](const TPaddedFile& f) { return f.Faces + 3 * 8 + 2; }},
    };
    TTempDir dir;
    for (const auto& [part, atBlockEnd] : cases) {
        SCOPED_TRACE(part);
        const TPaddedFile file = PaddedMesh(mesh, BlockEnd - atBlockEnd(PaddedMesh(mesh, 0)));
        ASSERT_EQ(atBlockEnd(file), BlockEnd);
        const std::string path = dir.Write("padded.3ds", file.File);
        TObject3D object;
        Load3DSModel(path, object);
        ExpectModel(object, {mesh.Vertices, stored});
        Load3DS(path, object);
        EXPECT_EQ(object.Name, mesh.Name);
        ExpectModel(object, {mesh.Vertices, stored});
    }
}

// Damaged files of every kind: bytes changed, inserted and cut off; the reader and the plain
// reading agree on each.
TEST(Load3DSModelTest, AgreesWithAPlainReadingOnDamagedFiles) {
    const Bytes seeds[] = {
        Plexa3DTools::MeshFile({A, B, C}),
        EditorFile([](TChunkWriter& w) {
            w.Camera("Cam");
            w.Mesh(B);
            w.Light("Omni");
            MeshWith(w, [](TChunkWriter& m) {
                m.VertexList(A.Vertices);
                m.Filler(0x4160, 48);
                m.FaceList(A.Faces);
                m.FaceList(B.Faces);
            });
        }),
    };
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        Bytes file = seeds[round % std::size(seeds)];
        for (int change = 0; change <= round % 4; ++change) {
            const std::size_t at = random() % file.size();
            switch (random() % 4) {
            case 0:
                file[at] = static_cast<std::uint8_t>(random());
                break;
            case 1: // a small number where chunk lengths and counts lie
                file[at] = static_cast<std::uint8_t>(random() % 16);
                break;
            case 2:
                file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), 1 + random() % 9,
                            static_cast<std::uint8_t>(random()));
                break;
            default:
                file.resize(at);
                break;
            }
            if (file.empty()) {
                break;
            }
        }
        SCOPED_TRACE("round " + std::to_string(round));
        TObject3D object;
        Load3DSModelBytes(file, object, std::to_string(round) + ".3ds");
        ExpectModel(object, TReference(file).Model);
    }
}

// A file cut short is read as far as it goes and says how much is missing; a whole one, or one
// with bytes after its main chunk, says nothing.
TEST(Load3DSModelTest, AFileCutShortIsTold) {
    const Bytes whole = Plexa3DTools::MeshFile({A, B});
    Bytes longer = whole;
    longer.resize(whole.size() + 7, 0);
    const struct {
        Bytes File;
        std::string Note; // empty: none
    } cases[] = {
        {whole, ""},
        {longer, ""},
        {Bytes(whole.begin(), whole.end() - 1),
         "1 byte that the main chunk names past the end of the file"},
        {Bytes(whole.begin(), whole.begin() + 10),
         std::to_string(whole.size() - 10) +
             " bytes that the main chunk names past the end of the file"},
    };
    for (const auto& c : cases) {
        TObject3D object;
        TModelLooks looks;
        Load3DSModelBytesWithLooks(c.File, object, looks, "cut.3ds");
        std::vector<TLooksNote> expected;
        if (!c.Note.empty()) {
            expected.push_back({TLooksNote::TKind::PartSkipped, c.Note});
        }
        EXPECT_EQ(looks.Notes, expected) << c.File.size();
    }
}

// Real files whose keyframer places a mesh more than once: each copy's shift from the stored mesh.
using Shifts = std::vector<std::array<float, 3>>;
const std::map<std::string, Shifts> InstancedFiles = {
    {"o3dv__cube_four_instances.3ds", {{2, 0, 0}, {2, 2, 0}, {0, 2, 0}}},
    {"o3dv__cube_hierarchy.3ds",
     {{3, 0, 0}, {3, 3, 0}, {0, 3, 0}, {0, 0, 3}, {3, 0, 3}, {3, 3, 3}, {0, 3, 3}}},
};

// Real files: the reader agrees with the plain reading (followed by the copies where the file
// places a mesh more than once), every face number is in range, and on a file with one mesh
// placed once the counts are those of Load3DS.
TEST(Load3DSModelTest, RealFiles) {
    const std::filesystem::path dir = PLEXA3D_CORPUS_DIR;
    if (!Plexa3DTest::CorpusPresent(dir)) {
        GTEST_SKIP() << "no corpus at " << dir;
    }
    int singleMeshFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".3ds" && ext != ".3DS") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const TReference reference(Bytes(std::istreambuf_iterator<char>(in), {}));
        TObject3D object;
        Load3DSModel(entry.path().string(), object);
        const auto copies = InstancedFiles.find(entry.path().filename().string());
        ExpectModel(object, reference.Model,
                    copies == InstancedFiles.end() ? 1 : copies->second.size() + 1);
        for (const TFace3D& face : object.Faces) {
            for (const std::uint32_t number : {face.A, face.B, face.C}) {
                ASSERT_TRUE(number >= 1 && number <= std::uint32_t(object.VertexCount));
            }
        }
        if (reference.MeshChunks == 1 && copies == InstancedFiles.end()) {
            ++singleMeshFiles;
            TObject3D first;
            Load3DS(entry.path().string(), first);
            EXPECT_EQ(object.VertexCount, first.VertexCount);
            EXPECT_EQ(object.FaceCount, first.FaceCount);
        }
    }
    EXPECT_GT(singleMeshFiles, 0);
}

// Copies of a mesh for its further keyframer nodes, placed relative to its first node.
TEST(Load3DSModelTest, KeyframerNodesAddCopiesOfTheirMesh) {
    using Plexa3DTools::TKeySpec;
    using Plexa3DTools::TNodeSpec;
    using Keys = std::vector<TKeySpec>;
    const TMeshSpec T{"T", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}}};
    const TMeshSpec Dummy{"$$$DUMMY", T.Vertices, T.Faces};
    const auto moved = [&](float x, float y, float z) {
        Vertices v = T.Vertices;
        for (auto& p : v) {
            p = {p[0] + x, p[1] + y, p[2] + z};
        }
        return v;
    };
    const auto at = [](float x, float y, float z) { return Keys{{0, {x, y, z}}}; };
    const float halfTurn = std::acos(0.0f);
    const float tiny = 1e-30f;
    struct TCase {
        std::string Label;
        std::vector<TMeshSpec> Meshes;
        std::vector<TNodeSpec> Nodes;
        std::vector<Vertices> Copies; // the stored mesh first
    };
    const TCase cases[] = {
        {"one node per mesh, dummies, names without a mesh and instance names: as stored",
         {T, Dummy},
         {{.Name = "T", .Position = at(5, 5, 5)},
          {.Name = "$$$DUMMY", .Position = at(1, 0, 0)},
          {.Name = "$$$DUMMY", .Position = at(2, 0, 0), .Instance = "T"},
          {.Name = "Nothing", .Position = at(3, 0, 0)},
          {.Name = "Other", .Position = at(4, 0, 0), .Instance = "T"}},
         {T.Vertices, Dummy.Vertices}},
        {"parent chain, pivots, unknown parent",
         {T},
         {{.Name = "$$$DUMMY", .Id = 10, .Position = at(0, 0, 100)},
          {.Name = "$$$DUMMY", .Parent = 10, .Id = 11, .Position = at(10, 0, 0)},
          {.Name = "T", .Pivot = {1, 0, 0}, .Position = at(1, 0, 0)},
          {.Name = "T", .Parent = 11, .Position = at(0, 5, 0)},
          {.Name = "T", .Parent = 12, .Pivot = {0, 0, 1}, .Position = at(0, 0, -1)}},
         {T.Vertices, moved(10, 5, 100), moved(0, 0, -2)}},
        // W_parent * T: the parent's scale applies to the child's position as well.
        {"a scaled parent of a moved node",
         {T},
         {{.Name = "$$$DUMMY", .Id = 10, .Scale = at(2, 3, 4)},
          {.Name = "T"},
          {.Name = "T", .Parent = 10, .Position = at(1, 0, 0)}},
         {T.Vertices, {{4, 0, 0}, {2, 3, 0}, {2, 0, 4}}}},
        // A_2 * A_1^-1: the first node's scale undone, then the second's move.
        {"a first node scaled, the second moved",
         {T},
         {{.Name = "T", .Scale = at(2, 3, 4)}, {.Name = "T", .Position = at(1, 0, 0)}},
         {T.Vertices, {{1.5f, 0, 0}, {1, 1 / 3.0f, 0}, {1, 0, 0.25f}}}},
        {"an empty chunk before the position track",
         {T},
         {{.Name = "T"}, {.Name = "T", .Position = at(0, 0, 3), .EmptyChunk = true}},
         {T.Vertices, moved(0, 0, 3)}},
        {"rotation by minus the angle about the normalised axis",
         {T},
         {{.Name = "T"},
          {.Name = "T", .Rotation = {{0, {halfTurn, 0, 0, 5}}}},
          {.Name = "T", .Rotation = {{0, {1, 0, 0, 1e-9f}}}}},
         {T.Vertices, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}, T.Vertices}},
        {"scale, a scale with a 0 being none",
         {T},
         {{.Name = "T"}, {.Name = "T", .Scale = at(2, 3, 4)}, {.Name = "T", .Scale = at(2, 0, 1)}},
         {T.Vertices, {{2, 0, 0}, {0, 3, 0}, {0, 0, 4}}, T.Vertices}},
        {"the key at frame 0, else the first, past spline data",
         {T},
         {{.Name = "T"},
          {.Name = "T", .Position = {{5, {100, 0, 0}}, {0, {3, 0, 0}, 0x1F}}},
          {.Name = "T", .Position = {{7, {0, 4, 0}, 0x05}, {9, {0, 9, 0}}}}},
         {T.Vertices, moved(3, 0, 0), moved(0, 4, 0)}},
        {"keys that are not finite are their defaults",
         {T},
         {{.Name = "T"},
          {.Name = "T", .Position = at(NaN, 1, 1), .Rotation = {{0, {Inf, 0, 0, 1}}}},
          {.Name = "T", .Rotation = {{0, {1, 0, NaN, 1}}}, .Scale = at(2, -Inf, 2)}},
         {T.Vertices, T.Vertices, T.Vertices}},
        {"a cycle is cut where it closes",
         {T},
         {{.Name = "T", .Parent = 1, .Id = 0, .Position = at(1, 0, 0)},
          {.Name = "$$$DUMMY", .Parent = 0, .Id = 1, .Position = at(0, 10, 0)},
          {.Name = "T", .Id = 2},
          {.Name = "T", .Parent = 3, .Id = 3, .Position = at(0, 0, 2)}},
         {T.Vertices, moved(-1, -10, 0), moved(-1, -10, 2)}},
        {"a singular first node gives no copies",
         {T},
         {{.Name = "$$$DUMMY", .Id = 10, .Scale = at(tiny, tiny, tiny)},
          {.Name = "$$$DUMMY", .Parent = 10, .Id = 11, .Scale = at(tiny, tiny, tiny)},
          {.Name = "$$$DUMMY", .Parent = 11, .Id = 12, .Scale = at(tiny, tiny, tiny)},
          {.Name = "$$$DUMMY", .Parent = 12, .Id = 13, .Scale = at(tiny, tiny, tiny)},
          {.Name = "T", .Parent = 13},
          {.Name = "T", .Position = at(1, 0, 0)}},
         {T.Vertices}},
        {"a copy's face with a vertex beyond the single range is dropped",
         {T},
         {{.Name = "T"},
          {.Name = "$$$DUMMY", .Id = 7, .Scale = at(3e38f, 1, 1)},
          {.Name = "T", .Parent = 7, .Scale = at(3e38f, 1, 1)}},
         {T.Vertices, {{Inf, 0, 0}, {0, 1, 0}, {0, 0, 1}}}},
        {"a mesh that keeps no face gets no copy",
         {{"E", {{Inf, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}}}},
         {{.Name = "E"}, {.Name = "E", .Position = at(1, 0, 0)}},
         {{{Inf, 0, 0}, {0, 1, 0}, {0, 0, 1}}}},
        {"a copy of the second mesh uses its own vertices",
         {T, {"U", {{2, 0, 0}, {0, 2, 0}, {0, 0, 2}}, {{0, 1, 2}}}},
         {{.Name = "T"}, {.Name = "U"}, {.Name = "U", .Position = at(1, 0, 0)}},
         {T.Vertices, {{2, 0, 0}, {0, 2, 0}, {0, 0, 2}}, {{3, 0, 0}, {1, 2, 0}, {1, 0, 2}}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        const TObject3D object = Load(Plexa3DTools::KeyframedFile(c.Meshes, c.Nodes));
        Vertices expected;
        Numbers faces;
        for (const Vertices& copy : c.Copies) {
            const auto base = static_cast<std::uint32_t>(expected.size());
            expected.insert(expected.end(), copy.begin(), copy.end());
            if (std::all_of(copy.begin(), copy.end(), [](const auto& p) {
                    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
                })) {
                faces.push_back({base + 1, base + 2, base + 3});
            }
        }
        ASSERT_EQ(object.VertexCount, static_cast<std::int32_t>(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const TPoint3D& p = object.Vertices.begin()[i];
            const float got[] = {p.X, p.Y, p.Z};
            for (int k = 0; k < 3; ++k) {
                EXPECT_TRUE(got[k] == expected[i][k] || std::abs(got[k] - expected[i][k]) < 1e-6f)
                    << "vertex " << i + 1 << ": " << got[k] << " instead of " << expected[i][k];
            }
        }
        Numbers got;
        for (const TFace3D& f : object.Faces) {
            got.push_back({f.A, f.B, f.C});
        }
        EXPECT_TRUE(got == faces) << object.FaceCount << " faces";
    }
}

// The files that place a mesh more than once: each copy is the stored mesh shifted, exactly; and a
// node with an instance name adds nothing.
TEST(Load3DSModelTest, KeyframerCopiesInRealFiles) {
    const std::filesystem::path dir = PLEXA3D_CORPUS_DIR;
    if (!Plexa3DTest::CorpusPresent(dir)) {
        GTEST_SKIP() << "no corpus at " << dir;
    }
    TObject3D single;
    Load3DSModel((dir / "o3dv__cube_with_materials.3ds").string(), single);
    EXPECT_EQ(single.FaceCount, 12);
    for (const auto& [file, shifts] : InstancedFiles) {
        SCOPED_TRACE(file);
        TObject3D object;
        Load3DSModel((dir / file).string(), object);
        const std::int32_t cube = 8;
        ASSERT_EQ(object.VertexCount, cube * std::int32_t(shifts.size() + 1));
        EXPECT_EQ(object.FaceCount, 12 * std::int32_t(shifts.size() + 1));
        for (std::size_t k = 0; k < shifts.size(); ++k) {
            for (std::int32_t i = 1; i <= cube; ++i) {
                const TPoint3D& stored = object.Vertices[i];
                const TPoint3D& copy = object.Vertices[cube * std::int32_t(k + 1) + i];
                EXPECT_EQ(copy.X, stored.X + shifts[k][0]) << k << " " << i;
                EXPECT_EQ(copy.Y, stored.Y + shifts[k][1]) << k << " " << i;
                EXPECT_EQ(copy.Z, stored.Z + shifts[k][2]) << k << " " << i;
            }
        }
    }
}

// A damaged vertex costs only the faces that use it: read whole and fitted, the model is the sound
// one, vertex for vertex, but for the damaged vertex, which stays as stored.
TEST(Load3DSModelTest, ADamagedVertexCostsOnlyItsFaces) {
    for (const auto& c : Plexa3DTest::DamagedModels(PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds")) {
        SCOPED_TRACE(c.Label);
        TObject3D damaged = Load(c.Damaged);
        TObject3D sound = Load(c.Sound);
        ASSERT_GT(sound.FaceCount, 0);
        ASSERT_EQ(damaged.FaceCount, sound.FaceCount);
        EXPECT_TRUE(std::equal(sound.Faces.begin(), sound.Faces.end(), damaged.Faces.begin(),
                               [](const TFace3D& a, const TFace3D& b) {
                                   return a.A == b.A && a.B == b.B && a.C == b.C;
                               }));
        const auto bits = [](const TPoint3D& p) {
            return std::bit_cast<std::array<std::uint32_t, 3>>(p);
        };
        const auto stored = bits(damaged.Vertices[c.Vertex]);
        ASSERT_TRUE(FitObjectVertices(damaged));
        ASSERT_TRUE(FitObjectVertices(sound));
        EXPECT_EQ(bits(damaged.Vertices[c.Vertex]), stored);
        for (std::int32_t i = 1; i <= sound.VertexCount; ++i) {
            if (i != c.Vertex) {
                ASSERT_EQ(bits(damaged.Vertices[i]), bits(sound.Vertices[i])) << "vertex " << i;
            }
        }
    }
}

} // namespace import3ds_model_test
} // namespace
