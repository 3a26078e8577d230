#include "Thumbnail.h"

#include "DataFiles.h"
#include "FitPlacement.h"
#include "GraphErrors.h"
#include "Import3DSModel.h"
#include "PngFiles.h"
#include "RasterCanvas.h"
#include "Renderer.h"
#include "Scene.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace Plexa3DApp {
namespace {

using namespace ZuveloGraphLibrary;

constexpr TColorRGB LineColor{255, 255, 255};
constexpr int MarginDivisor = 16; // the margin on each side is this part of the image's size

// Zoom and shift that put the projected extent in the middle of the image, its longer side
// spanning the image but for the margins. An extent without width or height is only centred.
TViewNavigation Framing(const TProjectedExtent& extent, int width, int height) {
    const auto usable = [](int side) { return std::max(0, side - 1 - 2 * (side / MarginDivisor)); };
    const double spanX = extent.MaxX - extent.MinX;
    const double spanY = extent.MaxY - extent.MinY;
    double zoom = 1;
    if (spanX > 0 || spanY > 0) {
        zoom = std::min(spanX > 0 ? usable(width) / spanX : HUGE_VAL,
                        spanY > 0 ? usable(height) / spanY : HUGE_VAL);
    }
    TViewNavigation navigation;
    if (!std::isfinite(zoom * (std::abs(extent.MinX) + std::abs(extent.MaxX) +
                               std::abs(extent.MinY) + std::abs(extent.MaxY)))) {
        // An extent beyond any scale: the fitted radius is framed instead.
        navigation.Zoom = usable(std::min(width, height)) / (2 * FitRadius);
        navigation.ShiftX = (width - 1) / 2.0;
        navigation.ShiftY = (height - 1) / 2.0;
        return navigation;
    }
    // With the view origin at (0, 0), pane x = Round(zoom x + ShiftX), y = -Round(zoom y - ShiftY).
    navigation.Zoom = zoom;
    navigation.ShiftX = (width - 1) / 2.0 - zoom * (extent.MinX + extent.MaxX) / 2;
    navigation.ShiftY = (height - 1) / 2.0 + zoom * (extent.MinY + extent.MaxY) / 2;
    return navigation;
}

} // namespace

bool DrawThumbnail(TObject3D& object, const TImageView& image, TDrawMode mode) {
    if (!FitObjectVertices(object)) {
        return false;
    }
    ParkUnusedVertices(object);
    SetObjectPivot(0, 0, 0, object);
    SetObjectPosition(0, 0, 0, object);
    RotateObject(0, 0, ThumbnailTurn.AboutUp, object);
    RotateObject(ThumbnailTurn.Tip, 0, 0, object);
    TransformObject(object);

    const TDrawingStateGuard saved;
    SetParallelProjection();
    const TProjectedExtent extent = ProjectedExtent(object);
    if (extent.Empty) {
        return false;
    }
    SetClipRect(0, 0, image.Width - 1, image.Height - 1);
    SetViewOrigin(0, 0);
    SetViewNavigation(Framing(extent, image.Width, image.Height));
    TDepthBuffer buffer;
    const TPaneObject drawn[] = {{&object, LineColor}};
    DrawObjects3D(image, drawn, mode, buffer);
    return true;
}

void WriteThumbnail(int size, const std::string& input, const QString& output,
                    const std::string& appDir, TDrawMode mode) {
    TObject3D object;
    const TModelReading reading = Load3DSModel(input, object);

    // The panes' background, the larger one for large thumbnails, cut to its middle square.
    const QString path = DataFileName(
        appDir + (size <= SmallPane.Height ? "Bmps\\bk400x300.bmp" : "Bmps\\bk800x600.bmp"));
    QImage background;
    if (!background.loadFromData(ReadFileBytes(path), "BMP")) {
        RaiseCannotOpen(path, QStringLiteral("The file is not a valid bitmap."));
    }
    const int side = std::min(background.width(), background.height());
    QImage picture =
        background
            .copy((background.width() - side) / 2, (background.height() - side) / 2, side, side)
            .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_BGR888);

    if (!DrawThumbnail(object, {picture.bits(), picture.bytesPerLine(), size, size}, mode)) {
        throw RuntimeError(object.FaceCount == 0 && reading.FacesNotFinite > 0
                               ? "Nothing to draw: no face of the file has finite vertices"
                               : "Nothing to draw: the file holds no faces");
    }
    WritePngFiles({{picture, output}});
}

} // namespace Plexa3DApp
