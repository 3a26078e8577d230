// Filling faces into a depth buffer. The corners sit on the pixels where DrawObject3D puts them;
// pixel centres are the integer positions, and a pixel belongs to a face when its centre lies
// inside, or on an edge that is a top or a left edge of the face (the top-left rule), so that
// faces sharing an edge cover each of its pixels once. Both windings fill.
//
// In perspective, a face with a corner nearer than NearPlaneDepth is cut at that depth first and
// only its part beyond is filled; new corners are placed as DrawObject3D would place them. A face
// that covers no area, has a corner whose depth is not finite, names a vertex outside the object,
// has a corner DrawObject3D would not place by its own projection, or has a corner more than
// FillCoordinateLimit pixels from (0, 0) (beyond which the 64-bit edge functions could overflow)
// fills nothing. A pixel takes a face's key when the key is smaller than the one it holds, so of
// equal keys the face filled first keeps the pixel; a key that is not a number never enters.
#pragma once

#include "DepthBuffer.h"

#include <array>
#include <cstdint>

namespace ZuveloGraphLibrary {

inline constexpr double NearPlaneDepth = 1.0;
inline constexpr std::int64_t FillCoordinateLimit = std::int64_t(1) << 29;

// What a fill is for. Where a face turned to the viewer meets one turned away along the outline of
// a model, the pixels on the edge they share belong to both at one depth, and would go to the face
// filled first. For the drawing of surfaces, each corner's key is moved SurfaceTieShare of the way
// towards the mean of its face's corner keys, so that there the face whose middle lies nearer, the
// one turned to the viewer, wins. Lines keep the keys as they are.
enum class TFillFor { Lines, Surfaces };
inline constexpr double SurfaceTieShare = 1.0 / 4096;

// Fills the faces of the object, in array order, as the current projection places them; a large
// object is shared out among threads, and every pixel ends as one thread would leave it. The
// buffer must be prepared for the pane; the fill is recorded for the drawings that follow.
void FillDepth(TDepthBuffer& buffer, const TObject3D& object, TFillFor use = TFillFor::Lines);
// The same with the per-pixel reference rasteriser, for the tests.
void FillDepthReference(TDepthBuffer& buffer, const TObject3D& object,
                        TFillFor use = TFillFor::Lines);

namespace Detail {

struct TFillCorner {
    std::int64_t X = 0;
    std::int64_t Y = 0;
    double Key = 0;
};
using TFillTriangle = std::array<TFillCorner, 3>;

// One triangle into the buffer under the given owner; box grows by the rows' spans filled.
// The fast way finds each row's span from the edge functions; the reference tests every pixel of
// the triangle's box, with each edge function computed afresh. Both write the same.
void FillTriangle(TDepthBuffer& buffer, const TFillTriangle& triangle, std::uint32_t owner,
                  TPixelBox& box);
void FillTriangleReference(TDepthBuffer& buffer, const TFillTriangle& triangle, std::uint32_t owner,
                           TPixelBox& box);

// The depth key of a depth d (see DepthBuffer.h).
double DepthKey(double depth, bool perspective);

} // namespace Detail

} // namespace ZuveloGraphLibrary
