#include "SolidSurfaces.h"

#include "DrawingState.h"
#include "LargeBlocks.h"
#include "Renderer.h"
#include "SideBySide.h"
#include "Smoothing.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace ZuveloGraphLibrary {

namespace {

constexpr float ByteTop = 255;
// Above this many faces a pixel of the drawn box, the smoothing normals are worked out as the
// pixels ask for them; below it, all at once.
constexpr std::int64_t DenseFacesPerPixel = 16;
// A drawing whose box holds at least this many pixels is looked through for its faces by several
// threads, one whose faces own as many is shaded by several, in bands of this many rows each takes
// in turn, and one of at least so many faces has them set up by several; a smaller one costs less
// than waking a thread.
constexpr std::int64_t SideBySidePixels = 1 << 15;
constexpr std::int32_t BandRows = 16;
constexpr std::size_t SideBySideFaces = 1 << 11;
// When at least this part of an object's faces own pixels, they are set up in their own order.
constexpr std::size_t InOwnOrderShare = 8;
// A square for a reduction of at most this many pixels where faces meet is shaded face by face;
// a larger one pixel by pixel.
constexpr int MaxSquarePixels = 16;

// A material as one drawing paints with it: its colours times the object's colour, from 0 to 255,
// its highlight, and its image with the map's placement.
struct TPaint {
    TTexel Diffuse;
    TTexel Specular;
    float Strength = 0;
    float Exponent = 1;
    const TTexture* Image = nullptr; // none, or no mapping coordinates to place it with
    TTextureWrap Wrap = TTextureWrap::Repeat;
    bool Once = false;     // the image shown once, the diffuse colour around it
    bool Negative = false; // its colours inverted
    double Place[2][3] = {{1, 0, 0}, {0, 1, 0}}; // (u', v') from (u, v, 1)
    TTexel Kept;  // the diffuse colour's part of the colour under the image
    TTexel Share; // the image's part of it, channel by channel
};

// A face whose colour varies across it: each quantity at pane pixel p = (x, y, 1) is Q . p / W . p.
// Without an image the quantities are red, green and blue; with one, the image's coordinates u'
// and v', the light and the highlight.
struct TFacePlanes {
    double W[3] = {0, 0, 1};
    double Q[4][3] = {};
    const TPaint* Paint = nullptr; // with an image
    double TexelArea = 0; // |det(U, V, W)| for the full image's pixels: texels a pixel is w^3 of it
};

// The light and the highlight at a point of a surface.
struct TLit {
    float Light = 0;
    float Shine = 0;
};

// Per smoothing sum: the light at its corner, for the material it was worked out for. Each thread
// setting up faces has its own.
struct TLitCache {
    std::vector<std::uint32_t> Stamps;
    std::vector<std::uint32_t> Paints;
    std::vector<TLit> Lits;
};

// Kept from drawing to drawing, so that a drawing allocates nothing once they have grown.
struct TSurfaceScratch {
    std::vector<std::uint32_t> Stamps; // per face: whether its shade is this drawing's
    std::uint32_t Stamp = 0;
    std::vector<std::uint32_t> Shades; // per face: 0 for one colour, else 1 + its planes
    std::vector<std::uint32_t> Order;  // the drawing's faces in the order their pixels name them
    std::vector<TFacePlanes> Planes;   // the planes of Order's faces, those that have them
    std::vector<TPaint> Paints;        // per material, worked out at its first face
    std::vector<std::uint32_t> PaintStamps;
    // Per thread setting up faces, when the normals are worked out as they are asked for; else
    // the first, worked out at once and only read.
    std::vector<TSmoothNormals> Smooth = std::vector<TSmoothNormals>(MaxSideBySide);
    std::vector<TLitCache> Lits = std::vector<TLitCache>(MaxSideBySide);
    // Per band of rows looked through on a thread of its own: the faces its pixels name, in the
    // order they first do, and its own stamps for them.
    struct TFound {
        std::vector<std::uint32_t> Stamps;
        std::vector<std::uint32_t> Faces;
        std::int64_t Owned = 0;
    };
    std::vector<TFound> Found = std::vector<TFound>(MaxSideBySide);
};
TSurfaceScratch Scratch;

// A new stamp for a drawing of `faces` faces.
std::uint32_t NextStamp(std::size_t faces) {
    if (Scratch.Stamps.size() < faces + 1) {
        ResizeLarge(Scratch.Stamps, faces + 1, 0u);
    }
    if (++Scratch.Stamp == 0) {
        std::fill(Scratch.Stamps.begin(), Scratch.Stamps.end(), 0u);
        std::fill(Scratch.PaintStamps.begin(), Scratch.PaintStamps.end(), 0u);
        for (TSurfaceScratch::TFound& found : Scratch.Found) {
            std::fill(found.Stamps.begin(), found.Stamps.end(), 0u);
        }
        for (TLitCache& cache : Scratch.Lits) {
            std::fill(cache.Stamps.begin(), cache.Stamps.end(), 0u);
        }
        Scratch.Stamp = 1;
    }
    return Scratch.Stamp;
}

struct TDrawBox {
    std::int32_t Left = 0, Top = 0, Right = -1, Bottom = -1;
};

// The pixels of the object's last fill that may be drawn, or nothing.
const TDepthBuffer::TFill* DrawableFill(const TImageView& image, const TObject3D& object,
                                        const TDepthBuffer& buffer, TDrawBox& box) {
    const TDepthBuffer::TFill* fill = buffer.FindFill(object);
    if (fill == nullptr || fill->Box.Empty() || fill->Faces <= 0) {
        return nullptr;
    }
    box.Left = std::max({fill->Box.Left, ClipRect.Left, 0});
    box.Top = std::max({fill->Box.Top, ClipRect.Top, 0});
    box.Right = std::min({fill->Box.Right, ClipRect.Right, image.Width - 1, buffer.Width() - 1});
    box.Bottom =
        std::min({fill->Box.Bottom, ClipRect.Bottom, image.Height - 1, buffer.Height() - 1});
    return box.Left > box.Right || box.Top > box.Bottom ? nullptr : fill;
}

// Calls paint(face, x, y, pixel) for each pixel of the box that a face of the fill owns (faces
// counted from 1).
template <class Paint>
void ForEachOwnedPixel(const TImageView& image, const TDepthBuffer& buffer,
                       const TDepthBuffer::TFill& fill, const TDrawBox& box, Paint paint) {
    const std::uint32_t first = fill.FirstOwner;
    const auto faces = std::uint32_t(fill.Faces);
    for (std::int32_t y = box.Top; y <= box.Bottom; ++y) {
        const std::uint32_t* owners =
            buffer.Owners() + std::size_t(y) * std::size_t(buffer.Width());
        std::uint8_t* row = image.ScanLine(y);
        for (std::int32_t x = box.Left; x <= box.Right; ++x) {
            const std::uint32_t face = owners[x] - first - 1; // wraps below the object's range
            if (face < faces) {
                paint(face + 1, x, y, row + 3 * std::ptrdiff_t(x));
            }
        }
    }
}

void Put(std::uint8_t* pixel, TColorRGB c) {
    pixel[0] = c.B;
    pixel[1] = c.G;
    pixel[2] = c.R;
}

[[gnu::always_inline]] inline std::uint8_t ToByte(float value) {
    const float held = std::min(value > 0 ? value : 0.0f, ByteTop); // not a number: 0
    return static_cast<std::uint8_t>(held + 0.5f);
}

[[gnu::always_inline]] inline TColorRGB ToColor(const TTexel& c) {
    return {ToByte(c.R), ToByte(c.G), ToByte(c.B)};
}

// How pane pixels lead back into the scene, as DrawObject3D puts points onto them (unrounded).
struct TPaneMapping {
    bool Perspective = false;
    double Zoom = 1;
    double CX = 0, CY = 0; // origin plus pan plus shift
    double Distance = 0, Aspect = 0, MoveBack = 0;

    static TPaneMapping Current() {
        const TViewNavigation& n = ViewNavigation;
        return {ProjectionMode == PerspectiveProjection,
                n.Zoom,
                double(ViewOrigin.X) + double(n.PanX) + n.ShiftX,
                double(ViewOrigin.Y) + double(n.PanY) + n.ShiftY,
                PerspectiveDistance,
                PerspectiveAspect,
                n.MoveBack};
    }
};

double Dot(const TNormal& a, const TNormal& b) {
    return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}
TNormal Minus(const TPoint3D& a, const TPoint3D& b) {
    return {double(a.X) - b.X, double(a.Y) - b.Y, double(a.Z) - b.Z};
}

// The barycentric weights of the corners a, b, c over the pane: L1 . p / W . p for b, L2 . p / W .
// p for c, the rest of 1 for a. False when the face has no area as seen.
struct TWeights {
    double L1[3] = {};
    double L2[3] = {};
    double W[3] = {0, 0, 1};
};
bool SetWeights(const TPaneMapping& m, const TPoint3D& a, const TPoint3D& b, const TPoint3D& c,
                TWeights& face) {
    if (!m.Perspective) {
        // Affine: the barycentric coordinates of the pixel in the face's picture.
        const double x0 = m.CX + m.Zoom * a.X, y0 = m.CY - m.Zoom * a.Y;
        const double x1 = m.CX + m.Zoom * b.X, y1 = m.CY - m.Zoom * b.Y;
        const double x2 = m.CX + m.Zoom * c.X, y2 = m.CY - m.Zoom * c.Y;
        const double area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
        if (area == 0 || !std::isfinite(area)) {
            return false;
        }
        face.L1[0] = (y2 - y0) / area;
        face.L1[1] = -(x2 - x0) / area;
        face.L1[2] = (-x0 * (y2 - y0) + (x2 - x0) * y0) / area;
        face.L2[0] = -(y1 - y0) / area;
        face.L2[1] = (x1 - x0) / area;
        face.L2[2] = (-(x1 - x0) * y0 + x0 * (y1 - y0)) / area;
        return true;
    }
    // Perspective: the pixel's line of sight from the viewer E meets the face's plane at P; the
    // weights of P are its offset from a measured along the duals of the face's edges. The line's
    // direction d is linear in the pixel, so both are ratios of linear functions of it.
    const TNormal e1 = Minus(b, a), e2 = Minus(c, a);
    const TNormal n{e1.Y * e2.Z - e1.Z * e2.Y, e1.Z * e2.X - e1.X * e2.Z,
                    e1.X * e2.Y - e1.Y * e2.X};
    const double d11 = Dot(e1, e1), d12 = Dot(e1, e2), d22 = Dot(e2, e2);
    const double det = d11 * d22 - d12 * d12;
    if (!(det > 0) || !std::isfinite(det) || m.Zoom == 0 || m.Distance == 0 || m.Aspect == 0) {
        return false;
    }
    const TNormal m1{(d22 * e1.X - d12 * e2.X) / det, (d22 * e1.Y - d12 * e2.Y) / det,
                     (d22 * e1.Z - d12 * e2.Z) / det};
    const TNormal m2{(d11 * e2.X - d12 * e1.X) / det, (d11 * e2.Y - d12 * e1.Y) / det,
                     (d11 * e2.Z - d12 * e1.Z) / det};
    // d = (sx px + tx, sy py + ty, 1): x = (px - CX) z' / (Zoom D), y = (CY - py) z' / (Zoom D F).
    const double sx = 1 / (m.Zoom * m.Distance);
    const double tx = -m.CX * sx;
    const double sy = -1 / (m.Zoom * m.Distance * m.Aspect);
    const double ty = -m.CY * sy;
    const auto along = [&](const TNormal& v, double out[3]) { // d . v as a linear function
        out[0] = v.X * sx;
        out[1] = v.Y * sy;
        out[2] = v.X * tx + v.Y * ty + v.Z;
    };
    const TNormal toEye{-double(a.X), -double(a.Y), m.MoveBack - double(a.Z)};
    const double reach = -Dot(n, toEye); // n . (a - E)
    along(n, face.W);
    double g1[3], g2[3];
    along(m1, g1);
    along(m2, g2);
    const double k1 = Dot(toEye, m1), k2 = Dot(toEye, m2);
    for (int j = 0; j < 3; ++j) {
        face.L1[j] = k1 * face.W[j] + reach * g1[j];
        face.L2[j] = k2 * face.W[j] + reach * g2[j];
    }
    return std::isfinite(face.L1[0] + face.L1[1] + face.L1[2] + face.L2[0] + face.L2[1] +
                         face.L2[2] + face.W[0] + face.W[1] + face.W[2]);
}

// The plane of a quantity that is q[k] at corner k.
void Interpolate(const TWeights& w, const float (&q)[3], double (&out)[3]) {
    for (int j = 0; j < 3; ++j) {
        out[j] = q[0] * w.W[j] + (double(q[1]) - q[0]) * w.L1[j] + (double(q[2]) - q[0]) * w.L2[j];
    }
}

// The copy of the image whose pixels are nearest in size to the pane's, for `area` pixels of the
// full image per pane pixel: half of log2 of it, rounded, read off the float's exponent.
int LevelOf(double area) {
    if (!(area > 2)) {
        return 0;
    }
    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(std::min(area, 1e30)));
    const int exponent = int((bits >> 23) & 0xFF) - 127; // at least 1, as area > 2
    return (exponent + 1) >> 1;
}

// x^e for x from 0 to 1 and e from 1 to 128, to within 0.0025: log2 x from the float's exponent
// and a quintic on its mantissa, within 2e-5 and exact at both ends of each octave (its error is
// multiplied by e, so a cubic's 8e-4 made a sharp highlight 4 % too dark), and 2^y from a
// quadratic on its fraction, within 0.32 % and likewise exact at both ends.
float HighlightPower(float x, float e) {
    if (!(x > 0)) {
        return 0;
    }
    const auto bits = std::bit_cast<std::uint32_t>(std::min(x, 1.0f));
    const float t = std::bit_cast<float>((bits & 0x007FFFFF) | 0x3F800000) - 1; // 0 to 1
    const float log2x =
        float(int(bits >> 23) - 127) +
        t * (1.4419169f +
             t * (-0.70909487f + t * (0.41560155f + t * (-0.19357058f + t * 0.045147035f))));
    const float y = e * log2x;
    if (y < -126) {
        return 0;
    }
    const auto whole = static_cast<int>(y) - (y < float(static_cast<int>(y)) ? 1 : 0);
    const float fraction = y - float(whole);
    return std::bit_cast<float>(std::uint32_t(whole + 127) << 23) *
           (1 + fraction * (0.6565f + 0.3435f * fraction));
}

// The light and the highlight of a surface with normal n at point p.
TLit Lit(const TNormal& n, const TPoint3D& p, const TPaneMapping& m, const TPaint& paint) {
    TNormal v{0, 0, -1};
    if (m.Perspective) {
        v = {double(p.X), double(p.Y), double(p.Z) - m.MoveBack};
    }
    const double lengths = std::sqrt(Dot(n, n) * Dot(v, v));
    const double cosine = std::min(std::fabs(Dot(n, v)) / lengths, 1.0);
    if (!(lengths > 0) || !std::isfinite(cosine)) {
        return {float(AmbientShade), 0};
    }
    return {float(AmbientShade + HeadlightShade * cosine),
            paint.Strength > 0 ? paint.Strength * HighlightPower(float(cosine), paint.Exponent)
                               : 0};
}

// Everything a drawing of one object with its looks reads.
struct TLooksDrawing {
    const TObject3D& Object;
    const TModelLooks& Looks;
    const TSmoothingCorners& Corners;
    TPaneMapping Pane;
    TTexel Factor; // DrawColor over 255
    std::int32_t Vertices = 0;
    bool Smooth = false;
    bool Mapped = false;
    std::uint32_t Stamp = 0;
};

const TPaint& PaintOf(const TLooksDrawing& d, std::size_t index) {
    TPaint& paint = Scratch.Paints[index];
    if (Scratch.PaintStamps[index] == d.Stamp) {
        return paint;
    }
    Scratch.PaintStamps[index] = d.Stamp;
    const TMaterial& m = d.Looks.Materials[index];
    const auto times = [&](TColorF c) {
        return TTexel{c.R * ByteTop * d.Factor.R, c.G * ByteTop * d.Factor.G,
                      c.B * ByteTop * d.Factor.B};
    };
    paint = TPaint{};
    paint.Diffuse = times(m.Diffuse);
    paint.Specular = times(m.Specular);
    paint.Strength = m.ShininessStrength;
    paint.Exponent = float(1 + ShininessExponentSpan * m.Shininess);
    paint.Image = d.Mapped && m.Texture && index < d.Looks.Images.size()
                      ? d.Looks.Images[index].get()
                      : nullptr;
    if (paint.Image != nullptr) {
        const TTextureMap& map = *m.Texture;
        paint.Once = (map.Tiling & (TilingNone | TilingDecal)) != 0;
        paint.Wrap = paint.Once                         ? TTextureWrap::Edge
                     : (map.Tiling & TilingMirror) != 0 ? TTextureWrap::Mirror
                                                        : TTextureWrap::Repeat;
        paint.Negative = (map.Tiling & TilingNegative) != 0;
        // (u', v') = R((u - 1/2) UScale, (v - 1/2) VScale) + (1/2, 1/2) - (UOffset, VOffset).
        const double turn = map.Rotation * std::numbers::pi / DegreesPerHalfTurn;
        const double c = std::cos(turn), s = std::sin(turn);
        const double su = map.UScale, sv = map.VScale;
        paint.Place[0][0] = c * su;
        paint.Place[0][1] = -s * sv;
        paint.Place[0][2] = -0.5 * c * su + 0.5 * s * sv + 0.5 - map.UOffset;
        paint.Place[1][0] = s * su;
        paint.Place[1][1] = c * sv;
        paint.Place[1][2] = -0.5 * s * su - 0.5 * c * sv + 0.5 - map.VOffset;
        const float share = map.Share;
        paint.Kept = {paint.Diffuse.R * (1 - share), paint.Diffuse.G * (1 - share),
                      paint.Diffuse.B * (1 - share)};
        paint.Share = {d.Factor.R * share * map.Tint.R, d.Factor.G * share * map.Tint.G,
                       d.Factor.B * share * map.Tint.B};
    }
    return paint;
}

TTexel Lighted(const TPaint& paint, const TTexel& base, const TLit& l) {
    return {base.R * l.Light + paint.Specular.R * l.Shine,
            base.G * l.Light + paint.Specular.G * l.Shine,
            base.B * l.Light + paint.Specular.B * l.Shine};
}

// The material face i is painted with.
std::size_t PaintIndexOf(const TLooksDrawing& d, std::uint32_t i) {
    const auto at = static_cast<std::size_t>(i - 1);
    const std::uint32_t index = at < d.Looks.FaceMaterials.size() ? d.Looks.FaceMaterials[at] : 0;
    return index < d.Looks.Materials.size() ? index : 0;
}

// Works out how face i is painted: one colour into `colour`, or `planes` (every part that
// ShadePlanes reads), and says which. Its paint must have been worked out this drawing. It writes
// only what it is given, the normals and the cache.
bool SetUpFace(const TLooksDrawing& d, std::uint32_t i, TColorRGB& colour, TFacePlanes& planes,
               TSmoothNormals& normals, TLitCache& cache) {
    const TFace3D& f = d.Object.Faces[std::int32_t(i)];
    const auto at = static_cast<std::size_t>(i - 1);
    const std::size_t paintIndex = PaintIndexOf(d, i);
    const TPaint& paint = Scratch.Paints[paintIndex];
    if (!FaceInRange(f, d.Vertices)) { // owns no pixel: the test stays for safety
        colour = ToColor(paint.Diffuse);
        return false;
    }
    // Read where they are kept: copies of them on the stack stall on loads across their halves.
    const TPoint3D* const corners[] = {&d.Object.WorldVertices[std::int32_t(f.A)],
                                       &d.Object.WorldVertices[std::int32_t(f.B)],
                                       &d.Object.WorldVertices[std::int32_t(f.C)]};
    // The face's own normal, needed only where it is not smoothed: worked out when first asked.
    std::optional<TNormal> ownNormal;
    const auto own = [&] {
        if (!ownNormal) {
            ownNormal = TriangleNormal(*corners[0], *corners[1], *corners[2]);
        }
        return *ownNormal;
    };
    const std::uint32_t* sums = d.Smooth ? &d.Corners.Sums[CornersPerFace * at] : nullptr;
    const bool smooth = sums != nullptr && (sums[0] | sums[1] | sums[2]) != 0;
    std::optional<TLit> flatLit; // at the face's centre, by its own normal
    const auto flat = [&] {
        if (!flatLit) {
            const TPoint3D centre{(corners[0]->X + corners[1]->X + corners[2]->X) / 3,
                                  (corners[0]->Y + corners[1]->Y + corners[2]->Y) / 3,
                                  (corners[0]->Z + corners[1]->Z + corners[2]->Z) / 3};
            flatLit = Lit(own(), centre, d.Pane, paint);
        }
        return *flatLit;
    };
    TWeights weights;
    if ((!smooth && paint.Image == nullptr) ||
        !SetWeights(d.Pane, *corners[0], *corners[1], *corners[2], weights)) {
        colour = ToColor(Lighted(paint, paint.Diffuse, flat()));
        return false;
    }
    TLit lit[3];
    if (smooth) {
        // A sum belongs to one vertex: its light is worked out once a drawing for a material.
        for (std::size_t k = 0; k < CornersPerFace; ++k) {
            const std::uint32_t sum = sums[k];
            if (sum == 0) {
                lit[k] = flat();
            } else if (cache.Stamps[sum] == d.Stamp && cache.Paints[sum] == paintIndex) {
                lit[k] = cache.Lits[sum];
            } else {
                const TNormal n = normals.Sum(sum);
                if (!(Dot(n, n) > 0)) {
                    lit[k] = Lit(own(), *corners[k], d.Pane, paint);
                    continue;
                }
                lit[k] = cache.Lits[sum] = Lit(n, *corners[k], d.Pane, paint);
                cache.Stamps[sum] = d.Stamp;
                cache.Paints[sum] = std::uint32_t(paintIndex);
            }
        }
    } else {
        lit[0] = lit[1] = lit[2] = flat();
    }
    // Written where it is kept: a copy of it from the stack stalls on its unaligned halves.
    std::copy(std::begin(weights.W), std::end(weights.W), planes.W);
    if (paint.Image == nullptr) {
        planes.Paint = nullptr;
        TTexel c[3];
        for (std::size_t k = 0; k < CornersPerFace; ++k) {
            c[k] = Lighted(paint, paint.Diffuse, lit[k]);
        }
        Interpolate(weights, {c[0].R, c[1].R, c[2].R}, planes.Q[0]);
        Interpolate(weights, {c[0].G, c[1].G, c[2].G}, planes.Q[1]);
        Interpolate(weights, {c[0].B, c[1].B, c[2].B}, planes.Q[2]);
    } else {
        const std::uint32_t numbers[] = {f.A, f.B, f.C};
        float u[3], v[3];
        for (std::size_t k = 0; k < CornersPerFace; ++k) {
            const TTexCoord t = d.Looks.Mapping[numbers[k] - 1];
            u[k] = float(paint.Place[0][0] * t.U + paint.Place[0][1] * t.V + paint.Place[0][2]);
            v[k] = float(paint.Place[1][0] * t.U + paint.Place[1][1] * t.V + paint.Place[1][2]);
        }
        Interpolate(weights, u, planes.Q[0]);
        Interpolate(weights, v, planes.Q[1]);
        Interpolate(weights, {lit[0].Light, lit[1].Light, lit[2].Light}, planes.Q[2]);
        Interpolate(weights, {lit[0].Shine, lit[1].Shine, lit[2].Shine}, planes.Q[3]);
        planes.Paint = &paint;
        const double width = paint.Image->Width(), height = paint.Image->Height();
        const double(&q)[4][3] = planes.Q;
        const double* w = planes.W;
        planes.TexelArea = std::fabs(width * height *
                                     (q[0][0] * (q[1][1] * w[2] - q[1][2] * w[1]) -
                                      q[0][1] * (q[1][0] * w[2] - q[1][2] * w[0]) +
                                      q[0][2] * (q[1][0] * w[1] - q[1][1] * w[0])));
    }
    return true;
}

// The colour at (x, y) of a pixel of `pixels` pane pixels.
[[gnu::always_inline, gnu::flatten]] inline TColorRGB ShadePlanes(const TFacePlanes& f, double x,
                                                                  double y, double pixels = 1) {
    // In parallel projection W is (0, 0, 1) and the division is by 1 exactly.
    const bool flat = f.W[0] == 0 && f.W[1] == 0 && f.W[2] == 1;
    const double inverse = flat ? 1 : 1 / (f.W[0] * x + f.W[1] * y + f.W[2]);
    const auto at = [&](const double(&q)[3]) {
        return float((q[0] * x + q[1] * y + q[2]) * inverse);
    };
    if (f.Paint == nullptr) {
        return {ToByte(at(f.Q[0])), ToByte(at(f.Q[1])), ToByte(at(f.Q[2]))};
    }
    const TPaint& paint = *f.Paint;
    const float u = at(f.Q[0]);
    const float v = at(f.Q[1]);
    TTexel base = paint.Diffuse;
    if (!paint.Once || (u >= 0 && u <= 1 && v >= 0 && v <= 1)) {
        const double scale = std::fabs(inverse);
        TTexel t = paint.Image->Sample(u, v, LevelOf(f.TexelArea * scale * scale * scale * pixels),
                                       paint.Wrap);
        if (paint.Negative) {
            t = {ByteTop - t.R, ByteTop - t.G, ByteTop - t.B};
        }
        base = {paint.Kept.R + paint.Share.R * t.R, paint.Kept.G + paint.Share.G * t.G,
                paint.Kept.B + paint.Share.B * t.B};
    }
    return ToColor(Lighted(paint, base, {at(f.Q[2]), at(f.Q[3])}));
}

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

void SetShadingBlock(std::int32_t side) {
    ShadingBlock = std::max(side, 1);
}

void DrawObject3DSolid(const TImageView& image, const TObject3D& object, TDepthBuffer& buffer) {
    TDrawBox box;
    const TDepthBuffer::TFill* fill = DrawableFill(image, object, buffer, box);
    if (fill == nullptr) {
        return;
    }
    // The colour of a face is worked out when the first of its pixels is drawn: most faces of a
    // dense mesh own no pixel. A face's stamp says whether its colour is this drawing's.
    const bool perspective = ProjectionMode == PerspectiveProjection;
    const double moveBack = ViewNavigation.MoveBack;
    const std::int32_t count = std::min(object.VertexCount, object.WorldVertices.Count());
    if (buffer.ColorScratch.size() < std::size_t(fill->Faces) + 1) {
        ResizeLarge(buffer.ColorScratch, std::size_t(fill->Faces) + 1);
    }
    const std::uint32_t stamp = NextStamp(std::size_t(fill->Faces));
    std::uint32_t* stamps = Scratch.Stamps.data();
    TColorRGB* colors = buffer.ColorScratch.data();
    const TColorRGB color = DrawColor;
    ForEachOwnedPixel(
        image, buffer, *fill, box,
        [&](std::uint32_t i, std::int32_t, std::int32_t, std::uint8_t* pixel) {
            if (stamps[i] != stamp) {
                stamps[i] = stamp;
                const TFace3D& f = object.Faces[std::int32_t(i)];
                // A face that owns a pixel names vertices in range; the test
                // stays for safety.
                colors[i] =
                    FaceInRange(f, count)
                        ? ShadedColor(color, FaceShade(object.WorldVertices[std::int32_t(f.A)],
                                                       object.WorldVertices[std::int32_t(f.B)],
                                                       object.WorldVertices[std::int32_t(f.C)],
                                                       perspective, moveBack))
                        : color;
            }
            Put(pixel, colors[i]);
        });
}

void DrawObject3DSolid(const TImageView& image, const TObject3D& object, const TModelLooks& looks,
                       TDepthBuffer& buffer) {
    TDrawBox box;
    const TDepthBuffer::TFill* fill = DrawableFill(image, object, buffer, box);
    if (fill == nullptr || looks.Materials.empty()) {
        return;
    }
    const auto faces = std::size_t(fill->Faces);
    TLooksDrawing d{object,
                    looks,
                    SmoothingCorners(object, looks),
                    TPaneMapping::Current(),
                    {DrawColor.R / ByteTop, DrawColor.G / ByteTop, DrawColor.B / ByteTop},
                    std::min(object.VertexCount, object.WorldVertices.Count())};
    d.Smooth = d.Corners.SumCount > 0 && d.Corners.Sums.size() >= CornersPerFace * faces;
    d.Mapped = looks.Mapping.size() >= std::size_t(std::max(d.Vertices, 0));
    bool normalsAtOnce = true;
    if (d.Smooth) {
        // Most faces may own a pixel when there are not many more of them than pixels.
        const std::int64_t pixels =
            std::int64_t(box.Right - box.Left + 1) * (box.Bottom - box.Top + 1);
        normalsAtOnce = pixels * DenseFacesPerPixel >= fill->Faces;
        Scratch.Smooth[0].Begin(object, d.Corners, normalsAtOnce);
    }
    if (buffer.ColorScratch.size() < faces + 1) {
        ResizeLarge(buffer.ColorScratch, faces + 1);
    }
    if (Scratch.Shades.size() < faces + 1) {
        ResizeLarge(Scratch.Shades, faces + 1);
    }
    if (Scratch.Paints.size() < looks.Materials.size()) {
        Scratch.Paints.resize(looks.Materials.size());
        Scratch.PaintStamps.resize(looks.Materials.size(), 0);
    }
    d.Stamp = NextStamp(faces);
    std::uint32_t* stamps = Scratch.Stamps.data();
    std::uint32_t* shades = Scratch.Shades.data();
    TColorRGB* colors = buffer.ColorScratch.data();
    const auto litCache = [&](std::size_t t) -> TLitCache& {
        TLitCache& cache = Scratch.Lits[t];
        if (d.Smooth && cache.Stamps.size() < std::size_t(d.Corners.SumCount) + 1) {
            ResizeLarge(cache.Stamps, std::size_t(d.Corners.SumCount) + 1, 0u);
            ResizeLarge(cache.Paints, cache.Stamps.size());
            ResizeLarge(cache.Lits, cache.Stamps.size());
        }
        return cache;
    };
    // The faces first, in the order their pixels name them, their paints worked out one by one;
    // then their shades, side by side when there are many, each thread with normals of its own
    // where they are worked out as asked for (a thread's faces lie in rows of their own, so few
    // are worked out twice); then the pixels, each on its own, in bands side by side.
    //
    // A large box is looked through in bands of rows side by side, each finding its faces in the
    // order its pixels name them; taken band by band, the faces new to the drawing come in the
    // order of the whole box.
    const std::int32_t rows = box.Bottom - box.Top + 1;
    const std::size_t bands = std::int64_t(rows) * (box.Right - box.Left + 1) >= SideBySidePixels
                                  ? SideBySideThreads(std::size_t(rows))
                                  : 1;
    RunSideBySide(bands, [&](std::size_t b) {
        TSurfaceScratch::TFound& found = Scratch.Found[b];
        if (found.Stamps.size() < faces + 1) {
            ResizeLarge(found.Stamps, faces + 1, 0u);
        }
        found.Faces.clear();
        found.Owned = 0;
        TDrawBox band = box;
        band.Top =
            box.Top + std::int32_t(std::int64_t(rows) * std::int64_t(b) / std::int64_t(bands));
        band.Bottom = box.Top +
                      std::int32_t(std::int64_t(rows) * std::int64_t(b + 1) / std::int64_t(bands)) -
                      1;
        std::uint32_t* bandStamps = found.Stamps.data();
        ForEachOwnedPixel(image, buffer, *fill, band,
                          [&](std::uint32_t i, std::int32_t, std::int32_t, std::uint8_t*) {
                              ++found.Owned;
                              if (bandStamps[i] != d.Stamp) {
                                  bandStamps[i] = d.Stamp;
                                  found.Faces.push_back(i);
                              }
                          });
    });
    std::int64_t owned = 0;
    std::vector<std::uint32_t>& order = Scratch.Order;
    order.clear();
    for (std::size_t b = 0; b < bands; ++b) {
        owned += Scratch.Found[b].Owned;
        for (const std::uint32_t i : Scratch.Found[b].Faces) {
            if (stamps[i] != d.Stamp) {
                stamps[i] = d.Stamp;
                PaintOf(d, PaintIndexOf(d, i));
                order.push_back(i);
            }
        }
    }
    if (order.size() * InOwnOrderShare >= faces) {
        // Many faces own pixels: set up in their own order, their records and corners are read
        // one after the other rather than as the pixels name them.
        order.clear();
        for (std::uint32_t i = 1; i <= std::uint32_t(faces); ++i) {
            if (stamps[i] == d.Stamp) {
                order.push_back(i);
            }
        }
    }
    const std::size_t setters =
        order.size() >= SideBySideFaces ? SideBySideThreads(order.size()) : 1;
    for (std::size_t t = 0; t < setters; ++t) {
        litCache(t);
        if (t > 0 && d.Smooth && !normalsAtOnce) {
            Scratch.Smooth[t].Begin(object, d.Corners);
        }
    }
    // Not cleared: SetUpFace writes all of a record that it fills.
    Scratch.Planes.resize(order.size());
    const auto setUp = [&](std::size_t piece) {
        TLitCache& cache = Scratch.Lits[piece];
        TSmoothNormals& normals = Scratch.Smooth[normalsAtOnce ? 0 : piece];
        const std::size_t first = order.size() * piece / setters;
        const std::size_t last = order.size() * (piece + 1) / setters;
        for (std::size_t k = first; k < last; ++k) {
            const std::uint32_t i = order[k];
            shades[i] = SetUpFace(d, i, colors[i], Scratch.Planes[k], normals, cache)
                            ? std::uint32_t(k + 1)
                            : 0;
        }
    };
    if (setters == 1) {
        setUp(0);
    } else {
        RunSideBySide(setters, setUp);
    }
    const TFacePlanes* planes = Scratch.Planes.data();
    const auto shadePixel = [&](std::uint32_t i, std::int32_t x, std::int32_t y,
                                std::uint8_t* pixel) {
        Put(pixel, shades[i] == 0 ? colors[i] : ShadePlanes(planes[shades[i] - 1], x, y));
    };
    // Squares of `block` pixels a side: one shade for a square that one face owns whole; in any
    // other square (or its part within the band), one shade for each face, at the middle of its
    // pixels there; pixel by pixel in a square larger than MaxSquarePixels.
    const std::int32_t block = std::max(ShadingBlock, 1);
    // The faces of a square of at most MaxSquarePixels pixels, each shaded once at the middle of
    // the pixels it owns there (an image read as for the whole square) and painted in them.
    const auto shadeFaces = [&](const TDrawBox& square) {
        struct TPart {
            std::uint32_t Face;
            std::int32_t SumX, SumY, Pixels;
        };
        TPart parts[MaxSquarePixels];
        std::int8_t partOf[MaxSquarePixels];
        int partCount = 0;
        const std::uint32_t first = fill->FirstOwner;
        const auto count = std::uint32_t(fill->Faces);
        const std::int32_t wide = square.Right - square.Left + 1;
        for (std::int32_t y = square.Top; y <= square.Bottom; ++y) {
            const std::uint32_t* row =
                buffer.Owners() + std::size_t(y) * std::size_t(buffer.Width());
            for (std::int32_t x = square.Left; x <= square.Right; ++x) {
                const std::uint32_t owner = row[x];
                std::int8_t& part = partOf[(y - square.Top) * wide + (x - square.Left)];
                part = -1;
                if (owner - first - 1 >= count) {
                    continue;
                }
                int k = 0;
                while (k < partCount && parts[k].Face != owner - first) {
                    ++k;
                }
                if (k == partCount) {
                    parts[partCount++] = {owner - first, 0, 0, 0};
                }
                parts[k].SumX += x;
                parts[k].SumY += y;
                ++parts[k].Pixels;
                part = std::int8_t(k);
            }
        }
        TColorRGB shown[MaxSquarePixels];
        for (int k = 0; k < partCount; ++k) {
            const std::uint32_t i = parts[k].Face;
            const double n = parts[k].Pixels;
            shown[k] = shades[i] == 0 ? colors[i]
                                      : ShadePlanes(planes[shades[i] - 1], parts[k].SumX / n,
                                                    parts[k].SumY / n, double(block) * block);
        }
        for (std::int32_t y = square.Top; y <= square.Bottom; ++y) {
            std::uint8_t* pixel = image.ScanLine(y) + 3 * std::ptrdiff_t(square.Left);
            for (std::int32_t x = square.Left; x <= square.Right; ++x, pixel += 3) {
                if (const std::int8_t part = partOf[(y - square.Top) * wide + (x - square.Left)];
                    part >= 0) {
                    Put(pixel, shown[part]);
                }
            }
        }
    };
    const auto shadeBlocks = [&](const TDrawBox& band) {
        const std::uint32_t first = fill->FirstOwner;
        const auto count = std::uint32_t(fill->Faces);
        const double middle = (block - 1) / 2.0;
        const double area = double(block) * block;
        for (std::int32_t top = band.Top - band.Top % block; top <= band.Bottom; top += block) {
            for (std::int32_t left = band.Left - band.Left % block; left <= band.Right;
                 left += block) {
                TDrawBox square{std::max(left, band.Left), std::max(top, band.Top),
                                std::min(left + block - 1, band.Right),
                                std::min(top + block - 1, band.Bottom)};
                const std::uint32_t* owners =
                    buffer.Owners() + std::size_t(top) * std::size_t(buffer.Width());
                const std::uint32_t owner = owners[square.Left];
                bool whole = square.Left == left && square.Top == top &&
                             square.Right == left + block - 1 && square.Bottom == top + block - 1 &&
                             owner - first - 1 < count;
                for (std::int32_t y = 0; whole && y < block; ++y) {
                    const std::uint32_t* row = owners + std::size_t(y) * buffer.Width() + left;
                    for (std::int32_t x = 0; x < block; ++x) {
                        whole = whole && row[x] == owner;
                    }
                }
                if (!whole) {
                    if (block * block > MaxSquarePixels) {
                        ForEachOwnedPixel(image, buffer, *fill, square, shadePixel);
                    } else {
                        shadeFaces(square);
                    }
                    continue;
                }
                const std::uint32_t i = owner - first;
                const TColorRGB c = shades[i] == 0 ? colors[i]
                                                   : ShadePlanes(planes[shades[i] - 1],
                                                                 left + middle, top + middle, area);
                for (std::int32_t y = top; y < top + block; ++y) {
                    std::uint8_t* pixel = image.ScanLine(y) + 3 * std::ptrdiff_t(left);
                    for (std::int32_t x = 0; x < block; ++x, pixel += 3) {
                        Put(pixel, c);
                    }
                }
            }
        }
    };
    const auto shade = [&](const TDrawBox& band) {
        if (block > 1) {
            shadeBlocks(band);
        } else {
            ForEachOwnedPixel(image, buffer, *fill, band, shadePixel);
        }
    };
    if (owned < SideBySidePixels) {
        shade(box);
        return;
    }
    // Bands of whole squares, counted from the first square the box touches.
    const std::int32_t bandRows = (BandRows + block - 1) / block * block;
    const std::int32_t start = box.Top - box.Top % block;
    RunSideBySide(std::size_t((box.Bottom - start + bandRows) / bandRows), [&](std::size_t b) {
        TDrawBox band = box;
        band.Top = std::max(box.Top, start + std::int32_t(b) * bandRows);
        band.Bottom = std::min(box.Bottom, start + std::int32_t(b) * bandRows + bandRows - 1);
        shade(band);
    });
}

} // namespace ZuveloGraphLibrary
