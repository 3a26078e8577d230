#include "Thumbnail.h"

#include "DataFiles.h"
#include "ErrorReporting.h"
#include "FitPlacement.h"
#include "GraphErrors.h"
#include "ImageDecoding.h"
#include "ModelFiles.h"
#include "ModelImages.h"
#include "PngFiles.h"
#include "RasterCanvas.h"
#include "Renderer.h"
#include "Scene.h"
#include "SideBySide.h"
#include "SolidSurfaces.h"

#include <QFile>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

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

constexpr int SupersamplingPixels = 2048; // the factor is this over the size, at most 4
constexpr int MaxSupersampling = 4;

bool DrawFramed(TObject3D& object, const TImageView& image, TDrawMode mode,
                const TModelLooks* looks, TDepthBuffer& buffer, int reduction = 1,
                const std::function<void()>& beforeShading = {}) {
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
    SetShadingBlock(reduction);
    const TPaneObject drawn[] = {{&object, LineColor, looks}};
    FillObjectsDepth(image, drawn, mode, buffer);
    if (beforeShading) {
        beforeShading();
    }
    DrawObjectsOverDepth(image, drawn, mode, buffer);
    return true;
}

bool DrawThumbnail(TObject3D& object, const TImageView& image, TDrawMode mode,
                   const TModelLooks* looks) {
    TDepthBuffer buffer;
    return DrawFramed(object, image, mode, looks, buffer);
}

int ThumbnailSupersampling(int size) {
    return std::clamp(SupersamplingPixels / std::max(size, 1), 1, MaxSupersampling);
}

bool DrawSmoothThumbnail(TObject3D& object, const TModelLooks& looks, const TImageView& image,
                         int factor, const std::function<void()>& beforeShading) {
    const std::int32_t width = image.Width * factor;
    const std::int32_t height = image.Height * factor;
    std::vector<std::uint8_t> large(std::size_t(width) * std::size_t(height) * 3);
    const TImageView view{large.data(), std::ptrdiff_t(width) * 3, width, height};
    TDepthBuffer buffer;
    // Where one face covers a pixel of the thumbnail whole, the pixel is shaded once.
    if (!DrawFramed(object, view, TDrawMode::SolidSurfaces, &looks, buffer, factor,
                    beforeShading)) {
        return false;
    }
    const int samples = factor * factor;
    for (std::int32_t y = 0; y < image.Height; ++y) {
        std::uint8_t* out = image.ScanLine(y);
        for (std::int32_t x = 0; x < image.Width; ++x, out += 3) {
            int sum[3] = {0, 0, 0};
            int covered = 0;
            for (int j = 0; j < factor; ++j) {
                const std::int32_t ly = y * factor + j;
                const std::uint8_t* in = view.ScanLine(ly) + 3 * std::ptrdiff_t(x) * factor;
                for (int i = 0; i < factor; ++i, in += 3) {
                    if (buffer.Owner(x * factor + i, ly) != 0) {
                        ++covered;
                        sum[0] += in[0];
                        sum[1] += in[1];
                        sum[2] += in[2];
                    }
                }
            }
            if (covered > 0) {
                for (int k = 0; k < 3; ++k) {
                    out[k] = std::uint8_t((sum[k] + (samples - covered) * out[k] + samples / 2) /
                                          samples);
                }
            }
        }
    }
    return true;
}

void WriteThumbnail(int size, const std::string& input, const QString& output,
                    const std::string& appDir, TDrawMode mode) {
    // Arguments given the wrong way round must not cost the model: never written over itself.
    std::error_code error;
    if (std::filesystem::equivalent(input, QFile::encodeName(output).toStdString(), error)) {
        throw RuntimeError("the thumbnail would be written over the model itself");
    }
    TObject3D object;
    TModelLooks looks;
    const Plexa3DFormats::TModelFile read =
        Plexa3DFormats::ReadModelFile(input, Plexa3DFormats::TModelPart::Whole, object, looks);
    RequireWholeModel(read, object);
    // The images decode beside the rest: the background, the framing and the filling in of the
    // faces, none of which reads the looks. The picture can show no more of an image than its own
    // size.
    TJobBeside images([&looks, &input, size] {
        LoadModelImages(
            looks, ModelFolder(input),
            [size](const std::string& path) { return DecodeImageFile(path, size); },
            [size](std::span<const std::uint8_t> bytes) { return DecodeImageBytes(bytes, size); });
    });
    bool loaded = false;
    const auto imagesLoaded = [&] {
        if (loaded) {
            return;
        }
        images.Wait();
        loaded = true;
        for (const TLooksNote& note : looks.Notes) {
            ShowNotice(QString::fromLocal8Bit(input.c_str()) + QStringLiteral(": ") +
                       QString::fromStdString(NoteText(note, TNoteLanguage::CommandLine)));
        }
    };

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

    const TImageView view{picture.bits(), picture.bytesPerLine(), size, size};
    if (mode != TDrawMode::SolidSurfaces) {
        imagesLoaded();
    }
    const bool drawn =
        mode == TDrawMode::SolidSurfaces
            ? DrawSmoothThumbnail(object, looks, view, ThumbnailSupersampling(size), imagesLoaded)
            : DrawThumbnail(object, view, mode, &looks);
    imagesLoaded(); // also when nothing was drawn
    if (!drawn) {
        throw RuntimeError("Nothing to draw: every face lies at one point");
    }
    WritePngFiles({{picture, output}}, TPngCompression::Fast);
}

} // namespace Plexa3DApp
