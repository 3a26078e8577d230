#include "MeshObject.h"
#include "AngleTables.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {
namespace mesh_object_test {

using namespace ZuveloGraphLibrary;

std::unique_ptr<TObject3D> ObjectWith(const std::vector<TPoint3D>& vertices) {
    std::unique_ptr<TObject3D> slot;
    NewObject3D(slot);
    slot->VertexCount = static_cast<std::int32_t>(vertices.size());
    AllocObjectArrays(*slot);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        slot->Vertices[static_cast<std::int32_t>(i) + 1] = vertices[i];
    }
    return slot;
}

bool SameBits(const TPoint3D& a, const TPoint3D& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectNear(const TPoint3D& p, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(p.X, x, tolerance);
    EXPECT_NEAR(p.Y, y, tolerance);
    EXPECT_NEAR(p.Z, z, tolerance);
}

// One turn of a single vertex, computed here from the table entries the turn must use.
TEST(MeshObject, QuarterTurnsGoTheStatedWayAboutEachAxis) {
    auto object = ObjectWith({{0, 1, 0}, {1, 0, 0}, {1, 0, 0}});
    object->Pivot = {};
    // About X from +Y towards -Z: (0, 1, 0) -> (0, 0, -1), exactly as the table values give.
    RotateObjectX(90, *object);
    ExpectNear(object->Vertices[1], 0, 0, -1);
    EXPECT_EQ(object->Vertices[1].Y, float(CosTable[90]));
    EXPECT_EQ(object->Vertices[1].X, 0.0f);

    auto y = ObjectWith({{1, 0, 0}});
    RotateObjectY(90, *y); // from +X towards +Z
    ExpectNear(y->Vertices[1], 0, 0, 1);
    auto z = ObjectWith({{1, 0, 0}});
    RotateObjectZ(90, *z); // from +X towards +Y
    ExpectNear(z->Vertices[1], 0, 1, 0);
}

TEST(MeshObject, AnglesIndexTheTablesAsWholeDegrees) {
    // Each angle turns exactly as the whole degree it stands for; 0 makes no turn at all.
    const TPoint3D start{0.25f, 3, -7};
    for (const auto& [angle, same] : std::vector<std::pair<int, int>>{
             {-90, 270}, {-450, 270}, {-360, 0}, {720, 0}, {-1, 359}}) {
        auto turned = ObjectWith({start});
        RotateObjectX(angle, *turned);
        auto expected = ObjectWith({start});
        RotateObjectX(same, *expected);
        EXPECT_TRUE(SameBits(turned->Vertices[1], expected->Vertices[1])) << angle;
    }
    // A whole turn comes back to the start within rounding; a quarter turn moves it.
    auto whole = ObjectWith({start});
    RotateObjectX(360, *whole);
    ExpectNear(whole->Vertices[1], 0.25f, 3, -7, 1e-5f);
    auto quarter = ObjectWith({start});
    RotateObjectX(90, *quarter);
    ExpectNear(quarter->Vertices[1], 0.25f, -7, -3, 1e-5f);
}

TEST(MeshObject, ZeroAnglesLeaveEveryBitAlone) {
    const std::vector<TPoint3D> points{{0.1f, -2.7f, 1e-3f}, {123456.7f, 0, -1e-40f}};
    auto object = ObjectWith(points);
    object->Pivot = {0, 0, 0};
    RotateObjectX(0, *object);
    RotateObjectY(0, *object);
    RotateObjectZ(0, *object);
    RotateObject(0, 0, 0, *object);
    EXPECT_TRUE(SameBits(object->Vertices[1], points[0]));
    EXPECT_TRUE(SameBits(object->Vertices[2], points[1]));
}

TEST(MeshObject, PivotMovesTheCentreOfRotationToMinusPivot) {
    auto object = ObjectWith({{0, 0, 0}});
    SetObjectPivot(10, 0, 0, *object);
    RotateObjectZ(180, *object);
    ExpectNear(object->Vertices[1], -20, 0, 0, 1e-5f);
    EXPECT_EQ(object->Pivot.X, 10.0f); // the pivot itself is not moved
}

TEST(MeshObject, CombinedTurnIsUndoneAxisByAxisInReverseOrder) {
    auto object = ObjectWith({{1, 2, 3}});
    RotateObject(90, 0, 0, *object);
    RotateObject(0, -90, 0, *object);
    ExpectNear(object->Vertices[1], -2, 3, -1, 1e-5f); // x = -y and y = z: the side view
    RotateObject(0, 90, 0, *object);
    RotateObject(-90, 0, 0, *object);
    ExpectNear(object->Vertices[1], 1, 2, 3, 1e-5f);

    auto turned = ObjectWith({{1, 2, 3}});
    RotateObject(30, 40, 50, *turned);
    RotateObject(0, 0, -50, *turned);
    RotateObject(0, -40, 0, *turned);
    RotateObject(-30, 0, 0, *turned);
    ExpectNear(turned->Vertices[1], 1, 2, 3, 1e-5f);
}

TEST(MeshObject, ScalingAndPlacementTouchOnlyWhatTheyShould) {
    auto object = ObjectWith({{1, -2, 0.5f}});
    SetObjectPosition(0, 0, -300, *object);
    TransformObject(*object);
    ExpectNear(object->WorldVertices[1], 1, -2, -299.5f, 0);
    ScaleObject(*object, 5.0f);
    ExpectNear(object->Vertices[1], 5, -10, 2.5f, 0);
    ExpectNear(object->WorldVertices[1], 1, -2, -299.5f, 0); // until the next transform
    EXPECT_EQ(object->Position.Z, -300.0f);
    TransformObject(*object);
    ExpectNear(object->WorldVertices[1], 5, -10, -297.5f, 0);
}

TEST(MeshObject, ArraysAreAllocatedOnceForTheCountOfTheMoment) {
    std::unique_ptr<TObject3D> slot;
    NewObject3D(slot);
    TObject3D* record = slot.get();
    record->Name = "kept";
    NewObject3D(slot); // a filled slot keeps its record
    EXPECT_EQ(slot.get(), record);
    EXPECT_EQ(slot->Name, "kept");

    AllocObjectArrays(*slot); // counts 0: nothing
    EXPECT_TRUE(slot->Faces.Empty());
    EXPECT_TRUE(slot->Vertices.Empty());
    EXPECT_TRUE(slot->WorldVertices.Empty());
    ScaleObject(*slot, 2);
    TransformObject(*slot);

    slot->VertexCount = 3;
    slot->FaceCount = 2;
    AllocObjectArrays(*slot);
    EXPECT_EQ(slot->Vertices.Count(), 3);
    EXPECT_EQ(slot->WorldVertices.Count(), 3);
    EXPECT_EQ(slot->Faces.Count(), 2);
    EXPECT_EQ(slot->Faces[2].C, 0); // zero-filled
    // A count raised later does not grow the array, and no loop runs past it.
    slot->VertexCount = 40000;
    AllocVertices(*slot);
    EXPECT_EQ(slot->Vertices.Count(), 3);
    ScaleObject(*slot, 2);
    RotateObject(10, 20, 30, *slot);
    TransformObject(*slot);

    slot->Position = {1, 2, 3};
    ClearObject3D(*slot);
    EXPECT_TRUE(slot->Name.empty());
    EXPECT_EQ(slot->VertexCount, 0);
    EXPECT_TRUE(slot->Vertices.Empty());
    EXPECT_EQ(slot->Position.Z, 3.0f); // position and pivot survive a clear
    slot->VertexCount = 40000;
    slot->FaceCount = 65535;
    AllocObjectArrays(*slot);
    EXPECT_EQ(slot->Vertices.Count(), 40000);
    EXPECT_EQ(slot->Faces.Count(), 65535);
}

TEST(MeshObject, FloatFaultsAreRaisedNotStoredQuietly) {
    auto object = ObjectWith({{1e38f, 1, 1}});
    try {
        ScaleObject(*object, 5.0f);
        FAIL() << "no error raised";
    } catch (const FloatingPointError& e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
    // Infinity minus infinity: an invalid operation.
    auto infinite = ObjectWith({{0, INFINITY, INFINITY}});
    try {
        RotateObjectX(45, *infinite);
        FAIL() << "no error raised";
    } catch (const FloatingPointError& e) {
        EXPECT_STREQ(e.what(), "Invalid floating point operation");
    }
    auto far = ObjectWith({{FLT_MAX, 0, 0}});
    far->Position = {FLT_MAX, 0, 0};
    EXPECT_THROW(TransformObject(*far), FloatingPointError);
    // A value that already was not a number is carried, not reported: it came from no arithmetic.
    auto quiet = ObjectWith({{NAN, 1, 1}});
    EXPECT_NO_THROW(ScaleObject(*quiet, 5.0f));
    EXPECT_TRUE(std::isnan(quiet->Vertices[1].X));
    EXPECT_EQ(quiet->Vertices[1].Y, 5.0f);
}

} // namespace mesh_object_test
} // namespace
