#include "FitPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace ZuveloGraphLibrary {
namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr int Axes = 3;

float TPoint3D::*const Coordinates[Axes] = {&TPoint3D::X, &TPoint3D::Y, &TPoint3D::Z};

struct TBox {
    double Low[Axes] = {Infinity, Infinity, Infinity};
    double High[Axes] = {-Infinity, -Infinity, -Infinity};

    bool Empty() const { return Low[0] > High[0]; }
    void Include(double value, int axis) {
        Low[axis] = std::min(Low[axis], value);
        High[axis] = std::max(High[axis], value);
    }
};

// The box of the finite vertices that faces with all three numbers in range use; `used` marks
// those vertices (indexed from 1).
TBox UsedBox(const TObject3D& object, std::int32_t vertexCount, std::vector<bool>& used) {
    TBox box;
    used.assign(static_cast<std::size_t>(vertexCount) + 1, false);
    const std::int32_t faceCount = std::clamp(object.FaceCount, 0, object.Faces.Count());
    for (std::int32_t i = 1; i <= faceCount; ++i) {
        const TFace3D& face = object.Faces[i];
        if (!FaceInRange(face, vertexCount)) {
            continue;
        }
        for (const std::uint32_t number : {face.A, face.B, face.C}) {
            used[number] = true;
            const TPoint3D& p = object.Vertices[static_cast<std::int32_t>(number)];
            if (Finite(p)) {
                for (int axis = 0; axis < Axes; ++axis) {
                    box.Include(p.*Coordinates[axis], axis);
                }
            }
        }
    }
    return box;
}

// The box of every finite coordinate of the used vertices, axis by axis: where the farthest ones
// land decides whether the fit stays within the single range (a vertex with a coordinate that is
// not finite is outside the box of whole vertices, and its other coordinates may lie far away).
TBox CoordinateBox(const TObject3D& object, std::int32_t vertexCount,
                   const std::vector<bool>& used) {
    TBox box;
    for (std::int32_t i = 1; i <= vertexCount; ++i) {
        if (!used[static_cast<std::size_t>(i)]) {
            continue;
        }
        for (int axis = 0; axis < Axes; ++axis) {
            const float value = object.Vertices[i].*Coordinates[axis];
            if (std::isfinite(value)) {
                box.Include(value, axis);
            }
        }
    }
    return box;
}

} // namespace

bool FitObjectVertices(TObject3D& object, double radius) {
    const std::int32_t vertexCount = std::clamp(object.VertexCount, 0, object.Vertices.Count());
    std::vector<bool> used;
    const TBox box = UsedBox(object, vertexCount, used);
    if (box.Empty()) {
        return false;
    }
    double centre[Axes] = {};
    double squares = 0;
    for (int axis = 0; axis < Axes; ++axis) {
        centre[axis] = (box.Low[axis] + box.High[axis]) / 2;
        const double size = box.High[axis] - box.Low[axis];
        squares += size * size;
    }
    const double diagonal = std::sqrt(squares);
    if (diagonal == 0 || !std::isfinite(diagonal)) {
        return false;
    }
    const double scale = radius / (diagonal / 2);
    const auto fitted = [&](float value, int axis) {
        return static_cast<float>((value - centre[axis]) * scale);
    };

    // Rounding to single is monotonic, so the extreme coordinates give the extreme results.
    const TBox all = CoordinateBox(object, vertexCount, used);
    for (int axis = 0; axis < Axes; ++axis) {
        if (std::isinf(fitted(static_cast<float>(all.Low[axis]), axis)) ||
            std::isinf(fitted(static_cast<float>(all.High[axis]), axis))) {
            throw FloatingPointError(FloatFault::Overflow);
        }
    }
    for (std::int32_t i = 1; i <= vertexCount; ++i) {
        if (!used[static_cast<std::size_t>(i)]) {
            continue;
        }
        TPoint3D& p = object.Vertices[i];
        for (int axis = 0; axis < Axes; ++axis) {
            float& value = p.*Coordinates[axis];
            if (std::isfinite(value)) {
                value = fitted(value, axis);
            }
        }
    }
    return true;
}

void ParkUnusedVertices(TObject3D& object) {
    const std::int32_t vertexCount = std::clamp(object.VertexCount, 0, object.Vertices.Count());
    std::vector<bool> used;
    UsedBox(object, vertexCount, used);
    for (std::int32_t i = 1; i <= vertexCount; ++i) {
        if (!used[static_cast<std::size_t>(i)]) {
            object.Vertices[i] = {};
        }
    }
}

} // namespace ZuveloGraphLibrary
