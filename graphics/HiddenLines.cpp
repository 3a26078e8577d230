#include "HiddenLines.h"

#include "DdaWalk.h"
#include "DrawingState.h"
#include "FaceFill.h"
#include "GraphErrors.h"
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
    double Key; // not finite when unknown
};

class THiddenWalk {
public:
    THiddenWalk(const TImageView& image, const TDepthBuffer& buffer, bool perspective)
        : image_(image), buffer_(buffer), perspective_(perspective), color_(DrawColor),
          window_{std::max<std::int64_t>(ClipRect.Left, 0), std::max<std::int64_t>(ClipRect.Top, 0),
                  std::min<std::int64_t>(ClipRect.Right, std::int64_t(image.Width) - 1),
                  std::min<std::int64_t>(ClipRect.Bottom, std::int64_t(image.Height) - 1)} {}

    bool Empty() const { return window_.Left > window_.Right || window_.Top > window_.Bottom; }

    // The steps of the line from a to b that land in the window, each kept or not.
    void Edge(const TEnd& a, const TEnd& b, double allowance) const {
        const Detail::TDda dda = Detail::MakeDda(a.X, a.Y, b.X, b.Y);
        Detail::TStepCount first = 0;
        Detail::TStepCount last = dda.Steps;
        double px = dda.StartX;
        double py = dda.StartY;
        if (!window_.Contains(a.X, a.Y) || !window_.Contains(b.X, b.Y)) {
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
};

// The allowance of a face from the plane of its three ends; 0 when there is none.
double Allowance(const std::array<TEnd, 3>& e) {
    const double x1 = double(e[1].X - e[0].X), y1 = double(e[1].Y - e[0].Y);
    const double x2 = double(e[2].X - e[0].X), y2 = double(e[2].Y - e[0].Y);
    const double area = x1 * y2 - y1 * x2;
    const double k1 = e[1].Key - e[0].Key;
    const double k2 = e[2].Key - e[0].Key;
    const double gx = (k1 * y2 - k2 * y1) / area;
    const double gy = (k2 * x1 - k1 * x2) / area;
    const double allowance = HiddenLineSlopeAllowance * (std::fabs(gx) + std::fabs(gy));
    return std::isfinite(allowance) ? allowance : 0.0;
}

[[noreturn]] void RaiseInvalidOperation() {
    throw FloatingPointError(FloatFault::InvalidOperation);
}

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
    ends.fill({base.X, base.Y, Far});
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
        for (std::size_t k = 0; k < 3; ++k) {
            const TPlacedCorner& c = placed[numbers[k]];
            if (c.Placement == TCornerPlacement::Pixel) {
                const double z = object.WorldVertices[std::int32_t(numbers[k])].Z;
                ends[k] = {c.X, c.Y,
                           Detail::DepthKey(perspective ? moveBack - z : -z, perspective)};
            } else {
                ends[k].Key = Far; // the previous face's pixel, at no known depth
            }
        }
        if (walk.Empty()) {
            continue;
        }
        const double allowance = Allowance(ends);
        walk.Edge(ends[0], ends[1], allowance);
        walk.Edge(ends[1], ends[2], allowance);
        walk.Edge(ends[0], ends[2], allowance);
    }
}

void DrawObject3DHidden(const TImageView& image, const TObject3D& object, TDepthBuffer& buffer) {
    DrawObject3DHidden(image, object, buffer, buffer.PlacedScratch);
}

} // namespace ZuveloGraphLibrary
