#include "DrawingState.h"

namespace ZuveloGraphLibrary {

TDrawingState DrawingState;

} // namespace ZuveloGraphLibrary
