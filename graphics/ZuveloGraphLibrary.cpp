#include "ZuveloGraphLibrary.h"

namespace ZuveloGraphLibrary {

void ResetGraphicsState() {
    ClipRect = {};
    DrawColor = {};
    FontGlyphs = {};
    TextColor = {};
    ViewOrigin = {};
    ProjectionMode = 0;
    PerspectiveDistance = 0;
    PerspectiveAspect = 0;
    ResetViewNavigation();
}

} // namespace ZuveloGraphLibrary
