// The model builder: vertices and faces added many at once (vertices on several threads, too) make
// the model that adding them one by one makes, and Finish's quick way for a model whose faces all
// stand makes what its loop makes.
#include "ModelBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <list>
#include <string>
#include <utility>
#include <vector>

namespace {
namespace model_builder_test {

using namespace ZuveloGraphLibrary;
using Plexa3DFormats::TModelBuilder;

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

struct TVertex {
    TPoint3D Point;
    TTexCoord Mapping;
};

enum class TWay { OneByOne, Many, SideBySide };

// What the readers add, each way: vertices with or without mapping coordinates, faces of one
// material and mask, and meshes.
class TAdding {
public:
    TAdding(TModelBuilder& builder, TWay way) : builder_(builder), way_(way) {}

    void Vertices(const std::vector<TVertex>& vertices, bool mapped) {
        if (way_ == TWay::SideBySide && !mapped) {
            builder_.AddVerticesSideBySide(vertices.size(), [&](std::size_t i, TPoint3D& point) {
                point = vertices[i].Point;
            });
            return;
        }
        if (way_ != TWay::OneByOne) {
            builder_.AddVertices(vertices.size(), mapped,
                                 [&](std::size_t i, TPoint3D& point, TTexCoord& mapping) {
                                     point = vertices[i].Point;
                                     mapping = vertices[i].Mapping;
                                 });
            return;
        }
        for (const TVertex& v : vertices) {
            if (mapped) {
                builder_.AddVertex(v.Point, v.Mapping);
            } else {
                builder_.AddVertex(v.Point);
            }
        }
    }
    void Faces(const std::vector<TFace3D>& faces, std::uint32_t material, std::uint32_t mask) {
        if (way_ != TWay::OneByOne) {
            builder_.AddFaces(faces.size(), material, mask,
                              [&](std::size_t i, TFace3D& face) { face = faces[i]; });
            return;
        }
        for (const TFace3D& f : faces) {
            builder_.AddFace(f.A, f.B, f.C, material, mask);
        }
    }
    void Mesh(const std::string& name) { builder_.BeginMesh(name); }
    void Material() { builder_.AddMaterial(TMaterial{}); }

private:
    TModelBuilder& builder_;
    TWay way_;
};

struct TBuilt {
    TObject3D Object;
    TModelLooks Looks;
    TModelReading Reading;
};

TBuilt Build(const std::function<void(TAdding&)>& add, TWay way, bool unusedNaN) {
    TModelBuilder builder;
    TAdding adding(builder, way);
    add(adding);
    if (unusedNaN) {
        builder.AddVertex({NaN, 0, 0}); // named by no face, it only makes Finish check each face
    }
    TBuilt built;
    built.Reading = builder.Finish("model", built.Object, built.Looks);
    return built;
}

std::vector<TFace3D> Faces(const TObject3D& object) {
    return {object.Faces.begin(), object.Faces.end()};
}

std::vector<std::string> Notes(const TModelLooks& looks) {
    std::vector<std::string> notes;
    for (const TLooksNote& note : looks.Notes) {
        notes.push_back(note.Subject);
    }
    return notes;
}

bool SameFace(const TFace3D& a, const TFace3D& b) {
    return a.A == b.A && a.B == b.B && a.C == b.C;
}

TEST(ModelBuilder, ManyAtOnceBuildWhatOneByOneBuilds) {
    const std::vector<TVertex> square = {
        {{0, 0, 0}, {0, 0}}, {{1, 0, 0}, {1, 0}}, {{1, 1, 0}, {1, 1}}, {{0, 1, 0}, {0, 1}}};
    const std::vector<TVertex> odd = {{{2, 0, 0}, {NaN, 0.5f}},
                                      {{2, 1, 0}, {0.25f, INFINITY}},
                                      {{NaN, 2, 0}, {1, 1}},
                                      {{3, 3, 3}, {0.5f, 0.5f}}};
    const std::vector<TFace3D> two = {{1, 2, 3}, {1, 3, 4}};
    const std::vector<TFace3D> beyond = {{5, 6, 8}, {5, 6, 99}, {0, 5, 6}}; // 99, 0: no vertex
    const std::vector<TFace3D> notFinite = {{5, 6, 7}, {7, 8, 5}};
    std::vector<TVertex> crowd(70000); // enough to be added on several threads
    for (std::size_t i = 0; i < crowd.size(); ++i) {
        crowd[i].Point = {float(i), i % 9999 == 5 ? NaN : 1.0f, i == 69999 ? -INFINITY : 2.0f};
    }
    const struct {
        const char* Label;
        std::function<void(TAdding&)> Add;
    } cases[] = {
        {"plain",
         [&](TAdding& a) {
             a.Vertices(square, false);
             a.Faces(two, 0, 0);
         }},
        {"mapping, materials and masks after faces without",
         [&](TAdding& a) {
             a.Material();
             a.Material();
             a.Vertices(square, false);
             a.Faces(two, 0, 0);
             a.Vertices(odd, true); // before them, (0, 0); not finite, (0, 0)
             a.Faces(two, 2, 0);
             a.Faces(beyond, 0, 6);
             a.Faces(two, 7, 1); // a material not added: the default
         }},
        {"faces naming vertices that are not there, and a material not added",
         [&](TAdding& a) {
             a.Vertices(square, false);
             a.Faces({{1, 2, 99}, {0, 1, 2}}, 0, 0);
             a.Faces(two, 5, 0);
         }},
        {"vertices without mapping after vertices with",
         [&](TAdding& a) {
             a.Vertices(square, true);
             a.Vertices(odd, false);
             a.Faces(two, 0, 3);
             a.Faces(notFinite, 0, 0);
         }},
        {"meshes, with faces before the first and meshes without faces",
         [&](TAdding& a) {
             a.Vertices(square, true);
             a.Faces(two, 0, 0);
             a.Mesh("a");
             a.Faces(two, 0, 0);
             a.Mesh("b");
             a.Mesh("c");
             a.Faces({{2, 3, 4}}, 0, 0);
         }},
        {"meshes, with faces that are not kept",
         [&](TAdding& a) {
             a.Vertices(square, false);
             a.Vertices(odd, false);
             a.Mesh("a");
             a.Faces(beyond, 0, 0);
             a.Mesh("b");
             a.Faces(two, 0, 0);
             a.Faces(notFinite, 0, 0);
         }},
        {"many vertices, some not finite, after mapped ones",
         [&](TAdding& a) {
             a.Vertices(square, true);
             a.Vertices(crowd, false);
             a.Faces(two, 0, 0);
             a.Faces({{5, 6, 7}, {9, 10, 11}, {70001, 70002, 70003}, {70002, 70003, 70004}}, 0, 0);
         }},
        {"a material one past those added",
         [&](TAdding& a) {
             a.Material();
             a.Vertices(square, false);
             a.Faces(two, 2, 0);
         }},
        {"nothing at once",
         [&](TAdding& a) {
             a.Vertices({}, true);
             a.Faces({}, 1, 1);
             a.Vertices(square, false);
             a.Faces(two, 0, 0);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const TBuilt one = Build(c.Add, TWay::OneByOne, false);
        std::list<TBuilt> built; // each kept, so that no way's vertices lie in another's old room
        for (const auto& [way, unusedNaN] : {std::pair{TWay::Many, false},
                                             {TWay::Many, true},
                                             {TWay::SideBySide, false},
                                             {TWay::SideBySide, true}}) {
            SCOPED_TRACE(way == TWay::Many ? "many" : "side by side");
            SCOPED_TRACE(unusedNaN ? "through Finish's loop" : "as added");
            const TBuilt& many = built.emplace_back(Build(c.Add, way, unusedNaN));
            EXPECT_EQ(many.Object.VertexCount, one.Object.VertexCount + (unusedNaN ? 1 : 0));
            for (std::int32_t i = 1; i <= one.Object.VertexCount; ++i) {
                const TPoint3D& p = many.Object.Vertices[i];
                const TPoint3D& q = one.Object.Vertices[i];
                EXPECT_TRUE(Finite(p) ? p.X == q.X && p.Y == q.Y && p.Z == q.Z : !Finite(q)) << i;
            }
            const std::vector<TFace3D> faces = Faces(many.Object);
            const std::vector<TFace3D> expected = Faces(one.Object);
            EXPECT_TRUE(
                std::equal(faces.begin(), faces.end(), expected.begin(), expected.end(), SameFace));
            EXPECT_EQ(many.Looks.FaceMaterials, one.Looks.FaceMaterials);
            EXPECT_EQ(many.Looks.FaceSmoothing, one.Looks.FaceSmoothing);
            EXPECT_EQ(many.Looks.Meshes, one.Looks.Meshes);
            EXPECT_EQ(Notes(many.Looks), Notes(one.Looks));
            EXPECT_EQ(many.Reading.FacesNotFinite, one.Reading.FacesNotFinite);
            EXPECT_EQ(many.Reading.Meshes, one.Reading.Meshes);
            const std::vector<TTexCoord>& mapping = many.Looks.Mapping;
            ASSERT_EQ(mapping.size(),
                      one.Looks.Mapping.size() + (unusedNaN && !mapping.empty() ? 1 : 0));
            for (std::size_t i = 0; i < one.Looks.Mapping.size(); ++i) {
                EXPECT_TRUE(mapping[i].U == one.Looks.Mapping[i].U &&
                            mapping[i].V == one.Looks.Mapping[i].V)
                    << i;
            }
        }
    }
}

} // namespace model_builder_test
} // namespace
