// The three ways a pane shows its objects: their wires, the wires not hidden by the faces in front
// (HiddenLines.h), or the faces themselves, shaded (SolidSurfaces.h). The last two draw from one
// depth buffer, filled with every face drawn in the pane before anything is drawn.
#pragma once

#include "DepthBuffer.h"
#include "ImageView.h"
#include "MeshObject.h"
#include "ModelLooks.h"

#include <optional>
#include <span>
#include <string_view>

namespace ZuveloGraphLibrary {

enum class TDrawMode { Wireframe, HiddenLines, SolidSurfaces };

// The words that name the modes on the command line: wire, hidden, solid.
std::optional<TDrawMode> DrawModeNamed(std::string_view word);

// An object as a pane draws it: in this colour, as its vertices stand; its surfaces as its looks
// give them, or one shaded colour without.
struct TPaneObject {
    const TObject3D* Object = nullptr;
    TColorRGB Color{};
    const TModelLooks* Looks = nullptr;
};

// Draws the objects into the image in order, each in its colour, as the projection in force
// places them. In the wireframe mode it is DrawObject3D for each, and the buffer is not touched.
// Otherwise the buffer is prepared for the image's size and every face of every object filled
// into it first. The DrawColor in force afterwards is the last object's.
void DrawObjects3D(const TImageView& image, std::span<const TPaneObject> objects, TDrawMode mode,
                   TDepthBuffer& buffer);

// DrawObjects3D in its two steps, for a caller with work of its own between them: the buffer
// prepared and filled (which reads the objects but not their looks), then the objects drawn.
void FillObjectsDepth(const TImageView& image, std::span<const TPaneObject> objects, TDrawMode mode,
                      TDepthBuffer& buffer);
void DrawObjectsOverDepth(const TImageView& image, std::span<const TPaneObject> objects,
                          TDrawMode mode, TDepthBuffer& buffer);

} // namespace ZuveloGraphLibrary
