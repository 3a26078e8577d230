// Thumbnails for file managers: the whole model of a .3DS file, fitted, turned so that it shows
// its three dimensions, in white on the panes' background, drawn at the thumbnail's own size so
// that its lines stay one pixel wide and clear however small the picture.
#pragma once

#include "DepthBuffer.h"
#include "DrawModes.h"
#include "ImageView.h"
#include "MeshObject.h"
#include "ModelLooks.h"

#include <QString>

#include <functional>
#include <string>

namespace Plexa3DApp {

// The turn at which a thumbnail shows its model: 30 degrees about the model's up axis (Z, as in
// .3DS files), bringing its +X side towards the viewer, then tipped from the top view so that it is
// seen from 30 degrees above the horizon.
struct TThumbnailTurn {
    int AboutUp;
    int Tip;
};
inline constexpr TThumbnailTurn ThumbnailTurn{-30, 60};

// Draws the object into the image: fitted, turned by ThumbnailTurn, in white, in parallel
// projection, its picture centred and as large as the image allows but for a margin; as shaded
// surfaces (in the colours of its looks, when given), or in the mode given. The object's vertices
// are changed. The library's drawing state is as before afterwards, also after an error. Returns
// false, drawing nothing, when the object has no face to draw.
bool DrawThumbnail(
    ZuveloGraphLibrary::TObject3D& object, const ZuveloGraphLibrary::TImageView& image,
    ZuveloGraphLibrary::TDrawMode mode = ZuveloGraphLibrary::TDrawMode::SolidSurfaces,
    const ZuveloGraphLibrary::TModelLooks* looks = nullptr);

// How many times larger than the picture a thumbnail of shaded surfaces is drawn before it is
// reduced, so that its outline is smooth: up to 4, less for large pictures, 1 from 2048 pixels.
int ThumbnailSupersampling(int size);

// What a caller does while a thumbnail of shaded surfaces is drawn, each step with the depth
// buffer it has: `Glimpsed`, when given, once the faces are filled in at a quarter of the width
// and height, framed alike (a face that owns a pixel there is almost always seen); `Filled` once
// they are filled in. Until Filled returns, the looks' images may still be being completed. Neither
// is called when there is nothing to draw.
struct TThumbnailSteps {
    std::function<void(const ZuveloGraphLibrary::TDepthBuffer&)> Glimpsed;
    std::function<void(const ZuveloGraphLibrary::TDepthBuffer&)> Filled;
};

// The shaded surfaces of DrawThumbnail drawn `factor` times larger in each direction and reduced
// onto the image: each pixel the mean of the factor x factor pixels it covers, where no face lies
// the image's own pixel.
bool DrawSmoothThumbnail(ZuveloGraphLibrary::TObject3D& object,
                         const ZuveloGraphLibrary::TModelLooks& looks,
                         const ZuveloGraphLibrary::TImageView& image, int factor,
                         const TThumbnailSteps& steps = {});

// Reads the whole model of `input` with its looks and the images it names, and writes its
// thumbnail of size x size pixels as a PNG file, on the background of the panes found in the
// program's folder `appDir` (written with backslashes); shaded surfaces are smoothed. Raises the
// reader's errors, an error when there is nothing to draw, and one naming the output file when it
// cannot be written; nothing is written then. What could not be shown of the model's looks is
// told as notices.
void WriteThumbnail(
    int size, const std::string& input, const QString& output, const std::string& appDir,
    ZuveloGraphLibrary::TDrawMode mode = ZuveloGraphLibrary::TDrawMode::SolidSurfaces);

} // namespace Plexa3DApp
