#include "DrawModes.h"

#include "FaceFill.h"
#include "HiddenLines.h"
#include "RasterCanvas.h"
#include "Renderer.h"
#include "SolidSurfaces.h"

namespace ZuveloGraphLibrary {

std::optional<TDrawMode> DrawModeNamed(std::string_view word) {
    if (word == "wire") {
        return TDrawMode::Wireframe;
    }
    if (word == "hidden") {
        return TDrawMode::HiddenLines;
    }
    if (word == "solid") {
        return TDrawMode::SolidSurfaces;
    }
    return std::nullopt;
}

void DrawObjects3D(const TImageView& image, std::span<const TPaneObject> objects, TDrawMode mode,
                   TDepthBuffer& buffer) {
    FillObjectsDepth(image, objects, mode, buffer);
    DrawObjectsOverDepth(image, objects, mode, buffer);
}

void FillObjectsDepth(const TImageView& image, std::span<const TPaneObject> objects, TDrawMode mode,
                      TDepthBuffer& buffer) {
    if (mode != TDrawMode::Wireframe) {
        buffer.Prepare(image.Width, image.Height);
        for (const TPaneObject& o : objects) {
            FillDepth(buffer, *o.Object,
                      mode == TDrawMode::SolidSurfaces ? TFillFor::Surfaces : TFillFor::Lines);
        }
    }
}

void DrawObjectsOverDepth(const TImageView& image, std::span<const TPaneObject> objects,
                          TDrawMode mode, TDepthBuffer& buffer) {
    for (const TPaneObject& o : objects) {
        SetDrawColor(o.Color.R, o.Color.G, o.Color.B);
        switch (mode) {
        case TDrawMode::Wireframe:
            DrawObject3D(image, *o.Object);
            break;
        case TDrawMode::HiddenLines:
            DrawObject3DHidden(image, *o.Object, buffer);
            break;
        case TDrawMode::SolidSurfaces:
            if (o.Looks != nullptr) {
                DrawObject3DSolid(image, *o.Object, *o.Looks, buffer);
            } else {
                DrawObject3DSolid(image, *o.Object, buffer);
            }
            break;
        }
    }
}

} // namespace ZuveloGraphLibrary
