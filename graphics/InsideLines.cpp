#include "InsideLines.h"

#include <algorithm>
#include <array>

namespace ZuveloGraphLibrary::Detail {
namespace {

// Division in a constant expression is the correctly rounded IEEE quotient, as at run time.
constexpr auto MakeQuotients() {
    std::array<double, QuotientTableSteps*(QuotientTableSteps + 1) / 2> table{};
    for (std::int32_t n = 1; n <= QuotientTableSteps; ++n) {
        for (std::int32_t a = 0; a < n; ++a) {
            table[n * (n - 1) / 2 + a] = static_cast<double>(a) / static_cast<double>(n);
        }
    }
    return table;
}

constexpr std::int64_t InsideLimit = std::int64_t(1) << 24;

} // namespace

constexpr std::array<double, QuotientTableSteps*(QuotientTableSteps + 1) / 2> StepQuotients =
    MakeQuotients();

TWritableWindow WritableWindow(const TImageView& image) {
    return {std::max<std::int64_t>(ClipRect.Left, 0), std::max<std::int64_t>(ClipRect.Top, 0),
            std::min<std::int64_t>(ClipRect.Right, std::int64_t(image.Width) - 1),
            std::min<std::int64_t>(ClipRect.Bottom, std::int64_t(image.Height) - 1)};
}

bool WalksStayInside(const TWritableWindow& window) {
    return window.Left <= window.Right && window.Top <= window.Bottom && window.Left >= 0 &&
           window.Top >= 0 && window.Right < InsideLimit && window.Bottom < InsideLimit;
}

} // namespace ZuveloGraphLibrary::Detail
