// The .3DS reader against files written by our own writer: the chunks it reads, the chunks it
// passes over, where the walk stops, and what is kept when a file ends early.
#include "Import3DS.h"
#include "TempDir.h"
#include "Writer3DS.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {
namespace import3ds_test {

using namespace ZuveloGraphLibrary;
using Plexa3DTest::TTempDir;
using Plexa3DTools::EditorFile;
using Plexa3DTools::TChunkWriter;
using Vertices = std::vector<std::array<float, 3>>;
using Faces = std::vector<std::array<std::uint16_t, 3>>;

// Small fixtures with no repeated value, so that a shifted or swapped field shows.
const Vertices FourVertices = {
    {1.5f, -2.0f, 3.25f}, {4.0f, 5.5f, -6.0f}, {-7.75f, 8.0f, 9.125f}, {10.0f, -11.0f, 12.5f}};
const Faces ThreeFaces = {{0, 1, 2}, {2, 3, 1}, {3, 0, 2}};
const Faces ThreeFacesStored = {{1, 2, 3}, {3, 4, 2}, {4, 1, 3}};
constexpr std::uint16_t OddFlags = 0xBEEF;

TObject3D Load(const std::vector<std::uint8_t>& bytes) {
    TObject3D object;
    Load3DSBytes(bytes, object);
    return object;
}

// The same through a file, for what only the file's reader does: its block buffer.
TObject3D LoadFile(const std::vector<std::uint8_t>& bytes) {
    TTempDir dir;
    TObject3D object;
    Load3DS(dir.Write("model.3ds", bytes), object);
    return object;
}

void ExpectVertices(const TObject3D& object, const Vertices& expected) {
    const auto count = static_cast<std::int32_t>(expected.size());
    ASSERT_EQ(object.VertexCount, count);
    ASSERT_EQ(object.Vertices.Count(), count);
    ASSERT_EQ(object.WorldVertices.Count(), count);
    for (std::int32_t i = 1; i <= count; ++i) {
        SCOPED_TRACE("vertex " + std::to_string(i));
        const auto& want = expected[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(object.Vertices[i].X, want[0]);
        EXPECT_EQ(object.Vertices[i].Y, want[1]);
        EXPECT_EQ(object.Vertices[i].Z, want[2]);
    }
}

// `expected` holds the numbers as stored, counted from 1.
void ExpectFaces(const TObject3D& object, const Faces& expected) {
    const auto count = static_cast<std::int32_t>(expected.size());
    ASSERT_EQ(object.FaceCount, count);
    ASSERT_EQ(object.Faces.Count(), count);
    for (std::int32_t i = 1; i <= count; ++i) {
        SCOPED_TRACE("face " + std::to_string(i));
        const auto& want = expected[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(object.Faces[i].A, want[0]);
        EXPECT_EQ(object.Faces[i].B, want[1]);
        EXPECT_EQ(object.Faces[i].C, want[2]);
    }
}

void ExpectEmpty(const TObject3D& object) {
    EXPECT_EQ(object.Name, "");
    ExpectVertices(object, {});
    ExpectFaces(object, {});
}

void NamedObject(TChunkWriter& w, const std::string& name) {
    w.Begin(0x4000);
    w.ZeroTerminated(name);
    w.End();
}

// An unknown chunk holding `size` filler bytes.
void Filler(TChunkWriter& w, std::uint16_t id, std::size_t size) {
    w.Begin(id);
    for (std::size_t i = 0; i < size; ++i) {
        w.U8(static_cast<std::uint8_t>(0x41 + i % 7));
    }
    w.End();
}

// A named object holding a camera (or light) chunk, written the way modellers write them.
void NamedNonMesh(TChunkWriter& w, const std::string& name, std::uint16_t id) {
    w.Begin(0x4000);
    w.ZeroTerminated(name);
    w.Begin(id);
    for (int i = 0; i < 8; ++i) {
        w.F32(static_cast<float>(i) + 0.5f);
    }
    Filler(w, 0x4710, 4);
    w.End();
    w.End();
}

void Mesh(TChunkWriter& w, const std::string& name, const Vertices& vertices, const Faces& faces) {
    w.Begin(0x4000);
    w.ZeroTerminated(name);
    w.Begin(0x4100);
    w.VertexList(vertices);
    w.FaceList(faces, OddFlags);
    w.End();
    w.End();
}

TEST(Load3DSTest, ReadsTheFirstMeshOfAUsualFile) {
    const auto bytes = EditorFile([](TChunkWriter& w) {
        Filler(w, 0x3D3E, 4);                // mesh version
        Filler(w, 0xAFFF, 30);               // a material
        NamedNonMesh(w, "Camera01", 0x4700); // a camera before the mesh: its name is replaced
        NamedNonMesh(w, "Omni", 0x4600);
        w.Begin(0x4000);
        w.ZeroTerminated("Box \xC8\xE9!");
        w.Begin(0x4100);
        w.VertexList(FourVertices);
        Filler(w, 0x4140, 20); // mapping coordinates
        Filler(w, 0x4160, 48); // local axes
        w.Begin(0x4120);
        w.U16(3);
        for (const auto& f : ThreeFaces) {
            for (const std::uint16_t value : {f[0], f[1], f[2], OddFlags}) {
                w.U16(value);
            }
        }
        Filler(w, 0x4130, 9); // face materials, inside the face list
        w.End();
        w.End();
        w.End();
        Mesh(w, "Second", {{9, 9, 9}}, {{0, 0, 0}});
    });
    const TObject3D object = Load(bytes);
    EXPECT_EQ(object.Name, "Box \xC8\xE9!");
    ExpectVertices(object, FourVertices);
    ExpectFaces(object, ThreeFacesStored);
}

TEST(Load3DSTest, StopsRightAfterTheChunkThatCompletesTheMesh) {
    // Whatever follows the first complete mesh is never read: here a chunk whose skip would fail.
    auto bytes = EditorFile([](TChunkWriter& w) {
        Mesh(w, "First", FourVertices, ThreeFaces);
        w.Begin(0x4000);
        w.ZeroTerminated("Second");
        w.Begin(0x2222);
        w.EndWithLength(-1000);
        w.End();
    });
    TObject3D object = Load(bytes);
    EXPECT_EQ(object.Name, "First");
    ExpectVertices(object, FourVertices);
    ExpectFaces(object, ThreeFacesStored);

    // The lists in either order, the name after them, and an empty vertex list counts as seen.
    bytes = EditorFile([](TChunkWriter& w) {
        w.FaceList({{4, 65535, 7}}, OddFlags);
        w.VertexList({});
        NamedObject(w, "Late");
        NamedObject(w, "Never");
    });
    object = Load(bytes);
    EXPECT_EQ(object.Name, "Late");
    ExpectVertices(object, {});
    ExpectFaces(object, {{5, 0, 8}}); // numbers out of range are kept as read; 65535 wraps to 0
}

TEST(Load3DSTest, FileWithoutACompleteMeshIsReadToTheEnd) {
    const auto bytes = EditorFile([](TChunkWriter& w) {
        w.Begin(0x4000);
        w.ZeroTerminated("Half");
        w.Begin(0x4100);
        w.VertexList({{1, 2, 3}, {-4, -5, -6}});
        w.End();
        w.End();
        NamedNonMesh(w, "LongerLightName", 0x4600);
        NamedNonMesh(w, "Cam", 0x4700);
        w.Begin(0xB000); // keyframer: descended into, its sub-chunks passed over
        Filler(w, 0xB00A, 12);
        NamedObject(w, "Key");
        w.End();
    });
    const TObject3D object = Load(bytes);
    EXPECT_EQ(object.Name, "Key");
    ExpectVertices(object, {{1, 2, 3}, {-4, -5, -6}});
    ExpectFaces(object, {});
}

TEST(Load3DSTest, RepeatedListsReplaceTheFirst) {
    const auto bytes = EditorFile([](TChunkWriter& w) {
        w.FaceList({{9, 8, 7}, {6, 5, 4}}, OddFlags);
        w.FaceList(ThreeFaces, OddFlags);
        w.VertexList(FourVertices);
        w.VertexList({{0.25f, 0.5f, 0.75f}, {-1, -2, -3}});
        NamedObject(w, "Again");
    });
    const TObject3D object = Load(bytes);
    EXPECT_EQ(object.Name, "Again");
    ExpectVertices(object, {{0.25f, 0.5f, 0.75f}, {-1, -2, -3}});
    ExpectFaces(object, ThreeFacesStored);
}

TEST(Load3DSTest, NamesAreCutToEightyBytes) {
    std::string longName;
    for (int i = 0; i < 100; ++i) {
        longName += static_cast<char>(i % 3 == 0 ? 0x80 + i : 'a' + i % 26);
    }
    auto bytes = EditorFile([&](TChunkWriter& w) {
        NamedObject(w, longName + "x"); // a longer name first: the next one replaces it whole
        Mesh(w, longName, FourVertices, ThreeFaces);
    });
    TObject3D object = Load(bytes);
    EXPECT_EQ(object.Name, longName.substr(0, 80));
    ExpectVertices(object, FourVertices);
    ExpectFaces(object, ThreeFacesStored);

    // A name that runs to the end of the file ends there, and so does the load.
    TChunkWriter w;
    w.Begin(0x4D4D);
    w.VertexList(FourVertices);
    w.Begin(0x4000);
    w.Raw(longName);
    object = Load(w.Bytes());
    EXPECT_EQ(object.Name, longName.substr(0, 80));
    ExpectVertices(object, FourVertices);
    ExpectFaces(object, {});
}

TEST(Load3DSTest, UnknownChunksArePassedOverByTheirLength) {
    // The declared length is what counts: the next header is read right at the declared end,
    // whatever the chunk really holds.
    for (const auto& [declared, name] : {std::pair{9, "Inside"}, std::pair{22, "After"}}) {
        SCOPED_TRACE(name);
        const int length = declared; // clang 14 cannot capture a structured binding
        const auto bytes = EditorFile([&](TChunkWriter& w) {
            w.Begin(0x4D4D); // a second main chunk is just another unknown chunk
            Mesh(w, "Decoy", {{7, 7, 7}}, {{0, 0, 0}});
            w.End();
            w.Begin(0x0A0B);
            w.EndWithLength(6); // empty: the walk goes on
            w.VertexList(FourVertices);
            w.FaceList(ThreeFaces, OddFlags);
            w.Begin(0x1234);
            w.Raw("abc");
            NamedObject(w, "Inside"); // 13 bytes
            w.EndWithLength(length);
            NamedObject(w, "After");
        });
        const TObject3D object = Load(bytes);
        EXPECT_EQ(object.Name, name);
        ExpectVertices(object, FourVertices);
        ExpectFaces(object, ThreeFacesStored);
    }

    // A length below the header's own size ends the walk quietly, keeping what was read. What
    // follows would be a named-object chunk if read right after the header, or one byte back.
    const std::string tails[] = {std::string("\0\x40\x0C\0\0\0Wrong", 11) + '\0',
                                 std::string("\x40\x0C\0\0\0Wrong", 10) + '\0'};
    for (const std::int32_t length : {0, 5, -2}) {
        for (const std::string& tail : tails) {
            SCOPED_TRACE("length " + std::to_string(length) + ", tail of " +
                         std::to_string(tail.size()));
            const auto bytes = EditorFile([&](TChunkWriter& w) {
                NamedObject(w, "Before");
                w.VertexList({{1, 2, 3}});
                w.Begin(0x5555);
                w.EndWithLength(length);
                w.Raw(tail);
                w.FaceList(ThreeFaces);
            });
            const TObject3D object = Load(bytes);
            EXPECT_EQ(object.Name, "Before");
            ExpectVertices(object, {{1, 2, 3}});
            ExpectFaces(object, {});
        }
    }

    // A skip to before the start of the file is an input/output error.
    const auto negative = EditorFile([](TChunkWriter& w) {
        w.Begin(0x5555);
        w.EndWithLength(-100);
    });
    try {
        Load(negative);
        FAIL() << "no error";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.Code(), 22);
        EXPECT_STREQ(error.what(), "I/O error 22");
    }
}

TEST(Load3DSTest, FilesNotStartingWithTheMainChunkGiveAnEmptyObject) {
    const std::vector<std::uint8_t> mesh =
        Plexa3DTools::MeshFile({{"Box", FourVertices, ThreeFaces}});
    std::vector<std::uint8_t> otherId = mesh;
    otherId[0] = 0x4C;
    const std::vector<std::vector<std::uint8_t>> files = {
        {},
        {0x4D},
        {0x4D, 0x4D},
        {0x4D, 0x4D, 0xFF, 0xFF, 0},
        {0x4D, 0x4D, 6, 0, 0, 0},
        std::vector<std::uint8_t>(mesh.begin(), mesh.begin() + 6),
        otherId,
        {'s', 'o', 'l', 'i', 'd', ' ', 'x', '\n'}};
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        TObject3D object;
        Load3DSBytes(mesh, object);
        ASSERT_EQ(object.VertexCount, 4);
        Load3DSBytes(files[i], object); // the previous mesh is cleared first
        ExpectEmpty(object);
    }
}

TEST(Load3DSTest, OpenFailuresRaiseInputOutputErrors) {
    TTempDir dir;
    const auto expectError = [](const std::string& path, const char* message) {
        TObject3D object;
        object.Name = "old";
        object.VertexCount = 3;
        try {
            Load3DS(path, object);
            ADD_FAILURE() << "no error for " << path;
        } catch (const InOutError& error) {
            EXPECT_STREQ(error.what(), message);
        }
        EXPECT_EQ(object.Name, "");
        EXPECT_EQ(object.VertexCount, 0);
    };
    expectError((dir.Path() / "missing.3ds").string(), "File not found");
    expectError((dir.Path() / "no" / "such.3ds").string(), "File not found");
    expectError(dir.Path().string(), "File access denied");
    if (::geteuid() != 0) { // root opens any file
        const std::string locked = dir.Write("locked.3ds", Plexa3DTools::MeshFile({}));
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        expectError(locked, "File access denied");
    }
}

TEST(Load3DSTest, CountsAboveSignedSixteenBitsAreRead) {
    Vertices vertices(33000);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const auto f = static_cast<float>(i);
        vertices[i] = {f, -0.5f * f, f + 0.25f};
    }
    Faces faces(40000);
    Faces stored(faces.size());
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const auto a = static_cast<std::uint16_t>(i);
        const auto b = static_cast<std::uint16_t>(i * 7 % 33000);
        const auto c = static_cast<std::uint16_t>(65535 - i);
        faces[i] = {a, b, c};
        stored[i] = {std::uint16_t(a + 1), std::uint16_t(b + 1), std::uint16_t(c + 1)};
    }
    std::vector<std::uint8_t> bytes = Plexa3DTools::MeshFile({{"Big", vertices, faces}});
    const TObject3D object = LoadFile(bytes);
    EXPECT_EQ(object.Name, "Big");
    ExpectVertices(object, vertices);
    ExpectFaces(object, stored);

    // Cut inside the vertex that lies across the first 64 KB: the ones before it are whole, of
    // this one only its whole coordinates.
    constexpr std::size_t recordsAt = 36; // after the headers, "Big" and the count
    ASSERT_EQ(bytes[recordsAt - 8], 0x10);
    ASSERT_EQ(bytes[recordsAt - 7], 0x41);
    constexpr std::size_t cut = 65536 + 6;
    bytes.resize(cut);
    Vertices wanted(vertices.size(), {0, 0, 0});
    for (std::size_t k = 0; recordsAt + 4 * (k + 1) <= cut; ++k) {
        wanted[k / 3][k % 3] = vertices[k / 3][k % 3];
    }
    EXPECT_NE(wanted[5458][1], 0.0f);
    EXPECT_EQ(wanted[5458][2], 0.0f);
    const TObject3D cutObject = LoadFile(bytes);
    EXPECT_EQ(cutObject.Name, "Big");
    ExpectVertices(cutObject, wanted);
    ExpectFaces(cutObject, {});
}

// Every prefix of a small file: what was read is exactly the prefix's whole values, the rest of
// each array is zero, and counts and arrays agree.
TEST(Load3DSTest, TruncatedFilesKeepWhatWasRead) {
    const std::string name = "Tri";
    // No zero byte in any of these floats, so that a value built from part of its bytes shows.
    const Vertices vertices = {{1.1f, -2.3f, 3.7f}, {4.9f, -5.1f, 6.3f}};
    const Faces faces = {{4, 0, 2}, {1, 3, 5}};
    TChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    Filler(w, 0xAFFF, 5);
    w.Begin(0x4000);
    const std::size_t nameAt = w.Bytes().size();
    w.ZeroTerminated(name);
    w.Begin(0x4100);
    const std::size_t vertexAt = w.Bytes().size() + 8; // first record, after header and count
    w.VertexList(vertices);
    const std::size_t faceAt = w.Bytes().size() + 8;
    w.FaceList(faces, OddFlags);
    w.End();
    w.End();
    w.End();
    w.End();
    const std::vector<std::uint8_t>& full = w.Bytes();

    for (std::size_t size = 0; size <= full.size(); ++size) {
        SCOPED_TRACE("prefix of " + std::to_string(size) + " bytes");
        const std::vector<std::uint8_t> prefix(full.begin(), full.begin() + size);
        TObject3D object;
        Load3DSBytes(prefix, object);
        const auto whole = [&](std::size_t end) { return size >= end; };

        EXPECT_EQ(object.Name, size > nameAt ? name.substr(0, size - nameAt) : "");
        Vertices wantVertices(whole(vertexAt) ? vertices.size() : 0, {0, 0, 0});
        for (std::size_t k = 0; k < 3 * wantVertices.size(); ++k) {
            if (whole(vertexAt + 4 * (k + 1))) {
                wantVertices[k / 3][k % 3] = vertices[k / 3][k % 3];
            }
        }
        ExpectVertices(object, wantVertices);
        Faces wantFaces(whole(faceAt) ? faces.size() : 0, {0, 0, 0});
        for (std::size_t k = 0; k < 3 * wantFaces.size(); ++k) {
            if (whole(faceAt + 8 * (k / 3) + 2 * (k % 3 + 1))) {
                wantFaces[k / 3][k % 3] = static_cast<std::uint16_t>(faces[k / 3][k % 3] + 1);
            }
        }
        ExpectFaces(object, wantFaces);
    }
}

} // namespace import3ds_test
} // namespace
