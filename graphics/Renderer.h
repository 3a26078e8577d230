// Projection of an object's world vertices onto a pane and drawing of every face as a triangle
// outline in DrawColor. No depth buffer, no hidden lines, no clipping in 3D: the clip window of
// the raster layer is the only clipping.
#pragma once

#include "DrawingState.h"
#include "ImageView.h"
#include "MeshObject.h"

#include <cstdint>
#include <vector>

namespace ZuveloGraphLibrary {

inline constexpr std::uint8_t ParallelProjection = 1;
inline constexpr std::uint8_t PerspectiveProjection = 2;

// ViewOrigin, ProjectionMode, the perspective constants and ViewNavigation are declared with the
// rest of the drawing state.

void SetViewOrigin(std::uint16_t X, std::uint16_t Y);
void SetParallelProjection();
void SetPerspectiveProjection();

void SetViewNavigation(const TViewNavigation& navigation);
void ResetViewNavigation(); // back to the initial view

// Draws the faces in array order, corners A, B, C. With (ox, oy) the view origin and Z, SX, SY,
// PX, PY, M the navigation's Zoom, ShiftX, ShiftY, PanX, PanY and MoveBack:
// Parallel: pane (ox + PX + Round(Z x + SX), oy + PY - Round(Z y - SY)).
// Perspective: z' = z - M, q = D / z', pane (ox + PX + Round(Z (q x) + SX),
// oy + PY - Round(Z ((q y) F) - SY)); a corner whose z' is 0 or not a number keeps the previous
// face's value for that corner (Round's value 0 in the first face).
// A face naming a vertex outside 1 to VertexCount is skipped. A projected value that cannot be
// rounded to a 64-bit integer, or a pane coordinate beyond the 64-bit range, raises "Invalid
// floating point operation"; the faces drawn before it stay drawn.
void DrawObject3D(const TImageView& image, const TObject3D& object);

// The same drawing done plainly, one face at a time: three corners projected and rounded, then
// one DrawTriangleWide. It defines what DrawObject3D must produce; the tests compare the two.
void DrawObject3DPerFace(const TImageView& image, const TObject3D& object);

// The extent of what DrawObject3D would draw for this object, before Zoom, Shift and Pan: the
// unrounded projected offsets (x right, y up, relative to the view origin) of every vertex used by
// a face whose numbers are in range, skipping perspective corners at z' = 0 or NaN, and the
// largest z of those vertices (before MoveBack). Empty when there is none.
// Offsets that are not numbers are skipped as well, and so are vertices with a coordinate that is
// not finite. MaxZ also counts the vertices skipped for z' = 0, so that a viewer moved back beyond
// MaxZ has every vertex in front of it.
struct TProjectedExtent {
    bool Empty = true;
    double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0, MaxZ = 0;
};
TProjectedExtent ProjectedExtent(const TObject3D& object);

// Where DrawObject3D puts the corners of faces, for the drawings beside it. A corner is a Pixel
// (X, Y), is Kept (a perspective corner at z' = 0 or not a number: the previous face's value for
// that corner, origin plus pan in the first face), or Raises (DrawObject3D raises at its face).
enum class TCornerPlacement : std::uint8_t { Pixel, Kept, Raises };
struct TPlacedCorner {
    std::int64_t X = 0;
    std::int64_t Y = 0;
    TCornerPlacement Placement = TCornerPlacement::Kept;
};
struct TPaneBase {
    bool InRange = false; // false: DrawObject3D raises at the first face it draws
    std::int64_t X = 0;   // origin plus pan
    std::int64_t Y = 0;
};
// Places world vertices 1 to min(VertexCount, WorldVertices.Count()) into placed[1...] (placed
// grows when it is too short and is never shrunk) and returns origin plus pan. Reads the
// projection mode; with a mode that draws nothing, every corner is Raises.
TPaneBase PlaceWorldVertices(const TObject3D& object, std::vector<TPlacedCorner>& placed);
// One point placed as a corner is.
TPlacedCorner PlacePoint(const TPoint3D& point);

} // namespace ZuveloGraphLibrary
