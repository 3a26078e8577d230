// Exact replay of a DDA's running sums without performing every addition, so that a line can be
// drawn from the first step that lands in the clip window to the last one.
#pragma once

#include <cstdint>

namespace ZuveloGraphLibrary::Detail {

using TStepCount = unsigned __int128;

// The line routine's digital differential analyser: from (X1, Y1) it makes Steps additions of
// (StepX, StepY), and the rounded position before each addition and after the last is written.
struct TDda {
    TStepCount Steps; // N = max(|X2 - X1|, |Y2 - Y1|) + 1
    double StartX, StartY, StepX, StepY;
};

TDda MakeDda(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2);

// Calls visit(px, py) with each of the N + 1 unrounded positions, in order, one addition at a
// time: the definition of the line that every faster walk must reproduce.
template <class Visit> void ForEachDdaStep(const TDda& dda, Visit&& visit) {
    double px = dda.StartX;
    double py = dda.StartY;
    for (TStepCount k = 0; k < dda.Steps; ++k) {
        visit(px, py);
        px += dda.StepX;
        py += dda.StepY;
    }
    visit(px, py);
}

// The sum after k additions of step to start, x_k = fl(x_(k-1) + step), bit for bit as the plain
// loop computes it.
double SumAfter(double start, double step, TStepCount k);

struct TStepRange {
    bool Empty = true;
    TStepCount First = 0;
    TStepCount Last = 0;
};

// The steps k in [0, n] whose running sum x_k rounds (to nearest, ties to even) into [lo, hi].
// The sums move in one direction, so these steps form one contiguous range.
TStepRange StepsRoundingInto(double start, double step, TStepCount n, std::int64_t lo,
                             std::int64_t hi);

} // namespace ZuveloGraphLibrary::Detail
