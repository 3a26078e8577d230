// The fitted placement: which vertices decide the box, when the object is left alone, and that
// a fitted object stays within the radius.
#include "FitPlacement.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {
namespace fit_placement_test {

using namespace ZuveloGraphLibrary;
using Points = std::vector<TPoint3D>;
using Numbers = std::vector<std::array<std::uint32_t, 3>>; // counted from 1

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

TObject3D MakeObject(const Points& points, const Numbers& faces) {
    TObject3D object;
    object.VertexCount = static_cast<std::int32_t>(points.size());
    object.FaceCount = static_cast<std::int32_t>(faces.size());
    AllocObjectArrays(object);
    std::copy(points.begin(), points.end(), object.Vertices.begin());
    for (std::size_t i = 0; i < faces.size(); ++i) {
        object.Faces.begin()[i] = {faces[i][0], faces[i][1], faces[i][2]};
    }
    return object;
}

// Bit for bit, so that NaNs compare too.
void ExpectPoints(const TObject3D& object, const Points& expected) {
    ASSERT_EQ(object.Vertices.Count(), static_cast<std::int32_t>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TPoint3D& got = object.Vertices.begin()[i];
        const TPoint3D& want = expected[i];
        for (const auto& [g, w] : {std::pair{got.X, want.X}, {got.Y, want.Y}, {got.Z, want.Z}}) {
            EXPECT_EQ(std::bit_cast<std::uint32_t>(g), std::bit_cast<std::uint32_t>(w))
                << "vertex " << i + 1 << ": " << g << " instead of " << w;
        }
    }
}

TEST(FitObjectVerticesTest, BoxOfTheUsedFiniteVertices) {
    // The box [0, 2] x [0, 2] x [0, 0]: centre (1, 1, 0), half diagonal sqrt(2).
    const float s = static_cast<float>(140 / std::sqrt(2.0));
    const Points square = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {2, 2, 0}};
    const Numbers faces = {{1, 2, 3}, {4, 3, 2}};
    const Points fitted = {{-s, -s, 0}, {s, -s, 0}, {-s, s, 0}, {s, s, 0}};
    struct TCase {
        std::string Label;
        Points Before;
        Numbers Faces;
        Points After;
    };
    const TCase cases[] = {
        {"square", square, faces, fitted},
        {"unused far vertices stay as stored and do not count",
         {{0, 0, 0}, {2, 0, 0}, {1e30f, 1e30f, 0}, {0, 2, 0}, {2, 2, 0}, {-3e38f, 3e38f, 0}},
         {{1, 2, 4}, {5, 4, 2}, {3, 9, 1}},
         {fitted[0], fitted[1], {1e30f, 1e30f, 0}, fitted[2], fitted[3], {-3e38f, 3e38f, 0}}},
        {"coordinates not finite are kept and do not count",
         {{0, 0, 0}, {NaN, 2, 0}, {2, 0, 0}, {0, 2, 0}, {2, 2, Inf}, {2, 2, 0}},
         {{1, 2, 3}, {4, 5, 6}},
         {fitted[0], {NaN, s, 0}, fitted[1], fitted[2], {s, s, Inf}, fitted[3]}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        TObject3D object = MakeObject(c.Before, c.Faces);
        object.Pivot = {1, 2, 3};
        object.Position = {4, 5, 6};
        EXPECT_TRUE(FitObjectVertices(object));
        ExpectPoints(object, c.After);
        EXPECT_EQ(object.Pivot.Z, 3);
        EXPECT_EQ(object.Position.Z, 6);
    }
}

TEST(FitObjectVerticesTest, ObjectsWithoutABoxAreLeftAlone) {
    struct TCase {
        std::string Label;
        Points Vertices;
        Numbers Faces;
    };
    const TCase cases[] = {
        {"no faces", {{1, 2, 3}, {4, 5, 6}}, {}},
        {"no vertices", {}, {}},
        {"one point", {{1, 2, 3}, {1, 2, 3}, {9, 9, 9}}, {{1, 2, 1}}},
        {"numbers out of range", {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{1, 2, 4}, {0, 1, 2}}},
        {"only NaN and infinite vertices used",
         {{NaN, 0, 0}, {0, -Inf, 0}, {1, 2, 3}},
         {{1, 2, 1}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        TObject3D object = MakeObject(c.Vertices, c.Faces);
        EXPECT_FALSE(FitObjectVertices(object));
        ExpectPoints(object, c.Vertices);
    }

    // A used coordinate that the fit would take beyond the single range, on either side (its
    // vertex does not count for the box) is an overflow, raised before anything moves.
    for (const float far : {-3e38f, 3e38f}) {
        SCOPED_TRACE(far);
        const Points tiny = {{0, 0, 0}, {1e-30f, 0, 0}, {0, 1e-30f, 0}, {far, NaN, 0}};
        TObject3D object = MakeObject(tiny, {{1, 2, 3}, {4, 1, 2}});
        EXPECT_THROW(FitObjectVertices(object), FloatingPointError);
        ExpectPoints(object, tiny);
    }
}

// Meshes of many shapes, sizes and distances from the origin: after the fit every used vertex lies
// within the radius, up to the rounding to single precision.
TEST(FitObjectVerticesTest, UsedVerticesEndWithinTheRadius) {
    std::uint32_t seed = 7;
    int fitted = 0;
    const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const double spread = std::pow(10.0, static_cast<int>(next() % 60) - 30);
        const double offset = std::pow(10.0, static_cast<int>(next() % 20)) * (next() % 3);
        Points points(3 + next() % 40);
        for (TPoint3D& p : points) {
            const auto coordinate = [&] {
                return static_cast<float>(offset + spread * (static_cast<double>(next()) / 4e9));
            };
            p = {coordinate(), coordinate(), coordinate()};
        }
        Numbers faces;
        const auto count = static_cast<std::uint32_t>(points.size());
        for (std::uint32_t i = 1; i + 2 <= count; ++i) {
            faces.push_back({i, i + 1, i + 2});
        }
        TObject3D object = MakeObject(points, faces);
        if (!FitObjectVertices(object)) {
            continue; // the spread was lost in the offset
        }
        ++fitted;
        double farthest = 0;
        for (const TPoint3D& p : object.Vertices) {
            farthest = std::max(farthest, std::hypot(double(p.X), double(p.Y), double(p.Z)));
        }
        EXPECT_LE(farthest, FitRadius * (1 + 1e-6));
    }
    EXPECT_GT(fitted, 100);
}

} // namespace fit_placement_test
} // namespace
