#include "HiddenLines.h"

#include "DdaWalk.h"
#include "DrawingState.h"
#include "FaceFill.h"
#include "GraphErrors.h"
#include "InsideLines.h"
#include "Renderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace ZuveloGraphLibrary {

namespace {

constexpr double Far = std::numeric_limits<double>::infinity();

struct TWindow {
    std::int64_t Left, Top, Right, Bottom;
    bool Contains(std::int64_t x, std::int64_t y) const {
        return x >= Left && x <= Right && y >= Top && y <= Bottom;
    }
};

struct TEnd {
    std::int64_t X, Y;
    double Key;  // not finite when unknown
    bool Inside; // whether the pixel lies in the window
};

class THiddenWalk {
public:
    THiddenWalk(const TImageView& image, const TDepthBuffer& buffer, bool perspective)
        : image_(image), buffer_(buffer), perspective_(perspective), color_(DrawColor),
          window_{std::max<std::int64_t>(ClipRect.Left, 0), std::max<std::int64_t>(ClipRect.Top, 0),
                  std::min<std::int64_t>(ClipRect.Right, std::int64_t(image.Width) - 1),
                  std::min<std::int64_t>(ClipRect.Bottom, std::int64_t(image.Height) - 1)} {}

    bool Empty() const { return window_.Left > window_.Right || window_.Top > window_.Bottom; }
    bool Contains(std::int64_t x, std::int64_t y) const { return window_.Contains(x, y); }

    // The steps of the line from a to b that land in the window, each kept or not.
    void Edge(const TEnd& a, const TEnd& b, double allowance) const {
        const bool inside = a.Inside && b.Inside;
        if (walksInside_ && inside) {
            EdgeInside(a, b, allowance);
            return;
        }
        const Detail::TDda dda = Detail::MakeDda(a.X, a.Y, b.X, b.Y);
        Detail::TStepCount first = 0;
        Detail::TStepCount last = dda.Steps;
        double px = dda.StartX;
        double py = dda.StartY;
        if (!inside) {
            const auto columns = Detail::StepsRoundingInto(dda.StartX, dda.StepX, dda.Steps,
                                                           window_.Left, window_.Right);
            const auto rows = Detail::StepsRoundingInto(dda.StartY, dda.StepY, dda.Steps,
                                                        window_.Top, window_.Bottom);
            if (columns.Empty || rows.Empty) {
                return;
            }
            first = std::max(columns.First, rows.First);
            last = std::min(columns.Last, rows.Last);
            if (first > last) {
                return;
            }
            px = Detail::SumAfter(dda.StartX, dda.StepX, first);
            py = Detail::SumAfter(dda.StartY, dda.StepY, first);
        }
        const bool known = std::isfinite(a.Key) && std::isfinite(b.Key);
        const double steps = double(dda.Steps);
        const double change = b.Key - a.Key;
        for (Detail::TStepCount k = first;; ++k) {
            const std::int64_t x = std::lrint(px);
            const std::int64_t y = std::lrint(py);
            if (window_.Contains(x, y)) {
                double key = known ? a.Key + change * (double(k) / steps) : Far;
                if (perspective_ && !(key < 0)) {
                    key = Far;
                }
                if (Visible(x, y, key, allowance)) {
                    std::uint8_t* p = image_.ScanLine(std::int32_t(y)) + 3 * x;
                    p[0] = color_.B;
                    p[1] = color_.G;
                    p[2] = color_.R;
                }
            }
            if (k == last) {
                break;
            }
            px += dda.StepX;
            py += dda.StepY;
        }
    }

private:
    // Edge for end points inside a window that lies in [0, 2^24): every step lands in the window
    // (see InsideLines.h), the counts fit 32 bits, and the walk computes what MakeDda's does, with
    // the same quotients k / N, read from the table for short lines.
    void EdgeInside(const TEnd& a, const TEnd& b, double allowance) const {
        // The common case, both keys known and the buffer under the whole window, has a walk of
        // its own without the tests for the others at each step.
        const bool plain = bufferCoversWindow_ && std::isfinite(a.Key) && std::isfinite(b.Key);
        if (perspective_) {
            plain ? EdgeInsideAs<true, true>(a, b, allowance)
                  : EdgeInsideAs<false, true>(a, b, allowance);
        } else {
            plain ? EdgeInsideAs<true, false>(a, b, allowance)
                  : EdgeInsideAs<false, false>(a, b, allowance);
        }
    }

    template <bool Plain, bool Perspective>
    void EdgeInsideAs(const TEnd& a, const TEnd& b, double allowance) const {
        const auto x1 = std::int32_t(a.X);
        const auto y1 = std::int32_t(a.Y);
        const Detail::TInsideLine line =
            Detail::MakeInsideLine(x1, y1, std::int32_t(b.X), std::int32_t(b.Y));
        const std::int32_t n = line.N;
        const double steps = double(n);
        const double stepX =
            line.Dx < 0 ? -Detail::StepQuotient(line.Adx, n) : Detail::StepQuotient(line.Adx, n);
        const double stepY =
            line.Dy < 0 ? -Detail::StepQuotient(line.Ady, n) : Detail::StepQuotient(line.Ady, n);
        const bool known = Plain || (std::isfinite(a.Key) && std::isfinite(b.Key));
        const double change = b.Key - a.Key;
        const float* keys = buffer_.Keys();
        const std::int64_t width = buffer_.Width();
        // The step at k, quotient k / N: its pixel kept or not.
        const auto step = [&](std::int64_t x, std::int64_t y, double quotient)
            __attribute__((always_inline)) {
            double key = known ? a.Key + change * quotient : Far;
            if (Perspective && !(key < 0)) {
                key = Far;
            }
            bool visible = true; // no surface known beyond the buffer
            if (Plain || bufferCoversWindow_ || (x < width && y < buffer_.Height())) {
                const double nearest = keys[y * width + x];
                visible =
                    key <= nearest + allowance + HiddenLineRelativeAllowance * std::fabs(nearest);
            }
            if (visible) {
                std::uint8_t* p = image_.ScanLine(std::int32_t(y)) + 3 * x;
                p[0] = color_.B;
                p[1] = color_.G;
                p[2] = color_.R;
            }
        };
        double px = x1;
        double py = y1;
        if (n <= Detail::QuotientTableSteps) {
            const double* quotients = Detail::StepQuotients.data() + n * (n - 1) / 2;
            for (std::int32_t k = 0; k < n; ++k) {
                step(std::lrint(px), std::lrint(py), quotients[k]);
                px += stepX;
                py += stepY;
            }
        } else {
            for (std::int32_t k = 0; k < n; ++k) {
                step(std::lrint(px), std::lrint(py), double(k) / steps);
                px += stepX;
                py += stepY;
            }
        }
        step(std::lrint(px), std::lrint(py), 1.0); // N / N
    }

    bool Visible(std::int64_t x, std::int64_t y, double key, double allowance) const {
        if (x >= buffer_.Width() || y >= buffer_.Height()) {
            return true; // no surface known there
        }
        const double nearest = buffer_.Key(std::int32_t(x), std::int32_t(y));
        return key <= nearest + allowance + HiddenLineRelativeAllowance * std::fabs(nearest);
    }

    const TImageView& image_;
    const TDepthBuffer& buffer_;
    bool perspective_;
    TColorRGB color_;
    TWindow window_;
    bool walksInside_ =
        Detail::WalksStayInside({window_.Left, window_.Top, window_.Right, window_.Bottom});
    bool bufferCoversWindow_ = window_.Right < buffer_.Width() && window_.Bottom < buffer_.Height();
};

// The allowance of a face from the plane of its three ends; 0 when there is none. The ends may
// lie further apart than a 64-bit integer reaches: their differences are taken as reals.
double Allowance(const std::array<TEnd, 3>& e) {
    const double x1 = double(e[1].X) - double(e[0].X), y1 = double(e[1].Y) - double(e[0].Y);
    const double x2 = double(e[2].X) - double(e[0].X), y2 = double(e[2].Y) - double(e[0].Y);
    const double area = x1 * y2 - y1 * x2;
    const double k1 = e[1].Key - e[0].Key;
    const double k2 = e[2].Key - e[0].Key;
    const double gx = (k1 * y2 - k2 * y1) / area;
    const double gy = (k2 * x1 - k1 * x2) / area;
    const double allowance = HiddenLineSlopeAllowance * (std::fabs(gx) + std::fabs(gy));
    return std::isfinite(allowance) ? allowance : 0.0;
}

// The edges between vertices on pixels walked so far in a call, by the numbers of their end
// vertices in drawing order, with the allowance they were walked with. Such an edge walked again in
// the same direction has the same pixels and keys, so with an allowance no larger it keeps nothing
// new and is passed over. One slot per hash value: an edge that loses its slot is walked again.
class TEdgeMemory {
public:
    TEdgeMemory() { slots_.fill({Empty, 0}); }

    // Whether the edge was walked with at least this allowance; if not, it is remembered as
    // walked now.
    bool Covers(std::uint32_t from, std::uint32_t to, double allowance) {
        const std::uint64_t key = (std::uint64_t(from) << 32) | to;
        TSlot& slot = slots_[(key * 0x9E3779B97F4A7C15u) >> (64 - SlotBits)];
        if (slot.Key == key && slot.Allowance >= allowance) {
            return true;
        }
        slot = {key, allowance};
        return false;
    }

private:
    struct TSlot {
        std::uint64_t Key;
        double Allowance;
    };
    static constexpr int SlotBits = 12;
    static constexpr std::uint64_t Empty = ~std::uint64_t(0); // vertex numbers are below 2^31
    std::array<TSlot, std::size_t(1) << SlotBits> slots_;
};

} // namespace

void DrawObject3DHidden(const TImageView& image, const TObject3D& object,
                        const TDepthBuffer& buffer, std::vector<TPlacedCorner>& placed) {
    if (object.FaceCount <= 0 ||
        (ProjectionMode != ParallelProjection && ProjectionMode != PerspectiveProjection)) {
        return;
    }
    const bool perspective = ProjectionMode == PerspectiveProjection;
    const double moveBack = ViewNavigation.MoveBack;
    const TPaneBase base = PlaceWorldVertices(object, placed);
    const THiddenWalk walk(image, buffer, perspective);
    const auto count =
        std::uint32_t(std::max(0, std::min(object.VertexCount, object.WorldVertices.Count())));
    const std::int32_t faces = std::clamp(object.FaceCount, 0, object.Faces.Count());
    std::array<TEnd, 3> ends;
    ends.fill({base.X, base.Y, Far, walk.Contains(base.X, base.Y)});
    TEdgeMemory walked;
    for (std::int32_t i = 1; i <= faces; ++i) {
        const TFace3D& face = object.Faces[i];
        if (face.A - 1 >= count || face.B - 1 >= count || face.C - 1 >= count) {
            continue;
        }
        if (!base.InRange) {
            RaiseInvalidOperation();
        }
        const std::uint32_t numbers[3] = {face.A, face.B, face.C};
        for (std::size_t k = 0; k < 3; ++k) {
            const TPlacedCorner& c = placed[numbers[k]];
            if (c.Placement == TCornerPlacement::Raises) {
                RaiseInvalidOperation();
            }
        }
        bool pixel[3];
        for (std::size_t k = 0; k < 3; ++k) {
            const TPlacedCorner& c = placed[numbers[k]];
            pixel[k] = c.Placement == TCornerPlacement::Pixel;
            if (pixel[k]) {
                const double z = object.WorldVertices[std::int32_t(numbers[k])].Z;
                // The key of DepthKey, worked out here where it is cheaper than a call.
                const double key = perspective ? -1.0 / (moveBack - z) : -z;
                ends[k] = {c.X, c.Y, key, walk.Contains(c.X, c.Y)};
            } else {
                ends[k].Key = Far; // the previous face's pixel, at no known depth
            }
        }
        if (walk.Empty()) {
            continue;
        }
        const double allowance = Allowance(ends);
        constexpr std::size_t Edges[3][2] = {{0, 1}, {1, 2}, {0, 2}};
        for (const auto& e : Edges) {
            const bool placed = pixel[e[0]] && pixel[e[1]];
            if (!placed || !walked.Covers(numbers[e[0]], numbers[e[1]], allowance)) {
                walk.Edge(ends[e[0]], ends[e[1]], allowance);
            }
        }
    }
}

void DrawObject3DHidden(const TImageView& image, const TObject3D& object, TDepthBuffer& buffer) {
    DrawObject3DHidden(image, object, buffer, buffer.PlacedScratch);
}

} // namespace ZuveloGraphLibrary
