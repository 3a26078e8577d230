#include "ZuveloGraphLibrary.h"

namespace ZuveloGraphLibrary {

void ResetGraphicsState() {
    DrawingState = {};
}

} // namespace ZuveloGraphLibrary
