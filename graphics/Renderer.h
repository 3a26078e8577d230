// Projection of an object's world vertices onto a pane and drawing of every face as a triangle
// outline in DrawColor. No depth buffer, no hidden lines, no clipping in 3D: the clip window of
// the raster layer is the only clipping.
#pragma once

#include "ImageView.h"
#include "MeshObject.h"

#include <cstdint>

namespace ZuveloGraphLibrary {

struct TViewOrigin {
    std::uint16_t X = 0;
    std::uint16_t Y = 0;
};

inline constexpr std::uint8_t ParallelProjection = 1;
inline constexpr std::uint8_t PerspectiveProjection = 2;

extern TViewOrigin ViewOrigin;      // the pane pixel onto which world x = 0, y = 0 falls
extern std::uint8_t ProjectionMode; // 1 parallel, 2 perspective; any other value draws nothing
extern double PerspectiveDistance;  // 200 once perspective has been chosen
extern double PerspectiveAspect;    // 4/3 once perspective has been chosen

void SetViewOrigin(std::uint16_t X, std::uint16_t Y);
void SetParallelProjection();
void SetPerspectiveProjection();

// Draws the faces in array order, corners A, B, C. Parallel: pane (ox + Round(x), oy - Round(y)).
// Perspective: q = D / z, pane (ox + Round(q x), oy - Round(q y F)); a corner whose z is 0 or not
// a number keeps the previous face's value for that corner (the view origin in the first face).
// A face naming a vertex outside 1 to VertexCount is skipped. A projected value that cannot be
// rounded to a 64-bit pane coordinate raises "Invalid floating point operation"; the faces drawn
// before it stay drawn.
void DrawObject3D(const TImageView& image, const TObject3D& object);

} // namespace ZuveloGraphLibrary
