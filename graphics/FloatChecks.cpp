#include "FloatChecks.h"

#include "GraphErrors.h"

#include <cfenv>

namespace ZuveloGraphLibrary {

void ClearFloatFaults() {
    std::feclearexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
}

void RaiseFloatFaults() {
    const int flags = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    if (flags == 0) {
        return;
    }
    ClearFloatFaults();
    if (flags & FE_INVALID) {
        throw FloatingPointError(FloatFault::InvalidOperation);
    }
    if (flags & FE_DIVBYZERO) {
        throw FloatingPointError(FloatFault::DivisionByZero);
    }
    throw FloatingPointError(FloatFault::Overflow);
}

} // namespace ZuveloGraphLibrary
