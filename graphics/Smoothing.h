// Smoothing groups: at each corner, a face's normal is the sum of the normals of the faces that use
// the same vertex and share at least one group (one bit of their masks) with it, each normal as
// long as twice its face's area, then made unit. A face of mask 0 is flat: it keeps its own normal
// at every corner. Faces meeting at one position through different vertices are not smoothed
// together.
//
// The faces that meet at a vertex are grouped once by their masks: each distinct mask has a sum,
// to which every face of that mask adds its normal, and which also takes the sums of the other
// masks at the vertex that share a bit with it. At a vertex where more than MaxMasksAtVertex
// distinct masks meet, the corners are flat, which keeps the work linear in the faces.
#pragma once

#include "MeshObject.h"

#include <cstdint>
#include <span>
#include <vector>

namespace ZuveloGraphLibrary {

inline constexpr std::size_t MaxMasksAtVertex = 32;

struct TSmoothingCorners {
    // For corner k of face i, at 3 (i - 1) + k: the number of the sum it reads, from 1; 0 for a
    // flat corner. Empty when every face is flat.
    std::vector<std::uint32_t> Sums;
    std::uint32_t SumCount = 0;
    // A sum that also takes another: the sum `To` adds the faces' normals gathered in `From`.
    struct TShare {
        std::uint32_t To = 0;
        std::uint32_t From = 0;
    };
    std::vector<TShare> Shares;
};

// Works out the corners for the object's faces and a mask per face (a face beyond the masks, or
// naming a vertex outside the object, is flat).
TSmoothingCorners FindSmoothingCorners(const TObject3D& object,
                                       std::span<const std::uint32_t> masks);

struct TNormal {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

// The normal of the triangle a, b, c, as long as twice its area, by the right-hand rule.
TNormal TriangleNormal(const TPoint3D& a, const TPoint3D& b, const TPoint3D& c);

// The sums of the normals of the faces as the world vertices now stand: sums[n] for sum n (1 to
// SumCount; sums[0] is unused). `gathered` is room for the work, kept by the caller.
void SumSmoothNormals(const TObject3D& object, const TSmoothingCorners& corners,
                      std::vector<TNormal>& sums, std::vector<TNormal>& gathered);

} // namespace ZuveloGraphLibrary
