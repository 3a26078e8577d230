// How a model looks, as both .3DS readers read it beside the meshes: materials, the material and
// smoothing groups of each face, the mapping coordinates of each vertex, for stored meshes and the
// copies the keyframer places; and files cut short anywhere.
#include "ModelLooks.h"
#include "Import3DS.h"
#include "Import3DSModel.h"
#include "Smoothing.h"
#include "Writer3DS.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {
namespace model_looks_test {

using namespace ZuveloGraphLibrary;
using Plexa3DTools::TColorSpec;
using Plexa3DTools::TMaterialSpec;
using Plexa3DTools::TMeshSpec;
using Bytes = std::vector<std::uint8_t>;

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();
const TMaterial Default;

TMaterial Named(const std::string& name, TColorF diffuse) {
    TMaterial m;
    m.Name = name;
    m.Diffuse = diffuse;
    return m;
}

// Materials of every kind of colour and number, and a mesh whose lists name them.
const std::vector<TMaterialSpec> Library = {
    {"bytes", {}, {{{255, 0, 0}}}},
    {"singles", {}, {{{0.5f, 2, -1}, true}}},
    {"gamma", {}, {{{0, 255, 0}, false, true}}},
    {"both kinds", {}, {{{0, 0, 255}, false, true}, {{255, 255, 0}}}},
    {"not finite",
     {{{NaN, 0, 0}, true}, {{0, 0, NaN}, true}},
     {{{0, NaN, 0}, true}},
     {{{51, 102, 153}}},
     50,
     150,
     25,
     true,
     "TEX.PNG",
     60,
     0x12,
     {{2, 3, 0.25f, 0.5f, 90}}},
    {"bytes", {}, {{{0, 0, 255}}}}, // a second of the name: faces get the first
    // Two plain colours (the first holds), two percentages (likewise), -10 %, flags beyond the
    // low byte, numbers not finite.
    {"two plain",
     {},
     {{{0, 0, 255}}, {{1, 0, 0}, true}},
     {},
     12.5f,
     {},
     65526,
     false,
     "M.PNG",
     {},
     0x0102,
     {{NaN, 2, Inf, 0.5f, NaN}}},
};

std::vector<TMaterial> ExpectedLibrary() {
    TMaterial odd = Named("not finite", Default.Diffuse);
    odd.Specular = {0.2f, 0.4f, 0.6f};
    odd.Shininess = 0.5f;
    odd.ShininessStrength = 1; // 150 %, held to 1
    odd.Transparency = 0.25f;
    odd.TwoSided = true;
    odd.Texture = TTextureMap{"TEX.PNG", 0.6f, 0x12, 2, 3, 0.25f, 0.5f, 90};
    TMaterial plain = Named("two plain", {0, 0, 1});
    plain.Shininess = 0.125f;
    plain.Texture = TTextureMap{"M.PNG", 1, 0x0102, 1, 2, 0, 0.5f, 0};
    return {Default,
            Named("bytes", {1, 0, 0}),
            Named("singles", {0.5f, 1, 0}),
            Named("gamma", {0, 1, 0}),
            Named("both kinds", {1, 1, 0}),
            odd,
            Named("bytes", {0, 0, 1}),
            plain};
}

// Five faces over four vertices: lists naming them, face numbers at and beyond the mesh's end, a
// name the library lacks, a face named twice (the later list holds); three masks and three
// coordinates for five faces and four vertices.
TMeshSpec Looked(const std::string& name, float tag) {
    return {name,
            {{tag, 0, 0}, {0, tag, 0}, {0, 0, tag}, {tag, tag, 0}},
            {{0, 1, 2}, {1, 2, 3}, {0, 2, 3}, {0, 1, 3}, {3, 2, 1}},
            {{0.25f, 0.5f}, {1, NaN}, {-2, 3}},
            {{"bytes", {0, 5, 9}},
             {"singles", {1}},
             {"elsewhere", {2}},
             {"gamma", {3, 4}},
             {"singles", {4}}},
            {1, 2, 0x80000004}};
}
const std::vector<std::uint32_t> LookedMaterials = {1, 2, 0, 3, 2};
const std::vector<std::uint32_t> LookedSmoothing = {1, 2, 0x80000004, 0, 0};
const std::vector<TTexCoord> LookedMapping = {{0.25f, 0.5f}, {1, 0}, {-2, 3}, {0, 0}};

template <class T> std::vector<T> Join(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A model's file with its keyframer: mesh "L" twice more (a copy), mesh "P" once.
Bytes KeyframedLooks() {
    Plexa3DTools::TChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    for (const TMaterialSpec& m : Library) {
        w.Material(m);
    }
    TMeshSpec plain{"P", {{1, 1, 1}, {2, 2, 2}, {3, 3, 1}}, {{0, 1, 2}}};
    TMeshSpec looked = Looked("L", 5);
    looked.Faces[1] = {1, 2, 7}; // names a vertex beyond the mesh: dropped with its looks
    w.Mesh(plain);
    w.Mesh(looked);
    w.End();
    w.Begin(0xB000);
    for (const char* name : {"P", "L", "L"}) {
        Plexa3DTools::TNodeSpec node{name};
        node.Position = {{0, {10, 0, 0}}};
        w.Node(node);
    }
    w.End();
    w.End();
    return w.Bytes();
}

TEST(ModelLooks, BothReadersGiveEachFaceAndVertexItsLooks) {
    struct TExpected {
        std::vector<std::uint32_t> Materials, Smoothing;
        std::vector<TTexCoord> Mapping;
    };
    struct TCase {
        std::string Name;
        Bytes File;
        TExpected FirstMesh, Whole;
    };
    const std::vector<std::uint32_t> keptMaterials = {1, 0, 3, 2}; // face 2 of L dropped
    const std::vector<std::uint32_t> keptSmoothing = {1, 0x80000004, 0, 0};
    const TCase cases[] = {
        {"one mesh",
         Plexa3DTools::LooksFile(Library, {Looked("L", 5)}),
         {LookedMaterials, LookedSmoothing, LookedMapping},
         {LookedMaterials, LookedSmoothing, LookedMapping}},
        // The first mesh has no lists: the whole model's lists give its faces the defaults.
        {"two meshes, a dropped face and a copy",
         KeyframedLooks(),
         {{}, {}, {}},
         {Join<std::uint32_t>({{0}, keptMaterials, keptMaterials}),
          Join<std::uint32_t>({{0}, keptSmoothing, keptSmoothing}),
          Join<TTexCoord>({{{}, {}, {}}, LookedMapping, LookedMapping})}},
        {"no looks at all",
         Plexa3DTools::MeshFile({{"M", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}}}),
         {{}, {}, {}},
         {{}, {}, {}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        for (const bool whole : {false, true}) {
            SCOPED_TRACE(whole ? "whole model" : "first mesh");
            TObject3D object;
            TModelLooks looks;
            if (whole) {
                Load3DSModelBytesWithLooks(c.File, object, looks);
            } else {
                Load3DSBytesWithLooks(c.File, object, looks);
            }
            const TExpected& expected = whole ? c.Whole : c.FirstMesh;
            EXPECT_EQ(looks.FaceMaterials, expected.Materials);
            EXPECT_EQ(looks.FaceSmoothing, expected.Smoothing);
            EXPECT_EQ(looks.Mapping, expected.Mapping);
            if (c.Name != "no looks at all") {
                EXPECT_EQ(looks.Materials, ExpectedLibrary());
            } else {
                EXPECT_EQ(looks.Materials, std::vector<TMaterial>{Default});
            }
            EXPECT_EQ(looks.Images.size(), looks.Materials.size());
        }
    }
    // The whole model's meshes: each stored one with the faces it kept, then each copy.
    TObject3D object;
    TModelLooks looks;
    Load3DSModelBytesWithLooks(cases[1].File, object, looks);
    EXPECT_EQ(looks.Meshes, (std::vector<TMeshPart>{{"P", 0, 1}, {"L", 1, 4}, {"L", 5, 4}}));
}

// Cut anywhere, a file with looks reads as far as it goes: every list as long as the record's
// counts or empty, every material number in the library.
TEST(ModelLooks, AFileCutAnywhereLeavesListsThatFitTheRecord) {
    const Bytes file = KeyframedLooks();
    for (std::size_t size = 0; size <= file.size(); ++size) {
        const std::span<const std::uint8_t> prefix(file.data(), size);
        for (const bool whole : {false, true}) {
            TObject3D object;
            TModelLooks looks;
            if (whole) {
                Load3DSModelBytesWithLooks(prefix, object, looks);
            } else {
                Load3DSBytesWithLooks(prefix, object, looks);
            }
            const auto faces = std::size_t(object.FaceCount);
            const auto vertices = std::size_t(object.VertexCount);
            ASSERT_TRUE(looks.FaceMaterials.empty() || looks.FaceMaterials.size() == faces) << size;
            ASSERT_TRUE(looks.FaceSmoothing.empty() || looks.FaceSmoothing.size() == faces) << size;
            ASSERT_TRUE(looks.Mapping.empty() || looks.Mapping.size() == vertices) << size;
            for (const std::uint32_t m : looks.FaceMaterials) {
                ASSERT_LT(m, looks.Materials.size()) << size;
            }
            ASSERT_EQ(looks.Materials.front(), Default) << size;
        }
    }
}

// Looks that do not fit the record, as a reader's bug could leave them, are made to fit it: lists
// cut or lengthened to the counts, numbers past the materials or the embedded images let go,
// meshes kept only where they cover the faces in order.
TEST(ModelLooks, FinishingMakesAnyLooksFitTheRecord) {
    struct TCase {
        std::string Name;
        std::vector<std::uint32_t> Materials, ExpectedMaterials;
        std::int32_t Embedded, ExpectedEmbedded;
        std::vector<TMeshPart> Meshes, ExpectedMeshes;
    };
    const TCase cases[] = {
        {"the last of each, and meshes that cover the faces",
         {2, 1},
         {2, 1, 0},
         1,
         1,
         {{"a", 0, 1}, {"b", 1, 2}},
         {{"a", 0, 1}, {"b", 1, 2}}},
        {"one past the last of each, and a mesh one face too long",
         {3, 0, 2, 9},
         {0, 0, 2},
         2,
         -1,
         {{"a", 0, 1}, {"b", 1, 3}},
         {}},
        {"meshes short of the faces, or out of order",
         {},
         {},
         -1,
         -1,
         {{"a", 0, 1}, {"b", 2, 1}},
         {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TObject3D object;
        Load3DSBytes(Plexa3DTools::MeshFile({{"M",
                                              {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                                              {{0, 1, 2}, {1, 3, 2}, {0, 1, 3}}}}),
                     object);
        TModelLooks looks;
        looks.Materials = {Default, Named("one", {1, 0, 0}), Named("two", {0, 1, 0})};
        looks.Materials[2].Texture = TTextureMap{"T.PNG"};
        looks.Materials[2].Texture->Embedded = c.Embedded;
        looks.EmbeddedImages = {{1}, {2}};
        looks.FaceMaterials = c.Materials;
        looks.Mapping = {{0.5f, 0.5f}};
        looks.Meshes = c.Meshes;
        FinishLooks(object, looks);
        EXPECT_EQ(looks.FaceMaterials, c.ExpectedMaterials);
        EXPECT_EQ(looks.Materials[2].Texture->Embedded, c.ExpectedEmbedded);
        EXPECT_EQ(looks.Meshes, c.ExpectedMeshes);
        EXPECT_EQ(looks.Mapping, (std::vector<TTexCoord>{{0.5f, 0.5f}, {}, {}, {}}));
        EXPECT_EQ(looks.Images.size(), 3u);
    }
}

// The corners' sums of two faces sharing an edge, and of fans where as many masks meet at the
// apex as are smoothed, and one more: corners read one sum where their faces share a group.
TEST(ModelLooks, CornersShareASumWhereTheirFacesShareAGroup) {
    const auto fan = [](std::uint32_t count) {
        std::pair<std::vector<TFace3D>, std::vector<std::uint32_t>> f;
        for (std::uint32_t k = 0; k < count; ++k) {
            f.first.push_back({1, k + 2, k + 3});
            f.second.push_back(k < 32 ? 1u << k : 3u); // each mask its own
        }
        return f;
    };
    struct TCase {
        std::string Name;
        std::vector<TFace3D> Faces;
        std::vector<std::uint32_t> Masks;
        std::size_t FlatCorners;
        std::vector<std::uint32_t> Sums, Shared; // checked when Sums is given
    };
    const std::vector<TFace3D> quad = {{1, 2, 3}, {1, 3, 4}};
    const auto [fan32, masks32] = fan(MaxMasksAtVertex);
    const auto [fan33, masks33] = fan(MaxMasksAtVertex + 1);
    const TCase cases[] = {
        {"one group", quad, {1, 1}, 0, {1, 2, 3, 1, 3, 4}, {}},
        {"two groups", quad, {1, 2}, 0, {1, 3, 4, 2, 5, 6}, {}},
        {"groups sharing a bit", quad, {1, 3}, 0, {1, 3, 4, 2, 5, 6}, {2, 1, 5, 4}},
        {"one face flat", quad, {1, 0}, 3, {1, 2, 3, 0, 0, 0}, {}},
        {"the first and last faces in one group, the middle one in another",
         {{1, 2, 3}, {1, 3, 4}, {1, 4, 5}},
         {1, 2, 1},
         0,
         {1, 3, 4, 2, 5, 6, 1, 7, 8},
         {}},
        {"as many masks at the apex as are smoothed", fan32, masks32, 0, {}, {}},
        {"one more", fan33, masks33, MaxMasksAtVertex + 1, {}, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TObject3D object;
        object.VertexCount = std::int32_t(c.Faces.size()) + 2;
        object.FaceCount = std::int32_t(c.Faces.size());
        AllocObjectArrays(object);
        for (std::int32_t i = 1; i <= object.FaceCount; ++i) {
            object.Faces[i] = c.Faces[std::size_t(i - 1)];
        }
        const TSmoothingCorners corners = FindSmoothingCorners(object, c.Masks);
        EXPECT_EQ(std::size_t(std::count(corners.Sums.begin(), corners.Sums.end(), 0u)),
                  c.FlatCorners);
        if (!c.Sums.empty()) {
            EXPECT_EQ(corners.Sums, c.Sums);
            EXPECT_EQ(corners.Shared, c.Shared);
        }
    }
}

// A grid of side x side world vertices, each moved a little at random, two faces a cell, with room
// for `vertices` and `faces` more after them; returns the number of the first face after the grid.
std::int32_t JitteredGrid(TObject3D& object, int side, int vertices, int faces,
                          std::mt19937& random) {
    object.VertexCount = side * side + vertices;
    object.FaceCount = 2 * (side - 1) * (side - 1) + faces;
    AllocObjectArrays(object);
    std::uniform_real_distribution<float> jitter(-0.3f, 0.3f);
    for (int i = 0; i < side * side; ++i) {
        object.WorldVertices[i + 1] = {float(i % side) + jitter(random),
                                       float(i / side) + jitter(random), jitter(random)};
    }
    std::int32_t f = 1;
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const auto at = [&](int dx, int dy) {
                return std::uint32_t((y + dy) * side + x + dx + 1);
            };
            object.Faces[f++] = {at(0, 0), at(1, 0), at(1, 1)};
            object.Faces[f++] = {at(0, 0), at(1, 1), at(0, 1)};
        }
    }
    return f;
}

// The smoothing sums a drawing works out on demand equal the plain sums of every face, over a
// mesh with masks of every kind: flat faces, one group, groups sharing bits or not, and a vertex
// where more masks meet than are smoothed.
TEST(ModelLooks, SmoothingSumsWorkedOutOnDemandEqualThePlainSums) {
    std::mt19937 random(27);
    constexpr int Side = 12;
    TObject3D object;
    std::int32_t f = JitteredGrid(object, Side, 1, 40, random);
    object.WorldVertices[Side * Side + 1] = {5, 5, 3}; // the apex of a fan of 40 faces
    for (std::uint32_t k = 0; k < 40; ++k) {
        object.Faces[f++] = {std::uint32_t(Side * Side + 1), k + 1, k + 2};
    }
    const std::uint32_t kinds[] = {0, 1, 1, 2, 3, 6, 0x80000000, 0x80000001};
    std::vector<std::uint32_t> masks;
    for (std::int32_t i = 0; i < object.FaceCount; ++i) {
        masks.push_back(i < object.FaceCount - 40 ? kinds[random() % std::size(kinds)]
                                                  : (std::uint32_t(i) << 1) | 1); // 40 masks
    }
    for (std::int32_t i = 1; i <= object.VertexCount; ++i) {
        object.Vertices[i] = object.WorldVertices[i];
    }
    const TSmoothingCorners corners = FindSmoothingCorners(object, masks);
    ASSERT_GT(corners.SumCount, 0u);
    // A corner's sum gathers the faces at its vertex with its face's mask, in their order.
    for (std::int32_t i = 1; i <= object.FaceCount; ++i) {
        const TFace3D& face = object.Faces[i];
        const std::uint32_t numbers[] = {face.A, face.B, face.C};
        for (std::size_t k = 0; k < 3; ++k) {
            const std::uint32_t s = corners.Sums[3 * std::size_t(i - 1) + k];
            if (s == 0) {
                continue;
            }
            std::vector<std::uint32_t> expected;
            for (std::int32_t j = 1; j <= object.FaceCount; ++j) {
                const TFace3D& g = object.Faces[j];
                if (masks[std::size_t(j - 1)] == masks[std::size_t(i - 1)] &&
                    (g.A == numbers[k] || g.B == numbers[k] || g.C == numbers[k])) {
                    expected.push_back(std::uint32_t(j));
                }
            }
            EXPECT_EQ(std::vector<std::uint32_t>(corners.Faces.begin() + corners.FirstFace[s - 1],
                                                 corners.Faces.begin() + corners.FirstFace[s]),
                      expected)
                << i << " " << k;
        }
    }
    const std::vector<TNormal> plain = SumSmoothNormalsReference(object, corners);
    TSmoothNormals onDemand;
    for (const bool all : {true, false, true}) { // at once, then as asked for in kept room
        onDemand.Begin(object, corners, all);
        for (std::uint32_t s = corners.SumCount; s >= 1; --s) {
            const TNormal sum = onDemand.Sum(s);
            ASSERT_TRUE(sum.X == plain[s].X && sum.Y == plain[s].Y && sum.Z == plain[s].Z) << s;
        }
    }
    // The apex, where 40 masks meet, has flat corners.
    for (std::int32_t i = object.FaceCount - 40; i < object.FaceCount; ++i) {
        EXPECT_EQ(corners.Sums[3 * std::size_t(i)], 0u) << i;
    }
}

// When every smooth face is in one group the corners are found another way, which must find what
// the general way finds for the same faces once one face of another group, at vertices of its own
// numbered after the others, makes the groups differ: flat faces, a face naming one vertex twice
// and a face naming a vertex the object lacks among them; with vertices that no smooth face uses,
// and with none.
TEST(ModelLooks, CornersOfOneGroupAreThoseOfTheGeneralWay) {
    const struct {
        const char* Name;
        unsigned FlatOneIn; // every this many faces flat, at random; 0 for none
        bool OwnVerticesOnly;
    } cases[] = {
        {"some vertices without corners", 4, false},
        {"a corner at every vertex", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TObject3D one, two;
        for (TObject3D* object : {&one, &two}) {
            std::mt19937 random(41);
            std::int32_t f = JitteredGrid(*object, 20, 3, 3, random);
            object->Faces[f++] = {5, 5, 6};
            object->Faces[f++] = {7, 8, std::uint32_t(object->VertexCount + 1)};
            object->Faces[f] = {401, 402, 403};
            object->FaceCount = object == &one ? f - 1 : f;
        }
        one.VertexCount = c.OwnVerticesOnly ? 400 : one.VertexCount;
        std::mt19937 random(43);
        std::vector<std::uint32_t> masks;
        for (std::int32_t i = 0; i < one.FaceCount; ++i) {
            masks.push_back(c.FlatOneIn != 0 && random() % c.FlatOneIn == 0 ? 0 : 5);
        }
        const TSmoothingCorners a = FindSmoothingCorners(one, masks);
        masks.push_back(2);
        const TSmoothingCorners b = FindSmoothingCorners(two, masks);
        ASSERT_GT(a.SumCount, 300u);
        EXPECT_EQ(a.SumCount == std::uint32_t(one.VertexCount), c.OwnVerticesOnly);
        EXPECT_EQ(b.SumCount, a.SumCount + 3);
        const auto prefix = [](const std::vector<std::uint32_t>& v, std::size_t n) {
            return std::vector<std::uint32_t>(v.begin(), v.begin() + std::ptrdiff_t(n));
        };
        EXPECT_EQ(prefix(b.Sums, a.Sums.size()), a.Sums);
        EXPECT_EQ(prefix(b.FirstFace, a.FirstFace.size()), a.FirstFace);
        EXPECT_EQ(prefix(b.Faces, a.Faces.size()), a.Faces);
        EXPECT_EQ(prefix(b.FirstShare, a.FirstShare.size()), a.FirstShare);
        EXPECT_TRUE(a.Shared.empty() && b.Shared.empty());
    }
}

// A mesh large enough for its normals, worked out at once, to be shared out among threads: every
// sum as the plain one, none of them left to a later drawing.
TEST(ModelLooks, SmoothingSumsWorkedOutAtOnceOnSeveralThreadsEqualThePlainSums) {
    std::mt19937 random(31);
    TObject3D object;
    JitteredGrid(object, 130, 0, 0, random); // 33,282 faces
    std::vector<std::uint32_t> masks;
    for (std::int32_t i = 0; i < object.FaceCount; ++i) {
        masks.push_back(std::uint32_t(random() % 4));
    }
    const TSmoothingCorners corners = FindSmoothingCorners(object, masks);
    const std::vector<TNormal> plain = SumSmoothNormalsReference(object, corners);
    TSmoothNormals atOnce;
    atOnce.Begin(object, corners, true);
    for (std::uint32_t s = 1; s <= corners.SumCount; ++s) {
        const TNormal sum = atOnce.Sum(s);
        ASSERT_TRUE(sum.X == plain[s].X && sum.Y == plain[s].Y && sum.Z == plain[s].Z) << s;
    }
}

// The corners are worked out when first asked for and kept, shared by copies, and forgotten when
// the record is finished again for other masks.
TEST(ModelLooks, SmoothingCornersAreKeptUntilTheRecordIsFinishedAgain) {
    std::mt19937 random(47);
    TObject3D object;
    JitteredGrid(object, 12, 0, 0, random);
    TModelLooks looks;
    looks.FaceSmoothing.assign(std::size_t(object.FaceCount), 1);
    FinishLooks(object, looks);
    const TSmoothingCorners& found = SmoothingCorners(object, looks);
    EXPECT_EQ(found.Sums, FindSmoothingCorners(object, looks.FaceSmoothing).Sums);
    EXPECT_EQ(found.SumCount, std::uint32_t(object.VertexCount));
    EXPECT_EQ(&SmoothingCorners(object, looks), &found);
    const TModelLooks copy = looks;
    EXPECT_EQ(&SmoothingCorners(object, copy), &found);

    std::fill(looks.FaceSmoothing.begin(), looks.FaceSmoothing.end(), 0);
    FinishLooks(object, looks);
    EXPECT_EQ(SmoothingCorners(object, looks).SumCount, 0u);
    EXPECT_EQ(SmoothingCorners(object, copy).SumCount, std::uint32_t(object.VertexCount));
}

} // namespace model_looks_test
} // namespace
