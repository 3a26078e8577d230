#include "SolidSurfaces.h"

#include "DrawingState.h"
#include "Renderer.h"
#include "Smoothing.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <vector>

namespace ZuveloGraphLibrary {

namespace {

constexpr float ByteTop = 255;
constexpr std::size_t CornersPerFace = 3;
constexpr double DegreesPerHalfTurn = 180;

// A face whose colour varies across it: its corners' barycentric weights at pane pixel
// p = (x, y, 1) are L1 . p / W . p, L2 . p / W . p and the rest of 1.
struct TInterpolatedFace {
    double L1[3] = {};
    double L2[3] = {};
    double W[3] = {0, 0, 1};
    // Without an image: the lit colour at each corner, 0 to 255 a channel.
    TTexel Colour[3];
    // With one: the image's coordinates, the light and the highlight at each corner.
    const TTexture* Image = nullptr;
    TTextureWrap Wrap = TTextureWrap::Repeat;
    bool Once = false;     // the image shown once, the diffuse colour around it
    bool Negative = false; // its colours inverted
    float U[3] = {}, V[3] = {};
    float Light[3] = {}, Shine[3] = {};
    TTexel Kept;     // the diffuse colour's part of the base colour, lit by the object's colour
    TTexel Share;    // how much of each channel of the image goes into it
    TTexel Diffuse;  // the base colour away from the image
    TTexel Specular; // the highlight's colour
    double TexelArea = 0; // |det| of the map from pixels to texels of the full image, times w^3
};

// Kept from drawing to drawing, so that a drawing allocates nothing once they have grown.
struct TSurfaceScratch {
    std::vector<std::uint32_t> Stamps; // per face: whether its shade is this drawing's
    std::uint32_t Stamp = 0;
    std::vector<std::uint32_t> Shades; // per face: 0 for one colour, else 1 + its interpolation
    std::vector<TInterpolatedFace> Interpolated;
    std::vector<TNormal> Sums;
    std::vector<TNormal> Gathered;
};
TSurfaceScratch Scratch;

// A new stamp for a drawing of `faces` faces.
std::uint32_t NextStamp(std::size_t faces) {
    if (Scratch.Stamps.size() < faces + 1) {
        Scratch.Stamps.resize(faces + 1, 0);
    }
    if (++Scratch.Stamp == 0) {
        std::fill(Scratch.Stamps.begin(), Scratch.Stamps.end(), 0u);
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

std::uint8_t ToByte(float value) {
    if (!(value > 0)) {
        return 0;
    }
    return value >= ByteTop ? 255 : static_cast<std::uint8_t>(value + 0.5f);
}

TColorRGB ToColor(const TTexel& c) {
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

// The weights of the corners a, b, c over the pane, into face.L1, L2 and W; false when the face
// has no area as seen.
bool SetWeights(const TPaneMapping& m, const TPoint3D& a, const TPoint3D& b, const TPoint3D& c,
                TInterpolatedFace& face) {
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
        face.W[0] = 0;
        face.W[1] = 0;
        face.W[2] = 1;
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

// The corners' weights at pixel (x, y), each at least 0 and adding up to 1; 1/w into `inverse`.
void Weights(const TInterpolatedFace& f, double x, double y, double& w0, double& w1, double& w2,
             double& inverse) {
    inverse = 1 / (f.W[0] * x + f.W[1] * y + f.W[2]);
    w1 = (f.L1[0] * x + f.L1[1] * y + f.L1[2]) * inverse;
    w2 = (f.L2[0] * x + f.L2[1] * y + f.L2[2]) * inverse;
    w0 = 1 - w1 - w2;
    // Pixels on the rounded outline may lie a little outside the face.
    w0 = w0 > 0 ? w0 : 0;
    w1 = w1 > 0 ? w1 : 0;
    w2 = w2 > 0 ? w2 : 0;
    const double sum = w0 + w1 + w2;
    if (!(sum > 0) || !std::isfinite(sum)) {
        w0 = w1 = w2 = 1.0 / 3;
        return;
    }
    w0 /= sum;
    w1 /= sum;
    w2 /= sum;
}

// The copy of the image whose pixels are nearest in size to the pane's, for `area` pixels of the
// full image per pane pixel: half of log2 of it, rounded, read off the float's exponent.
int LevelOf(double area) {
    if (!(area > 2)) {
        return 0;
    }
    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(area));
    const int exponent = int((bits >> 23) & 0xFF) - 127;
    return (exponent + 1) / 2;
}

TColorRGB ShadeInterpolated(const TInterpolatedFace& f, std::int32_t x, std::int32_t y) {
    double w0 = 0, w1 = 0, w2 = 0, inverse = 0;
    Weights(f, x, y, w0, w1, w2, inverse);
    const auto mix = [&](const float(&v)[3]) { return float(w0 * v[0] + w1 * v[1] + w2 * v[2]); };
    if (f.Image == nullptr) {
        return ToColor({float(w0 * f.Colour[0].R + w1 * f.Colour[1].R + w2 * f.Colour[2].R),
                        float(w0 * f.Colour[0].G + w1 * f.Colour[1].G + w2 * f.Colour[2].G),
                        float(w0 * f.Colour[0].B + w1 * f.Colour[1].B + w2 * f.Colour[2].B)});
    }
    const float u = mix(f.U);
    const float v = mix(f.V);
    TTexel base = f.Diffuse;
    if (!f.Once || (u >= 0 && u <= 1 && v >= 0 && v <= 1)) {
        const double scale = std::fabs(inverse);
        TTexel t = f.Image->Sample(u, v, LevelOf(f.TexelArea * scale * scale * scale), f.Wrap);
        if (f.Negative) {
            t = {ByteTop - t.R, ByteTop - t.G, ByteTop - t.B};
        }
        base = {f.Kept.R + f.Share.R * t.R, f.Kept.G + f.Share.G * t.G, f.Kept.B + f.Share.B * t.B};
    }
    const float light = mix(f.Light);
    const float shine = mix(f.Shine);
    return ToColor({base.R * light + f.Specular.R * shine, base.G * light + f.Specular.G * shine,
                    base.B * light + f.Specular.B * shine});
}

// The light and the highlight of a surface with unit normal n at point p.
struct TLit {
    float Light = 0;
    float Shine = 0;
};
TLit Lit(const TNormal& n, const TPoint3D& p, const TPaneMapping& m, double strength,
         double exponent) {
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
            float(strength * std::pow(cosine, exponent))};
}

TNormal Unit(const TNormal& n, const TNormal& fallback) {
    const double length = std::sqrt(Dot(n, n));
    if (!(length > 0) || !std::isfinite(length)) {
        return fallback;
    }
    return {n.X / length, n.Y / length, n.Z / length};
}

// Where the map puts a vertex's mapping coordinates on its image.
TTexCoord Placed(const TTextureMap& map, TTexCoord t) {
    const double s = (double(t.U) - 0.5) * map.UScale;
    const double q = (double(t.V) - 0.5) * map.VScale;
    const double turn = map.Rotation * std::numbers::pi / DegreesPerHalfTurn;
    const double c = std::cos(turn), sn = std::sin(turn);
    return {float(s * c - q * sn + 0.5 - map.UOffset), float(s * sn + q * c + 0.5 - map.VOffset)};
}

// Everything a drawing of one object with its looks reads.
struct TLooksDrawing {
    const TObject3D& Object;
    const TModelLooks& Looks;
    TPaneMapping Pane;
    TTexel Factor; // DrawColor over 255
    std::int32_t Vertices = 0;
    bool Smooth = false;
    bool Mapped = false;
};

// Works out how face i is painted: one colour into `colour`, or an interpolation into the
// scratch, whose number plus 1 is returned.
std::uint32_t SetUpFace(const TLooksDrawing& d, std::uint32_t i, TColorRGB& colour) {
    const TFace3D& f = d.Object.Faces[std::int32_t(i)];
    const TMaterial& material = FaceMaterial(d.Looks, std::int32_t(i));
    const TTexel diffuse{material.Diffuse.R * ByteTop * d.Factor.R,
                         material.Diffuse.G * ByteTop * d.Factor.G,
                         material.Diffuse.B * ByteTop * d.Factor.B};
    const TTexel specular{material.Specular.R * ByteTop * d.Factor.R,
                          material.Specular.G * ByteTop * d.Factor.G,
                          material.Specular.B * ByteTop * d.Factor.B};
    const double strength = material.ShininessStrength;
    const double exponent = 1 + ShininessExponentSpan * material.Shininess;
    if (!FaceInRange(f, d.Vertices)) { // owns no pixel: the test stays for safety
        colour = ToColor(diffuse);
        return 0;
    }
    const std::uint32_t numbers[] = {f.A, f.B, f.C};
    const TPoint3D corners[] = {d.Object.WorldVertices[std::int32_t(f.A)],
                                d.Object.WorldVertices[std::int32_t(f.B)],
                                d.Object.WorldVertices[std::int32_t(f.C)]};
    const TNormal own = TriangleNormal(corners[0], corners[1], corners[2]);
    const std::uint32_t* sums =
        d.Smooth ? &d.Looks.Corners.Sums[CornersPerFace * (i - 1)] : nullptr;
    const auto materialIndex = std::size_t(&material - d.Looks.Materials.data());
    const TTexture* image = d.Mapped && material.Texture && materialIndex < d.Looks.Images.size()
                                ? d.Looks.Images[materialIndex].get()
                                : nullptr;
    const bool smooth = sums != nullptr && (sums[0] | sums[1] | sums[2]) != 0;
    const auto lit = [&](const TTexel& base, const TLit& l) {
        return TTexel{base.R * l.Light + specular.R * l.Shine,
                      base.G * l.Light + specular.G * l.Shine,
                      base.B * l.Light + specular.B * l.Shine};
    };
    const TPoint3D centre{(corners[0].X + corners[1].X + corners[2].X) / 3,
                          (corners[0].Y + corners[1].Y + corners[2].Y) / 3,
                          (corners[0].Z + corners[1].Z + corners[2].Z) / 3};
    const TLit flat = Lit(own, centre, d.Pane, strength, exponent);
    if (!smooth && image == nullptr) {
        colour = ToColor(lit(diffuse, flat));
        return 0;
    }
    TInterpolatedFace face;
    if (!SetWeights(d.Pane, corners[0], corners[1], corners[2], face)) {
        colour = ToColor(lit(diffuse, flat));
        return 0;
    }
    TLit at[3] = {flat, flat, flat};
    if (smooth) {
        for (std::size_t k = 0; k < CornersPerFace; ++k) {
            if (sums[k] != 0) {
                at[k] =
                    Lit(Unit(Scratch.Sums[sums[k]], own), corners[k], d.Pane, strength, exponent);
            }
        }
    }
    if (image == nullptr) {
        for (std::size_t k = 0; k < CornersPerFace; ++k) {
            face.Colour[k] = lit(diffuse, at[k]);
        }
    } else {
        const TTextureMap& map = *material.Texture;
        face.Image = image;
        face.Wrap = (map.Tiling & TilingMirror) != 0 ? TTextureWrap::Mirror : TTextureWrap::Repeat;
        face.Once = (map.Tiling & (TilingNone | TilingDecal)) != 0;
        face.Wrap = face.Once ? TTextureWrap::Edge : face.Wrap;
        face.Negative = (map.Tiling & TilingNegative) != 0;
        for (std::size_t k = 0; k < CornersPerFace; ++k) {
            const TTexCoord t = Placed(map, d.Looks.Mapping[numbers[k] - 1]);
            face.U[k] = t.U;
            face.V[k] = t.V;
            face.Light[k] = at[k].Light;
            face.Shine[k] = at[k].Shine;
        }
        const float share = map.Share;
        face.Kept = {diffuse.R * (1 - share), diffuse.G * (1 - share), diffuse.B * (1 - share)};
        face.Share = {d.Factor.R * share, d.Factor.G * share, d.Factor.B * share};
        face.Diffuse = diffuse;
        face.Specular = specular;
        // The map from pixels to the image's pixels is (U . p / w, V . p / w), with U and V the
        // corners' coordinates weighted by their rows; its area scale is |det(U, V, W)| / |w|^3.
        double rowU[3], rowV[3];
        for (int j = 0; j < 3; ++j) {
            const double l0 = face.W[j] - face.L1[j] - face.L2[j];
            rowU[j] =
                (l0 * face.U[0] + face.L1[j] * face.U[1] + face.L2[j] * face.U[2]) * image->Width();
            rowV[j] = (l0 * face.V[0] + face.L1[j] * face.V[1] + face.L2[j] * face.V[2]) *
                      image->Height();
        }
        const double* w = face.W;
        face.TexelArea = std::fabs(rowU[0] * (rowV[1] * w[2] - rowV[2] * w[1]) -
                                   rowU[1] * (rowV[0] * w[2] - rowV[2] * w[0]) +
                                   rowU[2] * (rowV[0] * w[1] - rowV[1] * w[0]));
    }
    Scratch.Interpolated.push_back(face);
    return std::uint32_t(Scratch.Interpolated.size());
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
        buffer.ColorScratch.resize(std::size_t(fill->Faces) + 1);
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
                    TPaneMapping::Current(),
                    {DrawColor.R / ByteTop, DrawColor.G / ByteTop, DrawColor.B / ByteTop},
                    std::min(object.VertexCount, object.WorldVertices.Count())};
    d.Smooth = looks.Corners.SumCount > 0 && looks.Corners.Sums.size() >= CornersPerFace * faces;
    d.Mapped = looks.Mapping.size() >= std::size_t(std::max(d.Vertices, 0));
    if (d.Smooth) {
        SumSmoothNormals(object, looks.Corners, Scratch.Sums, Scratch.Gathered);
    }
    if (buffer.ColorScratch.size() < faces + 1) {
        buffer.ColorScratch.resize(faces + 1);
    }
    if (Scratch.Shades.size() < faces + 1) {
        Scratch.Shades.resize(faces + 1);
    }
    Scratch.Interpolated.clear();
    const std::uint32_t stamp = NextStamp(faces);
    std::uint32_t* stamps = Scratch.Stamps.data();
    std::uint32_t* shades = Scratch.Shades.data();
    TColorRGB* colors = buffer.ColorScratch.data();
    ForEachOwnedPixel(image, buffer, *fill, box,
                      [&](std::uint32_t i, std::int32_t x, std::int32_t y, std::uint8_t* pixel) {
                          if (stamps[i] != stamp) {
                              stamps[i] = stamp;
                              shades[i] = SetUpFace(d, i, colors[i]);
                          }
                          Put(pixel,
                              shades[i] == 0
                                  ? colors[i]
                                  : ShadeInterpolated(Scratch.Interpolated[shades[i] - 1], x, y));
                      });
}

} // namespace ZuveloGraphLibrary
