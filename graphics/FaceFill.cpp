#include "FaceFill.h"

#include "LargeBlocks.h"
#include "Renderer.h"
#include "SideBySide.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace ZuveloGraphLibrary {

namespace Detail {

double DepthKey(double depth, bool perspective) {
    return perspective ? -1.0 / depth : depth;
}

} // namespace Detail

namespace {

using Detail::TFillCorner;
using Detail::TFillTriangle;

// An object of at least this many faces per thread is filled by several threads, each its share
// of the faces into a layer of its own; fewer cost less than starting a thread and merging.
constexpr std::size_t SideBySideFillFaces = 1 << 13;
// Faces whose corners all lie within a box of fewer pixels than this (a mesh seen from afar) cost
// little each: the threads share them only from SmallFillFaces faces each.
constexpr std::int64_t SmallFillPixels = 1 << 12;
constexpr std::size_t SmallFillFaces = 1 << 16;

// The keys and owners that a fill writes: the buffer's, or a layer's of the same size.
struct TDepthTarget {
    float* Keys = nullptr;
    std::uint32_t* Owners = nullptr;
    std::int32_t Width = 0;
    std::int32_t Height = 0;

    static TDepthTarget Of(TDepthBuffer& buffer) {
        return {buffer.Keys(), buffer.Owners(), buffer.Width(), buffer.Height()};
    }
    static TDepthTarget Of(TDepthBuffer::TLayer& layer, const TDepthBuffer& buffer) {
        return {layer.Keys.data(), layer.Owners.data(), buffer.Width(), buffer.Height()};
    }
};

// A triangle turned so that its area is positive, with its edge functions and its key plane.
// Edge j runs from corner j + 1 to corner j + 2; at pixel (x, y) its function is
// E = DX (y - AY) - DY (x - AX), and the pixel is on the inner side when E >= Bias (Bias 0 on a
// top or left edge, 1 elsewhere).
struct TSetup {
    struct TEdge {
        std::int64_t AX, AY, DX, DY, Bias;
        std::int64_t At(std::int64_t x, std::int64_t y) const {
            return DX * (y - AY) - DY * (x - AX);
        }
    };
    std::array<TEdge, 3> Edges;
    std::int64_t X0, Y0;
    double K0, GX, GY;
    std::int32_t Left, Top, Right, Bottom; // the box, cut to the buffer

    double RowKey(std::int64_t y) const { return K0 + GY * double(y - Y0); }
    double KeyAt(double row, std::int64_t x) const { return row + GX * double(x - X0); }
};

bool InFillRange(std::int64_t x, std::int64_t y) {
    return x >= -FillCoordinateLimit && x <= FillCoordinateLimit && y >= -FillCoordinateLimit &&
           y <= FillCoordinateLimit;
}

// Whether each corner lies within the range of the edge functions, at a finite key.
bool Fillable(const TFillTriangle& t) {
    for (const TFillCorner& c : t) {
        if (!InFillRange(c.X, c.Y) || !std::isfinite(c.Key)) {
            return false;
        }
    }
    return true;
}

// For a Fillable triangle; false when it fills nothing.
inline bool SetFillable(const TFillTriangle& input, const TDepthTarget& buffer, TSetup& s) {
    std::int64_t area = (input[1].X - input[0].X) * (input[2].Y - input[0].Y) -
                        (input[1].Y - input[0].Y) * (input[2].X - input[0].X);
    if (area == 0) {
        return false;
    }
    // Turned without a branch: the windings of a mesh in view vary from face to face. The corners
    // are read where the caller wrote them, field by field: a copy's wider loads would stall on
    // its narrower stores.
    const bool turn = area < 0;
    const TFillCorner* const t[] = {&input[0], turn ? &input[2] : &input[1],
                                    turn ? &input[1] : &input[2]};
    area = turn ? -area : area;
    const std::int64_t left = std::max<std::int64_t>(0, std::min({t[0]->X, t[1]->X, t[2]->X}));
    const std::int64_t top = std::max<std::int64_t>(0, std::min({t[0]->Y, t[1]->Y, t[2]->Y}));
    const std::int64_t right =
        std::min<std::int64_t>(buffer.Width - 1, std::max({t[0]->X, t[1]->X, t[2]->X}));
    const std::int64_t bottom =
        std::min<std::int64_t>(buffer.Height - 1, std::max({t[0]->Y, t[1]->Y, t[2]->Y}));
    if (left > right || top > bottom) {
        return false;
    }
    s.Left = std::int32_t(left);
    s.Top = std::int32_t(top);
    s.Right = std::int32_t(right);
    s.Bottom = std::int32_t(bottom);
    for (std::size_t j = 0; j < 3; ++j) {
        const TFillCorner& a = *t[(j + 1) % 3];
        const TFillCorner& b = *t[(j + 2) % 3];
        const std::int64_t dx = b.X - a.X;
        const std::int64_t dy = b.Y - a.Y;
        // With y downwards and a positive area, a top edge runs to the right and a left edge
        // upwards.
        const bool topOrLeft = (dy < 0) | ((dy == 0) & (dx > 0));
        s.Edges[j] = {a.X, a.Y, dx, dy, topOrLeft ? 0 : 1};
    }
    const double a = double(area);
    const double dk1 = t[1]->Key - t[0]->Key;
    const double dk2 = t[2]->Key - t[0]->Key;
    s.X0 = t[0]->X;
    s.Y0 = t[0]->Y;
    s.K0 = t[0]->Key;
    s.GX = (dk1 * double(t[2]->Y - t[0]->Y) - dk2 * double(t[1]->Y - t[0]->Y)) / a;
    s.GY = (dk2 * double(t[1]->X - t[0]->X) - dk1 * double(t[2]->X - t[0]->X)) / a;
    return true;
}

bool Set(const TFillTriangle& input, const TDepthTarget& buffer, TSetup& s) {
    return Fillable(input) && SetFillable(input, buffer, s);
}

inline void Offer(const TDepthTarget& buffer, std::size_t index, double key, std::uint32_t owner) {
    const auto k = static_cast<float>(key);
    if (k < buffer.Keys[index]) {
        buffer.Keys[index] = k;
        buffer.Owners[index] = owner;
    }
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// A triangle whose box is narrower and lower than this many pixels has each pixel of its box
// tested; a larger one is cut into row spans. As measured, about the best either way.
constexpr std::int64_t SmallBoxSide = 8;

// floor(C / D) for D > 0 while C grows by a fixed step: C = Quotient D + Remainder with
// 0 <= Remainder < D, kept exact. For D = 1 the quotient is C itself.
struct TRowBound {
    std::int64_t Quotient = 0, Remainder = 0, StepQuotient = 0, StepRemainder = 0, Divisor = 1;

    void Start(std::int64_t c, std::int64_t step, std::int64_t divisor) {
        if (divisor == 0) {
            divisor = 1;
        }
        Divisor = divisor;
        Quotient = FloorDiv(c, divisor);
        Remainder = c - Quotient * divisor;
        StepQuotient = FloorDiv(step, divisor);
        StepRemainder = step - StepQuotient * divisor;
    }
    void Next() {
        Remainder += StepRemainder;
        const std::int64_t carry = Remainder >= Divisor ? 1 : 0; // without a branch
        Remainder -= carry * Divisor;
        Quotient += StepQuotient + carry;
    }
};

template <class TOffer>
void FillRows(const TSetup& s, std::size_t width, const TOffer& offer, std::int64_t& left,
              std::int64_t& right, std::int64_t& top, std::int64_t& bottom) {
    // Edge j passes (x, y) when DY x <= C, C = DX (y - AY) + DY AX - Bias: for DY > 0 when
    // x <= floor(C / DY), for DY < 0 when x >= -floor(C / -DY), for DY = 0 when C >= 0. C grows by
    // DX from row to row, and so do the quotients, followed without a division per row.
    std::array<TRowBound, 3> bounds;
    for (std::size_t j = 0; j < 3; ++j) {
        const TSetup::TEdge& e = s.Edges[j];
        const std::int64_t c = e.DX * (s.Top - e.AY) + e.DY * e.AX - e.Bias;
        bounds[j].Start(c, e.DX, e.DY < 0 ? -e.DY : e.DY);
    }
    // Each edge bounds the span from the left, from the right, or (flat) not at all unless C < 0,
    // chosen without a branch: the kinds vary from face to face.
    std::array<std::int64_t, 3> leftSign{}, rightSign{};
    for (std::size_t j = 0; j < 3; ++j) {
        leftSign[j] = s.Edges[j].DY < 0 ? 1 : 0;
        rightSign[j] = s.Edges[j].DY > 0 ? 1 : 0;
    }
    for (std::int64_t y = s.Top; y <= s.Bottom; ++y) {
        std::int64_t from = s.Left;
        std::int64_t to = s.Right;
        for (std::size_t j = 0; j < 3; ++j) {
            TRowBound& b = bounds[j];
            const std::int64_t q = b.Quotient;
            from = leftSign[j] != 0 ? std::max(from, -q) : from;
            to = rightSign[j] != 0 ? std::min(to, q) : to;
            to = (leftSign[j] | rightSign[j]) == 0 && q < 0 ? from - 1 : to; // C itself: D is 1
            b.Next();
        }
        if (from > to) {
            continue;
        }
        const double row = s.RowKey(y);
        const std::size_t base = std::size_t(y) * width;
        for (std::int64_t x = from; x <= to; ++x) {
            offer(base + std::size_t(x), s.KeyAt(row, x));
        }
        left = std::min(left, from);
        right = std::max(right, to);
        top = top < 0 ? y : top;
        bottom = y;
    }
}

// Each pixel of a small box tested; with Follow, the pixels inside are followed in left to bottom.
template <bool Follow, class TOfferIf>
inline void FillBox(const TSetup& s, std::size_t width, const TOfferIf& offerIf, std::int64_t& left,
                    std::int64_t& right, std::int64_t& top, std::int64_t& bottom) {
    const TSetup::TEdge* e = s.Edges.data();
    for (std::int64_t y = s.Top; y <= s.Bottom; ++y) {
        std::int64_t e0 = e[0].At(s.Left, y) - e[0].Bias;
        std::int64_t e1 = e[1].At(s.Left, y) - e[1].Bias;
        std::int64_t e2 = e[2].At(s.Left, y) - e[2].Bias;
        const double row = s.RowKey(y);
        const std::size_t base = std::size_t(y) * width;
        for (std::int64_t x = s.Left; x <= s.Right; ++x) {
            const bool inside = (e0 | e1 | e2) >= 0;
            offerIf(inside, base + std::size_t(x), s.KeyAt(row, x));
            if constexpr (Follow) {
                left = inside ? std::min(left, x) : left;
                right = inside ? std::max(right, x) : right;
                top = inside && top < 0 ? y : top;
                bottom = inside ? y : bottom;
            }
            e0 -= e[0].DY;
            e1 -= e[1].DY;
            e2 -= e[2].DY;
        }
    }
}

// The fast fill of a Fillable triangle.
inline void FillFillable(const TDepthTarget& buffer, const TFillTriangle& triangle,
                         std::uint32_t owner, TPixelBox& box) {
    TSetup s;
    if (!SetFillable(triangle, buffer, s)) {
        return;
    }
    const auto width = std::size_t(buffer.Width);
    float* const keys = buffer.Keys;
    std::uint32_t* const owners = buffer.Owners;
    // Without a branch on the outcome, which is as likely one way as the other where a surface
    // lies behind another: both values are stored back, changed or not.
    const auto offerIf = [&](bool inside, std::size_t index, double key) {
        const auto k = static_cast<float>(key);
        const float held = keys[index];
        const bool wins = inside && k < held;
        keys[index] = wins ? k : held;
        owners[index] = wins ? owner : owners[index];
    };
    const auto offer = [&](std::size_t index, double key) { offerIf(true, index, key); };
    std::int64_t left = s.Right + 1;
    std::int64_t right = s.Left - 1;
    std::int64_t top = -1;
    std::int64_t bottom = -1;
    if (s.Right - s.Left < SmallBoxSide && s.Bottom - s.Top < SmallBoxSide) {
        // A box of a few pixels: each pixel tested, the edge functions stepped along the row.
        // Where the box lies within the fill's box so far, as for most faces of a dense mesh,
        // the pixels filled cannot widen it and are not followed.
        const bool within = !box.Empty() && s.Left >= box.Left && s.Right <= box.Right &&
                            s.Top >= box.Top && s.Bottom <= box.Bottom;
        if (within) {
            FillBox<false>(s, width, offerIf, left, right, top, bottom);
            return;
        }
        FillBox<true>(s, width, offerIf, left, right, top, bottom);
    } else {
        FillRows(s, width, offer, left, right, top, bottom);
    }
    if (top >= 0) {
        box.Add(std::int32_t(left), std::int32_t(top));
        box.Add(std::int32_t(right), std::int32_t(bottom));
    }
}

void FillTriangleInto(const TDepthTarget& buffer, const TFillTriangle& triangle,
                      std::uint32_t owner, TPixelBox& box) {
    if (Fillable(triangle)) {
        FillFillable(buffer, triangle, owner, box);
    }
}

void FillTriangleReferenceInto(const TDepthTarget& buffer, const TFillTriangle& triangle,
                               std::uint32_t owner, TPixelBox& box) {
    TSetup s;
    if (!Set(triangle, buffer, s)) {
        return;
    }
    for (std::int64_t y = s.Top; y <= s.Bottom; ++y) {
        for (std::int64_t x = s.Left; x <= s.Right; ++x) {
            bool inside = true;
            for (const TSetup::TEdge& e : s.Edges) {
                inside = inside && e.At(x, y) >= e.Bias;
            }
            if (inside) {
                Offer(buffer, std::size_t(y) * std::size_t(buffer.Width) + std::size_t(x),
                      s.KeyAt(s.RowKey(y), x), owner);
                box.Add(std::int32_t(x), std::int32_t(y));
            }
        }
    }
}

} // namespace

namespace Detail {

void FillTriangle(TDepthBuffer& buffer, const TFillTriangle& triangle, std::uint32_t owner,
                  TPixelBox& box) {
    FillTriangleInto(TDepthTarget::Of(buffer), triangle, owner, box);
}

void FillTriangleReference(TDepthBuffer& buffer, const TFillTriangle& triangle, std::uint32_t owner,
                           TPixelBox& box) {
    FillTriangleReferenceInto(TDepthTarget::Of(buffer), triangle, owner, box);
}

} // namespace Detail

namespace {

constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();

using TTriangleFill = void (*)(const TDepthTarget&, const TFillTriangle&, std::uint32_t,
                               TPixelBox&);

struct TWorldCorner {
    double X, Y, Z, Depth;
    const TPlacedCorner* Placed; // null for a corner made by the cut
};

// Moves each key the tie share towards the mean of the keys.
void LeanTowardsMean(TFillCorner* corners, std::size_t n) {
    double mean = 0;
    for (std::size_t k = 0; k < n; ++k) {
        mean += corners[k].Key;
    }
    mean /= double(n);
    for (std::size_t k = 0; k < n; ++k) {
        corners[k].Key += SurfaceTieShare * (mean - corners[k].Key);
    }
}

// The part of a perspective face at or beyond the near plane, as up to two triangles.
void FillCutFace(const TDepthTarget& buffer, const std::array<TWorldCorner, 3>& corners,
                 double moveBack, std::uint32_t owner, TPixelBox& box, TTriangleFill fill,
                 bool lean) {
    std::array<TFillCorner, 4> polygon;
    std::size_t n = 0;
    const auto add = [&](const TWorldCorner& c) {
        if (c.Placed != nullptr) {
            if (c.Placed->Placement != TCornerPlacement::Pixel) {
                return false;
            }
            polygon[n++] = {c.Placed->X, c.Placed->Y, Detail::DepthKey(c.Depth, true)};
            return true;
        }
        const TPoint3D p{float(c.X), float(c.Y), float(c.Z)};
        const TPlacedCorner placed = PlacePoint(p);
        const double depth = moveBack - double(p.Z);
        if (placed.Placement != TCornerPlacement::Pixel || !(depth > 0) || !std::isfinite(depth)) {
            return false;
        }
        polygon[n++] = {placed.X, placed.Y, Detail::DepthKey(depth, true)};
        return true;
    };
    for (std::size_t k = 0; k < 3; ++k) {
        const TWorldCorner& a = corners[k];
        const TWorldCorner& b = corners[(k + 1) % 3];
        const bool aIn = a.Depth >= NearPlaneDepth;
        const bool bIn = b.Depth >= NearPlaneDepth;
        if (aIn && !add(a)) {
            return;
        }
        if (aIn != bIn) {
            const double t = (NearPlaneDepth - a.Depth) / (b.Depth - a.Depth);
            const TWorldCorner cut{a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y),
                                   a.Z + t * (b.Z - a.Z), NearPlaneDepth, nullptr};
            if (!add(cut)) {
                return;
            }
        }
    }
    if (lean && n >= 3) {
        LeanTowardsMean(polygon.data(), n);
    }
    for (std::size_t k = 2; k < n; ++k) {
        fill(buffer, {polygon[0], polygon[k - 1], polygon[k]}, owner, box);
    }
}

// The fast fill is a template argument so that it is inlined where faces have simple corners.
template <TTriangleFill fill>
void FillFaces(TDepthBuffer& buffer, const TObject3D& object, TFillFor use) {
    const bool lean = use == TFillFor::Surfaces;
    if (object.FaceCount <= 0 ||
        (ProjectionMode != ParallelProjection && ProjectionMode != PerspectiveProjection)) {
        return;
    }
    const std::int32_t faces = std::clamp(object.FaceCount, 0, object.Faces.Count());
    TDepthBuffer::TFill* record = buffer.BeginFill(object, faces);
    if (record == nullptr) {
        return;
    }
    const bool perspective = ProjectionMode == PerspectiveProjection;
    const double moveBack = ViewNavigation.MoveBack;
    std::vector<TPlacedCorner>& placed = buffer.PlacedScratch;
    const TPaneBase base = PlaceWorldVertices(object, placed);
    if (!base.InRange) {
        return;
    }
    const auto count =
        std::uint32_t(std::max(0, std::min(object.VertexCount, object.WorldVertices.Count())));
    // The key of each vertex that sits on a pixel within the fill's range at a finite depth,
    // beyond the near plane in perspective; not a number for the others, whose faces take the
    // long way below.
    std::vector<double>& keys = buffer.KeyScratch;
    if (keys.size() < std::size_t(count) + 1) {
        ResizeLarge(keys, std::size_t(count) + 1);
    }
    // The box of the simple corners, and whether every corner is simple.
    std::int64_t left = std::numeric_limits<std::int64_t>::max(), right = 0;
    std::int64_t top = left, bottom = 0;
    bool allSimple = true;
    for (std::uint32_t n = 1; n <= count; ++n) {
        const double z = object.WorldVertices[std::int32_t(n)].Z;
        const double depth = perspective ? -(z - moveBack) : -z;
        const bool simple = std::isfinite(depth) && (!perspective || depth >= NearPlaneDepth) &&
                            placed[n].Placement == TCornerPlacement::Pixel &&
                            InFillRange(placed[n].X, placed[n].Y);
        keys[n] = simple ? Detail::DepthKey(depth, perspective) : NotANumber;
        allSimple = allSimple && simple;
        if (simple) {
            left = std::min(left, placed[n].X);
            right = std::max(right, placed[n].X);
            top = std::min(top, placed[n].Y);
            bottom = std::max(bottom, placed[n].Y);
        }
    }
    const bool small =
        allSimple && count > 0 && (right - left + 1) * (bottom - top + 1) < SmallFillPixels;
    // Faces first to last, in order, into the target; box grows by what they fill.
    const auto fillFaces = [&](const TDepthTarget& target, std::int32_t first, std::int32_t last,
                               TPixelBox& box) {
        for (std::int32_t i = first; i <= last; ++i) {
            const TFace3D& face = object.Faces[i];
            const std::uint32_t numbers[3] = {face.A, face.B, face.C};
            if (face.A - 1 >= count || face.B - 1 >= count || face.C - 1 >= count) {
                continue;
            }
            const std::uint32_t owner = record->FirstOwner + std::uint32_t(i);
            const double k0 = keys[face.A];
            const double k1 = keys[face.B];
            const double k2 = keys[face.C];
            if (!std::isnan(k0) && !std::isnan(k1) && !std::isnan(k2)) {
                const TPlacedCorner& a = placed[face.A];
                const TPlacedCorner& b = placed[face.B];
                const TPlacedCorner& c = placed[face.C];
                if constexpr (fill == FillTriangleInto) {
                    // A face on a line fills nothing, as do most faces of a dense mesh seen from
                    // afar: passed over before the call.
                    if ((b.X - a.X) * (c.Y - a.Y) == (b.Y - a.Y) * (c.X - a.X)) {
                        continue;
                    }
                }
                TFillTriangle triangle{{{a.X, a.Y, k0}, {b.X, b.Y, k1}, {c.X, c.Y, k2}}};
                if (lean) {
                    LeanTowardsMean(triangle.data(), triangle.size());
                }
                if constexpr (fill == FillTriangleInto) {
                    FillFillable(target, triangle, owner, box); // Fillable: simple corners
                } else {
                    fill(target, triangle, owner, box);
                }
                continue;
            }
            std::array<TWorldCorner, 3> corners;
            bool usable = true;
            bool near = false;
            for (std::size_t k = 0; k < 3; ++k) {
                const TPoint3D& p = object.WorldVertices[std::int32_t(numbers[k])];
                const double depth = perspective ? -(double(p.Z) - moveBack) : -double(p.Z);
                corners[k] = {p.X, p.Y, p.Z, depth, &placed[numbers[k]]};
                usable = usable && std::isfinite(depth);
                near = near || depth < NearPlaneDepth;
            }
            if (!usable) {
                continue;
            }
            if (perspective && near) {
                FillCutFace(target, corners, moveBack, owner, box, fill, lean);
                continue;
            }
            TFillTriangle triangle;
            for (std::size_t k = 0; k < 3; ++k) {
                const TPlacedCorner& c = *corners[k].Placed;
                usable = usable && c.Placement == TCornerPlacement::Pixel;
                triangle[k] = {c.X, c.Y, Detail::DepthKey(corners[k].Depth, perspective)};
            }
            if (usable) {
                if (lean) {
                    LeanTowardsMean(triangle.data(), triangle.size());
                }
                fill(target, triangle, owner, box);
            }
        }
    };
    // The fast fill of many faces is shared out: each thread fills a run of them, the first into
    // the buffer, the others into layers, which are then merged in the runs' order. A pixel ends
    // with the smallest key any face gave it, of equal keys the first face's, as when one thread
    // fills them all.
    const std::size_t threads =
        fill == FillTriangleInto
            ? SideBySideThreads(std::size_t(faces) / (small ? SmallFillFaces : SideBySideFillFaces))
            : 1;
    if (threads <= 1) {
        TPixelBox box;
        fillFaces(TDepthTarget::Of(buffer), 1, faces, box);
        record->Box = box;
        return;
    }
    buffer.PrepareLayers(threads - 1);
    std::array<TPixelBox, MaxSideBySide> boxes{};
    RunSideBySide(threads, [&](std::size_t t) {
        const auto first =
            std::int32_t(std::int64_t(faces) * std::int64_t(t) / std::int64_t(threads)) + 1;
        const auto last =
            std::int32_t(std::int64_t(faces) * std::int64_t(t + 1) / std::int64_t(threads));
        fillFaces(t == 0 ? TDepthTarget::Of(buffer) : TDepthTarget::Of(buffer.Layer(t - 1), buffer),
                  first, last, boxes[t]);
    });
    buffer.MergeLayers({boxes.data() + 1, threads - 1});
    TPixelBox box = boxes[0];
    for (std::size_t t = 1; t < threads; ++t) {
        box.Add(boxes[t]);
    }
    record->Box = box;
}

} // namespace

void FillDepth(TDepthBuffer& buffer, const TObject3D& object, TFillFor use) {
    FillFaces<FillTriangleInto>(buffer, object, use);
}

void FillDepthReference(TDepthBuffer& buffer, const TObject3D& object, TFillFor use) {
    FillFaces<FillTriangleReferenceInto>(buffer, object, use);
}

} // namespace ZuveloGraphLibrary
