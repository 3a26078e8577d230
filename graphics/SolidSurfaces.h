// Solid surfaces: every pixel that a face of the object holds in the depth buffer, in DrawColor
// shaded by a light at the viewer. No wires are drawn.
#pragma once

#include "DepthBuffer.h"
#include "ImageView.h"
#include "MeshObject.h"

namespace ZuveloGraphLibrary {

inline constexpr double AmbientShade = 0.25;
inline constexpr double HeadlightShade = 0.75;

// AmbientShade + HeadlightShade |n . v|, with n the unit normal of the triangle a, b, c and v the
// unit viewing direction: (0, 0, -1) in parallel projection, from the viewer at (0, 0, MoveBack)
// to the triangle's centre in perspective. Two-sided: windings need not agree. A triangle without
// a normal, or seen from its centre, gets AmbientShade.
double FaceShade(const TPoint3D& a, const TPoint3D& b, const TPoint3D& c, bool perspective,
                 double moveBack);
// Each byte times the shade, rounded to the nearest byte.
TColorRGB ShadedColor(TColorRGB color, double shade);

// Draws, inside ClipRect and the image, each pixel whose owner in the buffer is a face of the
// object's last fill, in the face's shaded DrawColor. A pixel that several faces reach at the same
// depth belongs to the one filled first, so each pixel is drawn once. Does nothing for an object
// that was not filled since the buffer's last clear.
void DrawObject3DSolid(const TImageView& image, const TObject3D& object, TDepthBuffer& buffer);

} // namespace ZuveloGraphLibrary
