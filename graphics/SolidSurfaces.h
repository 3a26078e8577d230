// Solid surfaces: every pixel that a face of the object holds in the depth buffer, shaded by a
// light at the viewer. No wires are drawn.
#pragma once

#include "DepthBuffer.h"
#include "ImageView.h"
#include "MeshObject.h"
#include "ModelLooks.h"

namespace ZuveloGraphLibrary {

inline constexpr double AmbientShade = 0.25;
inline constexpr double HeadlightShade = 0.75;
// A material's shininess s (0 to 1) makes its highlight cos^(1 + 127 s) of the angle between the
// normal and the line of sight.
inline constexpr double ShininessExponentSpan = 127;

// AmbientShade + HeadlightShade |n . v|, with n the unit normal of the triangle a, b, c and v the
// unit viewing direction: (0, 0, -1) in parallel projection, from the viewer at (0, 0, MoveBack)
// to the triangle's centre in perspective. Two-sided: windings need not agree. A triangle without
// a normal, or seen from its centre, gets AmbientShade.
double FaceShade(const TPoint3D& a, const TPoint3D& b, const TPoint3D& c, bool perspective,
                 double moveBack);
// Sets ShadingBlock; a side below 1 is 1.
void SetShadingBlock(std::int32_t side);

// Each byte times the shade, rounded to the nearest byte.
TColorRGB ShadedColor(TColorRGB color, double shade);

// Draws, inside ClipRect and the image, each pixel whose owner in the buffer is a face of the
// object's last fill, in the face's shaded DrawColor. A pixel that several faces reach at the same
// depth belongs to the one filled first, so each pixel is drawn once. Does nothing for an object
// that was not filled since the buffer's last clear.
void DrawObject3DSolid(const TImageView& image, const TObject3D& object, TDepthBuffer& buffer);

// The same pixels, each in the colour of its face's material as the model's looks give it, lit by
// the same light: the diffuse colour (mixed with the material's image by its map's share, where the
// image was decoded and the vertices have mapping coordinates) times AmbientShade + HeadlightShade
// |n . v|, plus the specular colour times the shininess strength times |n . v| to the shininess
// exponent; all times DrawColor / 255, so that the objects other than the current one keep their
// contrast. n is the face's own normal for a face of smoothing mask 0, and at each corner of a
// smoothed face its smoothing normal (Smoothing.h); v runs from the viewer to the face's centre
// (flat) or to the corner (smooth). Colours, lighting and image coordinates are interpolated across
// the face, perspective-correct in perspective; the image is read from the copy whose pixels are
// nearest in size to the pane's there. With a ShadingBlock above 1 (of at most 4), in a square of
// that many pixels a side (aligned to multiples of it), within ClipRect and the image, each face is
// shaded once at the middle of the pixels it owns there, the image read as for a pixel the
// square's size; a larger block shades a square that one face owns whole once, at its middle, and
// every other square pixel by pixel.
void DrawObject3DSolid(const TImageView& image, const TObject3D& object, const TModelLooks& looks,
                       TDepthBuffer& buffer);

} // namespace ZuveloGraphLibrary
