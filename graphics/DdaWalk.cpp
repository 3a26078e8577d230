#include "DdaWalk.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>

namespace ZuveloGraphLibrary::Detail {
namespace {

// A running sum with a non-negative step. Between two powers of two all doubles lie on one grid;
// while an exact sum stays within the closed interval of that grid, rounding it to the nearest
// double is rounding it on the grid, and every addition moves the sum by the same number of grid
// units (after at most one addition that settles a tie onto an even unit). Such stretches are
// skipped in closed form; the additions across a grid boundary are made one at a time.
class TRunningSum {
public:
    TRunningSum(double start, double step) : value_(start), step_(step) {}

    double Value() const { return value_; }
    TStepCount Index() const { return index_; }

    // Advances until the sum reaches t (value >= t, or value > t when strict) or until `limit`
    // additions have been made in all. Returns whether t was reached.
    bool AdvanceUntil(double t, bool strict, TStepCount limit);

private:
    bool Reached(double t, bool strict) const { return strict ? value_ > t : value_ >= t; }
    bool SkipStretch(double t, bool strict, TStepCount limit);

    double value_;
    double step_;
    TStepCount index_ = 0;
};

struct TGrid {
    int UnitExponent;   // the grid spacing is 2^UnitExponent
    std::int64_t Upper; // last grid point, in units, up to which sums are rounded on this grid
};

// x times 2^e, exactly as ldexp gives it: while 2^e is a normal double the product is rounded once,
// as ldexp rounds, and a multiplication costs far less than the library call.
double Scaled(double x, int e) {
    if (e >= DBL_MIN_EXP - 1 && e <= DBL_MAX_EXP - 1) {
        return x * std::bit_cast<double>(std::uint64_t(e + 1023) << 52);
    }
    return std::ldexp(x, e);
}

// ilogb, read from the exponent field of a double of normal size.
int BinaryExponent(double x) {
    const auto field = static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7FF);
    return field == 0 || field == 0x7FF ? std::ilogb(x) : field - 1023;
}

// The grid on which the sums just above x lie. None for zero and subnormal x.
bool GridAbove(double x, TGrid& grid) {
    if (std::fabs(x) < DBL_MIN) {
        return false;
    }
    if (x > 0) {
        grid = {BinaryExponent(x) - 52, std::int64_t(1) << 53};
        return true;
    }
    int e = BinaryExponent(-x);
    if (-x == Scaled(1.0, e)) {
        --e; // -2^e is the lower end of the finer grid that runs up to -2^(e-1)
    }
    grid = {e - 52, -(std::int64_t(1) << 52)};
    return true;
}

bool TRunningSum::SkipStretch(double t, bool strict, TStepCount limit) {
    TGrid grid{};
    if (!GridAbove(value_, grid)) {
        return false;
    }
    const double units = Scaled(step_, -grid.UnitExponent); // exact: a power-of-two scale
    if (units >= 0x1p52) {
        return false;
    }
    // 0 <= units < 2^52: the conversion truncates, which here is floor, exactly.
    const auto q = static_cast<std::int64_t>(units);
    const double fraction = units - static_cast<double>(q);
    const auto a = static_cast<std::int64_t>(Scaled(value_, -grid.UnitExponent));
    std::int64_t increment = q;
    if (fraction > 0.5) {
        increment = q + 1;
    } else if (fraction == 0.5) {
        if ((a & 1) != 0) {
            return false; // one addition rounds onto an even unit; from there the tie is settled
        }
        increment = (q & 1) != 0 ? q + 1 : q;
    }
    // An addition from a is rounded on this grid while a + units stays at or below the upper end.
    const std::int64_t lastStart = grid.Upper - (fraction == 0 ? q : q + 1);
    if (a > lastStart) {
        return false;
    }
    if (increment == 0) {
        index_ = limit; // the sum no longer moves, and t lies above it
        return true;
    }
    TStepCount steps = TStepCount((lastStart - a) / increment) + 1;
    const double target = Scaled(t, -grid.UnitExponent);
    if (target <= static_cast<double>(grid.Upper)) {
        // t lies on this grid, above the sum: a whole number of units away.
        const auto units_to_t = static_cast<std::int64_t>(target) - a;
        const std::int64_t need =
            strict ? units_to_t / increment + 1 : (units_to_t + increment - 1) / increment;
        steps = std::min(steps, TStepCount(need));
    }
    steps = std::min(steps, limit - index_);
    value_ = Scaled(static_cast<double>(a + static_cast<std::int64_t>(steps) * increment),
                    grid.UnitExponent);
    index_ += steps;
    return true;
}

bool TRunningSum::AdvanceUntil(double t, bool strict, TStepCount limit) {
    while (!Reached(t, strict)) {
        if (index_ >= limit) {
            return false;
        }
        if (step_ == 0.0) {
            index_ = limit;
        } else if (!SkipStretch(t, strict, limit)) {
            value_ += step_;
            ++index_;
        }
    }
    return true;
}

} // namespace

namespace {

std::uint64_t Distance(std::int64_t a, std::int64_t b) {
    return a <= b ? std::uint64_t(b) - std::uint64_t(a) : std::uint64_t(a) - std::uint64_t(b);
}

} // namespace

TDda MakeDda(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    const std::uint64_t adx = Distance(x1, x2);
    const std::uint64_t ady = Distance(y1, y2);
    const TStepCount n = TStepCount(std::max(adx, ady)) + 1;
    const auto steps = static_cast<double>(n);
    double stepX = static_cast<double>(adx) / steps;
    double stepY = static_cast<double>(ady) / steps;
    if (x1 > x2) {
        stepX = -stepX;
    }
    if (y2 < y1) {
        stepY = -stepY;
    }
    return {n, static_cast<double>(x1), static_cast<double>(y1), stepX, stepY};
}

double SumAfter(double start, double step, TStepCount k) {
    // Rounding to nearest is symmetric, so a falling sum is the mirror of a rising one.
    const double sign = step < 0 ? -1.0 : 1.0;
    TRunningSum sum(sign * start, sign * step);
    sum.AdvanceUntil(std::numeric_limits<double>::infinity(), false, k);
    const double value = sign * sum.Value();
    return value == 0 ? 0.0 : value; // a plain sum from an integer start is never -0
}

TStepRange StepsRoundingInto(double start, double step, TStepCount n, std::int64_t lo,
                             std::int64_t hi) {
    if (step < 0) {
        start = -start;
        step = -step;
        std::swap(lo, hi);
        lo = -lo;
        hi = -hi;
    }
    TStepRange range;
    if (lo > hi) {
        return range;
    }
    // round(x) >= c exactly when x passes c - 0.5, the tie itself counting when c is even.
    TRunningSum sum(start, step);
    if (!sum.AdvanceUntil(static_cast<double>(lo) - 0.5, (lo & 1) != 0, n)) {
        return range;
    }
    const TStepCount first = sum.Index();
    TStepCount last = n;
    if (sum.AdvanceUntil(static_cast<double>(hi) + 0.5, ((hi + 1) & 1) != 0, n)) {
        if (sum.Index() == first) {
            return range; // the sums jump over [lo, hi] between two steps
        }
        last = sum.Index() - 1;
    }
    range.Empty = false;
    range.First = first;
    range.Last = last;
    return range;
}

} // namespace ZuveloGraphLibrary::Detail
