#include "SolidSurfaces.h"

#include "DrawingState.h"
#include "Renderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ZuveloGraphLibrary {

namespace {

// Kept from drawing to drawing beside the buffer's colours, so that a drawing allocates nothing.
std::vector<std::uint32_t> ColorStamps;
std::uint32_t CurrentStamp = 0;

} // namespace

double FaceShade(const TPoint3D& a, const TPoint3D& b, const TPoint3D& c, bool perspective,
                 double moveBack) {
    const double ux = double(b.X) - a.X, uy = double(b.Y) - a.Y, uz = double(b.Z) - a.Z;
    const double wx = double(c.X) - a.X, wy = double(c.Y) - a.Y, wz = double(c.Z) - a.Z;
    const double nx = uy * wz - uz * wy;
    const double ny = uz * wx - ux * wz;
    const double nz = ux * wy - uy * wx;
    double vx = 0, vy = 0, vz = -1;
    if (perspective) {
        vx = (double(a.X) + b.X + c.X) / 3;
        vy = (double(a.Y) + b.Y + c.Y) / 3;
        vz = (double(a.Z) + b.Z + c.Z) / 3 - moveBack;
    }
    const double lengths =
        std::sqrt(nx * nx + ny * ny + nz * nz) * std::sqrt(vx * vx + vy * vy + vz * vz);
    const double cosine = std::fabs(nx * vx + ny * vy + nz * vz) / lengths;
    if (!(lengths > 0) || !std::isfinite(cosine)) {
        return AmbientShade;
    }
    return AmbientShade + HeadlightShade * std::min(cosine, 1.0);
}

TColorRGB ShadedColor(TColorRGB color, double shade) {
    const auto scale = [shade](std::uint8_t byte) {
        return static_cast<std::uint8_t>(std::clamp(std::nearbyint(byte * shade), 0.0, 255.0));
    };
    return {scale(color.R), scale(color.G), scale(color.B)};
}

void DrawObject3DSolid(const TImageView& image, const TObject3D& object, TDepthBuffer& buffer) {
    const TDepthBuffer::TFill* fill = buffer.FindFill(object);
    if (fill == nullptr || fill->Box.Empty() || fill->Faces <= 0) {
        return;
    }
    const std::int32_t left = std::max({fill->Box.Left, ClipRect.Left, 0});
    const std::int32_t top = std::max({fill->Box.Top, ClipRect.Top, 0});
    const std::int32_t right =
        std::min({fill->Box.Right, ClipRect.Right, image.Width - 1, buffer.Width() - 1});
    const std::int32_t bottom =
        std::min({fill->Box.Bottom, ClipRect.Bottom, image.Height - 1, buffer.Height() - 1});
    if (left > right || top > bottom) {
        return;
    }
    // The colour of a face is worked out when the first of its pixels is drawn: most faces of a
    // dense mesh own no pixel. A face's stamp says whether its colour is this drawing's.
    const bool perspective = ProjectionMode == PerspectiveProjection;
    const double moveBack = ViewNavigation.MoveBack;
    const std::int32_t count = std::min(object.VertexCount, object.WorldVertices.Count());
    if (buffer.ColorScratch.size() < std::size_t(fill->Faces) + 1) {
        buffer.ColorScratch.resize(std::size_t(fill->Faces) + 1);
    }
    if (ColorStamps.size() < std::size_t(fill->Faces) + 1) {
        ColorStamps.resize(std::size_t(fill->Faces) + 1, 0);
    }
    if (++CurrentStamp == 0) {
        std::fill(ColorStamps.begin(), ColorStamps.end(), 0u);
        CurrentStamp = 1;
    }
    const std::uint32_t stamp = CurrentStamp;
    std::uint32_t* stamps = ColorStamps.data();
    TColorRGB* colors = buffer.ColorScratch.data();
    const TColorRGB color = DrawColor;
    const auto colorOf = [&](std::uint32_t i) {
        if (stamps[i] != stamp) {
            stamps[i] = stamp;
            const TFace3D& f = object.Faces[std::int32_t(i)];
            const auto valid = [count](std::uint32_t n) {
                return n >= 1 && std::int64_t{n} <= count;
            };
            // A face that owns a pixel names vertices in range; the test stays for safety.
            colors[i] = valid(f.A) && valid(f.B) && valid(f.C)
                            ? ShadedColor(color, FaceShade(object.WorldVertices[std::int32_t(f.A)],
                                                           object.WorldVertices[std::int32_t(f.B)],
                                                           object.WorldVertices[std::int32_t(f.C)],
                                                           perspective, moveBack))
                            : color;
        }
        return colors[i];
    };
    const std::uint32_t first = fill->FirstOwner;
    const auto faces = std::uint32_t(fill->Faces);
    for (std::int32_t y = top; y <= bottom; ++y) {
        const std::uint32_t* owners =
            buffer.Owners() + std::size_t(y) * std::size_t(buffer.Width());
        std::uint8_t* row = image.ScanLine(y);
        for (std::int32_t x = left; x <= right; ++x) {
            const std::uint32_t face = owners[x] - first - 1; // wraps below the object's range
            if (face < faces) {
                const TColorRGB c = colorOf(face + 1);
                std::uint8_t* p = row + 3 * std::ptrdiff_t(x);
                p[0] = c.B;
                p[1] = c.G;
                p[2] = c.R;
            }
        }
    }
}

} // namespace ZuveloGraphLibrary
