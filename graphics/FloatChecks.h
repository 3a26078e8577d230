// Floating-point faults are errors, never quiet NaNs or infinities. The hardware records every
// invalid operation, division by zero and overflow in its status flags; a routine clears them
// before its arithmetic and raises the first fault found once its values are stored. That costs
// two flag operations per routine, however many values it computes.
#pragma once

namespace ZuveloGraphLibrary {

void ClearFloatFaults();

// Raises FloatingPointError for a fault recorded since the last ClearFloatFaults: an invalid
// operation first, then a division by zero, then an overflow.
void RaiseFloatFaults();

} // namespace ZuveloGraphLibrary
