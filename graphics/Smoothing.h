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
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace ZuveloGraphLibrary {

inline constexpr std::size_t MaxMasksAtVertex = 32;
inline constexpr std::size_t CornersPerFace = 3;

struct TSmoothingCorners {
    // For corner k of face i, at 3 (i - 1) + k: the number of the sum it reads, from 1; 0 for a
    // flat corner. Empty when every face is flat.
    std::vector<std::uint32_t> Sums;
    std::uint32_t SumCount = 0;
    // The faces (from 1) whose normals sum s gathers itself are Faces[FirstFace[s - 1]] to
    // Faces[FirstFace[s] - 1]; the other sums whose faces it also takes (those of the masks at its
    // vertex that share a bit with its own) are Shared[FirstShare[s - 1]] to
    // Shared[FirstShare[s] - 1].
    std::vector<std::uint32_t> FirstFace{0};
    std::vector<std::uint32_t> Faces;
    std::vector<std::uint32_t> FirstShare{0};
    std::vector<std::uint32_t> Shared;
};

// Works out the corners for the object's faces and a mask per face (a face beyond the masks, or
// naming a vertex outside the object, is flat).
TSmoothingCorners FindSmoothingCorners(const TObject3D& object,
                                       std::span<const std::uint32_t> masks);

// A record's smoothing corners, worked out when first asked for and then kept. Only the drawing of
// surfaces and the export read them, so a reading, a wireframe drawing or an --info never works
// them out. Several threads may ask at once; a copy shares what was worked out.
class TCornersOnce {
public:
    TCornersOnce() = default;
    TCornersOnce(const TCornersOnce& other);
    TCornersOnce& operator=(const TCornersOnce& other);
    ~TCornersOnce() = default;

    // FindSmoothingCorners(object, masks) when first asked for; what was found then, until Forget.
    const TSmoothingCorners& Of(const TObject3D& object,
                                std::span<const std::uint32_t> masks) const;
    // For faces or masks that have changed.
    void Forget();

private:
    mutable std::mutex mutex_;
    mutable std::shared_ptr<const TSmoothingCorners> found_;
};

struct TNormal {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

// The normal of the triangle a, b, c, as long as twice its area, by the right-hand rule.
TNormal TriangleNormal(const TPoint3D& a, const TPoint3D& b, const TPoint3D& c);

// The sums as the world vertices now stand, each worked out when it is first asked for in a
// drawing and kept for the rest of it, from the faces' normals, each worked out once as well and
// held in single precision, as the sums are. The room for them is kept from drawing to drawing.
class TSmoothNormals {
public:
    // A new drawing of the object, whose corners these are; both must outlive the drawing. With
    // `all`, every face's normal and every sum's own faces are worked out at once, on several
    // threads for a large object, which is quicker when many of them will be asked for; then
    // the sums only read what is kept, and several threads may ask for them at once.
    void Begin(const TObject3D& object, const TSmoothingCorners& corners, bool all = false);
    // Sum s, from 1 to SumCount.
    TNormal Sum(std::uint32_t s);

    // A normal in single precision, with the stamp of the drawing it was worked out in.
    struct TKept {
        float X = 0, Y = 0, Z = 0;
        std::uint32_t Stamp = 0;
    };

private:
    const TKept& Gathered(std::uint32_t s);
    const TKept& FaceNormal(std::uint32_t face);

    const TObject3D* object_ = nullptr;
    const TSmoothingCorners* corners_ = nullptr;
    std::int32_t vertices_ = 0;
    std::uint32_t stamp_ = 0;
    bool all_ = false;
    std::vector<TKept> faceNormals_, gathered_;
};

// The same sums, all of them at once and plainly: every face adds its normal (rounded to single)
// to the sums of its corners in face order, then every sum takes the sums it shares. sums[s] for
// sum s; sums[0] is unused.
std::vector<TNormal> SumSmoothNormalsReference(const TObject3D& object,
                                               const TSmoothingCorners& corners);

} // namespace ZuveloGraphLibrary
