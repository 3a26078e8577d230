// The graphics library: angle tables, raster canvas, bitmap font, mesh records, the .3DS reader
// and the wireframe renderer. It keeps its drawing state in module-level variables that the
// editor sets before it draws; it knows nothing of any window system.
#pragma once

#include "AngleTables.h"
#include "BitmapFont.h"
#include "DepthBuffer.h"
#include "DrawingState.h"
#include "FaceFill.h"
#include "FitPlacement.h"
#include "GraphErrors.h"
#include "HiddenLines.h"
#include "ImageView.h"
#include "Import3DS.h"
#include "Import3DSModel.h"
#include "MeshObject.h"
#include "RasterCanvas.h"
#include "Renderer.h"
#include "SolidSurfaces.h"

namespace ZuveloGraphLibrary {

// Puts the drawing state back to what the program starts with: clip window (0, 0, 0, 0), black
// line and text colours, no glyphs and advance 0, view origin (0, 0), projection mode 0, the
// perspective constants 0 and the initial view.
void ResetGraphicsState();

} // namespace ZuveloGraphLibrary
