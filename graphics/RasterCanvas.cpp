#include "RasterCanvas.h"

#include "DdaWalk.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ZuveloGraphLibrary {

TClipRect ClipRect;
TColorRGB DrawColor;

namespace {

using Detail::TDda;
using Detail::TStepCount;

// Lines of up to this many steps, with end points in the 32-bit range, are simply walked: that is
// quicker than locating their visible part first.
constexpr TStepCount ShortLineSteps = 4096;
constexpr std::int64_t ShortLineReach = std::int64_t(1) << 31;

// The pixels that can be written: the clip window cut to the image's own rows and columns.
struct TPixelWindow {
    std::int64_t Left, Top, Right, Bottom;

    bool Empty() const { return Left > Right || Top > Bottom; }
    bool Contains(std::int64_t x, std::int64_t y) const {
        return x >= Left && x <= Right && y >= Top && y <= Bottom;
    }
};

TPixelWindow PixelWindow(const TImageView& image) {
    return {std::max<std::int64_t>(ClipRect.Left, 0), std::max<std::int64_t>(ClipRect.Top, 0),
            std::min<std::int64_t>(ClipRect.Right, std::int64_t(image.Width) - 1),
            std::min<std::int64_t>(ClipRect.Bottom, std::int64_t(image.Height) - 1)};
}

inline void WritePixel(const TImageView& image, std::int64_t x, std::int64_t y, TColorRGB c) {
    std::uint8_t* p = image.ScanLine(static_cast<std::int32_t>(y)) + 3 * x;
    p[0] = c.B;
    p[1] = c.G;
    p[2] = c.R;
}

// Round to nearest, ties to even, for a DDA position; positions that round beyond +-2^62 lie
// outside every window and are reported as such instead of being converted.
inline bool RoundPosition(double v, std::int64_t& out) {
    const double r = std::nearbyint(v);
    if (!(r >= -0x1p62 && r <= 0x1p62)) {
        return false;
    }
    out = static_cast<std::int64_t>(r);
    return true;
}

inline void PlotPosition(const TImageView& image, const TPixelWindow& window, double px, double py,
                         TColorRGB color) {
    std::int64_t x = 0;
    std::int64_t y = 0;
    if (RoundPosition(px, x) && RoundPosition(py, y) && window.Contains(x, y)) {
        WritePixel(image, x, y, color);
    }
}

bool IsShortLine(const TDda& dda, std::int64_t x1, std::int64_t y1, std::int64_t x2,
                 std::int64_t y2) {
    const auto near = [](std::int64_t v) { return v > -ShortLineReach && v < ShortLineReach; };
    return dda.Steps <= ShortLineSteps && near(x1) && near(y1) && near(x2) && near(y2);
}

void WalkShortLine(const TImageView& image, const TPixelWindow& window, const TDda& dda,
                   TColorRGB color) {
    double px = dda.StartX;
    double py = dda.StartY;
    const auto n = static_cast<std::int64_t>(dda.Steps);
    for (std::int64_t k = 0;; ++k) {
        // Positions stay within the end points' 32-bit range, so lrint cannot overflow here.
        const std::int64_t x = std::lrint(px);
        const std::int64_t y = std::lrint(py);
        if (window.Contains(x, y)) {
            WritePixel(image, x, y, color);
        }
        if (k == n) {
            break;
        }
        px += dda.StepX;
        py += dda.StepY;
    }
}

// Walks only the steps whose position lands in the window: the steps that round into the window's
// columns and those that round into its rows are two ranges, and only their overlap can land.
void WalkVisiblePart(const TImageView& image, const TPixelWindow& window, const TDda& dda,
                     TColorRGB color) {
    const auto columns =
        Detail::StepsRoundingInto(dda.StartX, dda.StepX, dda.Steps, window.Left, window.Right);
    const auto rows =
        Detail::StepsRoundingInto(dda.StartY, dda.StepY, dda.Steps, window.Top, window.Bottom);
    if (columns.Empty || rows.Empty) {
        return;
    }
    const TStepCount first = std::max(columns.First, rows.First);
    const TStepCount last = std::min(columns.Last, rows.Last);
    if (first > last) {
        return;
    }
    double px = Detail::SumAfter(dda.StartX, dda.StepX, first);
    double py = Detail::SumAfter(dda.StartY, dda.StepY, first);
    for (TStepCount k = first;; ++k) {
        PlotPosition(image, window, px, py, color);
        if (k == last) {
            break;
        }
        px += dda.StepX;
        py += dda.StepY;
    }
}

} // namespace

void PutPixel(const TImageView& image, std::int32_t X, std::int32_t Y, std::uint8_t R,
              std::uint8_t G, std::uint8_t B) {
    if (X < ClipRect.Left || X > ClipRect.Right || Y < ClipRect.Top || Y > ClipRect.Bottom) {
        return;
    }
    if (X < 0 || X >= image.Width || Y < 0 || Y >= image.Height) {
        return; // inside the clip window but outside this image's bitmap
    }
    WritePixel(image, X, Y, {R, G, B});
}

void DrawLineStepByStep(const TImageView& image, std::int64_t X1, std::int64_t Y1, std::int64_t X2,
                        std::int64_t Y2, TColorRGB color) {
    const TPixelWindow window = PixelWindow(image);
    Detail::ForEachDdaStep(Detail::MakeDda(X1, Y1, X2, Y2), [&](double px, double py) {
        PlotPosition(image, window, px, py, color);
    });
}

void DrawLineWide(const TImageView& image, std::int64_t X1, std::int64_t Y1, std::int64_t X2,
                  std::int64_t Y2, TColorRGB color) {
    const TPixelWindow window = PixelWindow(image);
    if (window.Empty()) {
        return;
    }
    const TDda dda = Detail::MakeDda(X1, Y1, X2, Y2);
    if (IsShortLine(dda, X1, Y1, X2, Y2)) {
        WalkShortLine(image, window, dda, color);
    } else {
        WalkVisiblePart(image, window, dda, color);
    }
}

void DrawLine(const TImageView& image, std::int32_t X1, std::int32_t Y1, std::int32_t X2,
              std::int32_t Y2, std::uint8_t R, std::uint8_t G, std::uint8_t B) {
    DrawLineWide(image, X1, Y1, X2, Y2, {R, G, B});
}

void DrawTriangleWide(const TImageView& image, std::int64_t X1, std::int64_t Y1, std::int64_t X2,
                      std::int64_t Y2, std::int64_t X3, std::int64_t Y3, TColorRGB color) {
    DrawLineWide(image, X1, Y1, X2, Y2, color);
    DrawLineWide(image, X2, Y2, X3, Y3, color);
    DrawLineWide(image, X1, Y1, X3, Y3, color);
}

void DrawTriangle(const TImageView& image, std::int32_t X1, std::int32_t Y1, std::int32_t X2,
                  std::int32_t Y2, std::int32_t X3, std::int32_t Y3, std::uint8_t R, std::uint8_t G,
                  std::uint8_t B) {
    DrawTriangleWide(image, X1, Y1, X2, Y2, X3, Y3, {R, G, B});
}

void SetClipRect(std::int32_t Left, std::int32_t Top, std::int32_t Right, std::int32_t Bottom) {
    ClipRect = {Left, Top, Right, Bottom};
}

void SetDrawColor(std::uint8_t R, std::uint8_t G, std::uint8_t B) {
    DrawColor = {R, G, B};
}

void CopyImagePixels(const TImageView& source, const TImageView& destination) {
    const std::int32_t width = std::min(source.Width, destination.Width);
    const std::int32_t height = std::min(source.Height, destination.Height);
    if (width <= 0) {
        return;
    }
    for (std::int32_t y = 0; y < height; ++y) {
        std::memcpy(destination.ScanLine(y), source.ScanLine(y), std::size_t(3) * width);
    }
}

} // namespace ZuveloGraphLibrary
