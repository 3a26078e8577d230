#include "MeshObject.h"

#include "AngleTables.h"
#include "FloatChecks.h"

#include <algorithm>

namespace ZuveloGraphLibrary {
namespace {

// The vertices counted that the record holds.
std::int32_t StoredVerticesInUse(const TObject3D& object) {
    return std::clamp(object.VertexCount, 0, object.Vertices.Count());
}

std::int32_t TableIndex(std::int32_t angle) {
    if (angle < -360 || angle > 360) {
        angle %= 360;
    }
    return angle < 0 ? angle + 360 : angle;
}

float Single(double value) {
    return static_cast<float>(value);
}

enum class TAxis { X, Y, Z };

// One turn in the plane (u, v) that the axis changes. The pivot is added and the sums stored, the
// new pair is computed from the stored values and rounded, and the pivot is taken off again.
template <TAxis Axis> void RotateAbout(std::int32_t angle, TObject3D& object) {
    constexpr float TPoint3D::*u = Axis == TAxis::X ? &TPoint3D::Y : &TPoint3D::X;
    constexpr float TPoint3D::*v = Axis == TAxis::Z ? &TPoint3D::Y : &TPoint3D::Z;
    const std::int32_t index = TableIndex(angle);
    const double s = SinTable[index];
    const double c = CosTable[index];
    const double pivotU = object.Pivot.*u;
    const double pivotV = object.Pivot.*v;
    ClearFloatFaults();
    const std::int32_t count = StoredVerticesInUse(object);
    for (std::int32_t i = 1; i <= count; ++i) {
        TPoint3D& p = object.Vertices[i];
        const double pu = p.*u = Single(p.*u + pivotU);
        const double pv = p.*v = Single(p.*v + pivotV);
        double newU = 0;
        double newV = 0;
        if constexpr (Axis == TAxis::X) {
            newU = pu * c + pv * s;
            newV = -pu * s + pv * c;
        } else {
            newU = pu * c - pv * s;
            newV = pu * s + pv * c;
        }
        p.*u = Single(double(Single(newU)) - pivotU);
        p.*v = Single(double(Single(newV)) - pivotV);
    }
    RaiseFloatFaults();
}

void SetPoint(TPoint3D& point, std::int32_t x, std::int32_t y, std::int32_t z) {
    point = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

} // namespace

void NewObject3D(std::unique_ptr<TObject3D>& slot) {
    if (slot) {
        return;
    }
    slot.reset(new (std::nothrow) TObject3D());
    if (!slot) {
        throw OutOfMemoryError();
    }
}

void AllocFaces(TObject3D& object) {
    if (object.Faces.Empty() && object.FaceCount > 0) {
        object.Faces.Allocate(object.FaceCount);
    }
}

void AllocVertices(TObject3D& object) {
    if (object.Vertices.Empty() && object.VertexCount > 0) {
        object.Vertices.Allocate(object.VertexCount);
    }
}

void AllocObjectArrays(TObject3D& object) {
    AllocFaces(object);
    AllocVertices(object);
    if (object.WorldVertices.Empty() && object.VertexCount > 0) {
        object.WorldVertices.Allocate(object.VertexCount);
    }
}

void ClearObject3D(TObject3D& object) {
    object.Name.clear();
    object.FaceCount = 0;
    object.VertexCount = 0;
    object.Faces.Release();
    object.Vertices.Release();
    object.WorldVertices.Release();
}

void SetObjectPosition(std::int32_t X, std::int32_t Y, std::int32_t Z, TObject3D& object) {
    SetPoint(object.Position, X, Y, Z);
}

void SetObjectPivot(std::int32_t X, std::int32_t Y, std::int32_t Z, TObject3D& object) {
    SetPoint(object.Pivot, X, Y, Z);
}

void ScaleObject(TObject3D& object, float factor) {
    const double f = factor;
    ClearFloatFaults();
    const std::int32_t count = StoredVerticesInUse(object);
    for (std::int32_t i = 1; i <= count; ++i) {
        TPoint3D& p = object.Vertices[i];
        p.X = Single(p.X * f);
        p.Y = Single(p.Y * f);
        p.Z = Single(p.Z * f);
    }
    RaiseFloatFaults();
}

void RotateObjectX(std::int32_t angle, TObject3D& object) {
    RotateAbout<TAxis::X>(angle, object);
}
void RotateObjectY(std::int32_t angle, TObject3D& object) {
    RotateAbout<TAxis::Y>(angle, object);
}
void RotateObjectZ(std::int32_t angle, TObject3D& object) {
    RotateAbout<TAxis::Z>(angle, object);
}

void RotateObject(std::int32_t angleX, std::int32_t angleY, std::int32_t angleZ,
                  TObject3D& object) {
    if (angleX != 0) {
        RotateObjectX(angleX, object);
    }
    if (angleY != 0) {
        RotateObjectY(angleY, object);
    }
    if (angleZ != 0) {
        RotateObjectZ(angleZ, object);
    }
}

void TransformObject(TObject3D& object) {
    const TPoint3D position = object.Position;
    ClearFloatFaults();
    const std::int32_t count = std::min(StoredVerticesInUse(object), object.WorldVertices.Count());
    for (std::int32_t i = 1; i <= count; ++i) {
        const TPoint3D& local = object.Vertices[i];
        object.WorldVertices[i] = {Single(double(local.X) + position.X),
                                   Single(double(local.Y) + position.Y),
                                   Single(double(local.Z) + position.Z)};
    }
    RaiseFloatFaults();
}

} // namespace ZuveloGraphLibrary
