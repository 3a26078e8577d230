// The lowest drawing layer: pixels written into a 24-bit image under the clip window, lines,
// triangle outlines and the copy that resets a pane to its background.
#pragma once

#include "DrawingState.h"
#include "ImageView.h"

#include <cstdint>

namespace ZuveloGraphLibrary {

// ClipRect and DrawColor, the state this layer reads, are declared with the rest of the drawing
// state.

// Writes one pixel if (X, Y) lies inside ClipRect and inside the image itself.
void PutPixel(const TImageView& image, std::int32_t X, std::int32_t Y, std::uint8_t R,
              std::uint8_t G, std::uint8_t B);

// Line from (X1, Y1) to (X2, Y2), both ends included: a double-precision DDA of N + 1 writes,
// N = max(|X2 - X1|, |Y2 - Y1|) + 1, positions rounded to nearest with ties to even.
void DrawLine(const TImageView& image, std::int32_t X1, std::int32_t Y1, std::int32_t X2,
              std::int32_t Y2, std::uint8_t R, std::uint8_t G, std::uint8_t B);

// Outline of a triangle: the lines 1-2, 2-3 and 1-3, in that order.
void DrawTriangle(const TImageView& image, std::int32_t X1, std::int32_t Y1, std::int32_t X2,
                  std::int32_t Y2, std::int32_t X3, std::int32_t Y3, std::uint8_t R, std::uint8_t G,
                  std::uint8_t B);

// Stores the four values as given: no checks, no reordering.
void SetClipRect(std::int32_t Left, std::int32_t Top, std::int32_t Right, std::int32_t Bottom);
void SetDrawColor(std::uint8_t R, std::uint8_t G, std::uint8_t B);

// Copies each row of the source into the same row of the destination, never past the
// destination's own width and height.
void CopyImagePixels(const TImageView& source, const TImageView& destination);

// The same line and outline with end points anywhere in the 64-bit range. The pixels written are
// exactly those of the step-by-step DDA, but the time spent does not grow with the length of the
// part of the line that lies outside the clip window.
void DrawLineWide(const TImageView& image, std::int64_t X1, std::int64_t Y1, std::int64_t X2,
                  std::int64_t Y2, TColorRGB color);
void DrawTriangleWide(const TImageView& image, std::int64_t X1, std::int64_t Y1, std::int64_t X2,
                      std::int64_t Y2, std::int64_t X3, std::int64_t Y3, TColorRGB color);

// The DDA performed literally, one addition and one pixel write per step. It defines what
// DrawLineWide must produce; the tests compare the two.
void DrawLineStepByStep(const TImageView& image, std::int64_t X1, std::int64_t Y1, std::int64_t X2,
                        std::int64_t Y2, TColorRGB color);

} // namespace ZuveloGraphLibrary
