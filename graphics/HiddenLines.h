// Hidden lines: the wire pixels of DrawObject3D, in DrawColor, kept only where the wire is not
// behind the surfaces of the depth buffer.
//
// Along each edge the wire's key (see DepthBuffer.h) runs linearly from one end's to the other's
// over the line's steps, as a face's key runs over the pane. A wire pixel is kept when
//     key <= nearest + HiddenLineSlopeAllowance (|gx| + |gy|) + HiddenLineRelativeAllowance
//     |nearest|,
// with nearest the buffer's key at the pixel (+infinity when empty or outside the buffer) and gx,
// gy the change of the key per pixel across the plane of the face being drawn: a wire pixel lies
// up to half a pixel off its exact line on each axis, where the faces beside the edge may be
// nearer by that much, and the buffer holds its keys in single precision. A wire with an end whose
// depth is unknown (a kept corner, a depth not a number), and in perspective any point of a wire
// at or behind the viewer's plane, is taken as infinitely far: it is kept only where the buffer
// is empty. So the pixels drawn are always some of those DrawObject3D draws, in the same colour.
#pragma once

#include "DepthBuffer.h"
#include "ImageView.h"
#include "MeshObject.h"

namespace ZuveloGraphLibrary {

inline constexpr double HiddenLineSlopeAllowance = 1.0;
inline constexpr double HiddenLineRelativeAllowance = 0x1p-16;

// Draws the faces in DrawObject3D's order and with its pixels, raising where it raises.
void DrawObject3DHidden(const TImageView& image, const TObject3D& object,
                        const TDepthBuffer& buffer, std::vector<TPlacedCorner>& scratch);
void DrawObject3DHidden(const TImageView& image, const TObject3D& object, TDepthBuffer& buffer);

} // namespace ZuveloGraphLibrary
