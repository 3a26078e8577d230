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
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <vector>

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

// Which materials the faces that own a pixel of the filled picture have.
std::vector<bool> SeenMaterials(const TDepthBuffer& buffer, const TObject3D& object,
                                const TModelLooks& looks) {
    std::vector<bool> seen(looks.Materials.size(), false);
    const TDepthBuffer::TFill* fill = buffer.FindFill(object);
    if (fill == nullptr || fill->Box.Empty() || looks.Materials.empty()) {
        return seen;
    }
    // Faces own pixels in runs: each run is looked up once, and a run is passed over four owners
    // at a time.
    std::uint32_t last = 0;
    for (std::int32_t y = fill->Box.Top; y <= fill->Box.Bottom; ++y) {
        const std::uint32_t* owner = buffer.Owners() + std::ptrdiff_t(y) * buffer.Width();
        const std::uint32_t* const end = owner + fill->Box.Right + 1;
        owner += fill->Box.Left;
        while (owner < end) {
            const std::uint64_t same = last * 0x100000001ULL;
            std::uint64_t four[2];
            while (end - owner >= 4 && (std::memcpy(four, owner, sizeof four), four[0] == same) &&
                   four[1] == same) {
                owner += 4;
            }
            for (const std::uint32_t* const stop = std::min(owner + 4, end); owner < stop;
                 ++owner) {
                if (*owner == last) {
                    continue;
                }
                last = *owner;
                const std::uint32_t face = last - fill->FirstOwner;
                if (last > fill->FirstOwner && face <= std::uint32_t(fill->Faces)) {
                    seen[std::size_t(&FaceMaterial(looks, std::int32_t(face)) -
                                     looks.Materials.data())] = true;
                }
            }
        }
    }
    return seen;
}

// The panes' background under a picture: the larger one for large pictures, cut to its middle
// square.
void PaintBackground(QImage& picture, const std::string& appDir) {
    const int size = picture.width();
    const QString path = DataFileName(
        appDir + (size <= SmallPane.Height ? "Bmps\\bk400x300.bmp" : "Bmps\\bk800x600.bmp"));
    QImage background;
    if (!background.loadFromData(ReadFileBytes(path), "BMP")) {
        RaiseCannotOpen(path, QStringLiteral("The file is not a valid bitmap."));
    }
    const int side = std::min(background.width(), background.height());
    const QImage cut =
        background
            .copy((background.width() - side) / 2, (background.height() - side) / 2, side, side)
            .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_BGR888);
    for (int y = 0; y < size; ++y) {
        std::memcpy(picture.scanLine(y), cut.constScanLine(y), std::size_t(size) * 3);
    }
}

} // namespace

constexpr int SupersamplingPixels = 2048; // the factor is this over the size, at most 4
constexpr int MaxSupersampling = 4;
constexpr int GlimpseDivisor = 4; // a glimpse is filled at this part of the width and height

bool DrawFramed(TObject3D& object, const TImageView& image, TDrawMode mode,
                const TModelLooks* looks, TDepthBuffer& buffer, int reduction = 1,
                const TThumbnailSteps& steps = {}) {
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
    SetViewOrigin(0, 0);
    const TPaneObject drawn[] = {{&object, LineColor, looks}};
    if (steps.Glimpsed) {
        // The same picture filled smaller first, framed alike.
        const TImageView small{nullptr, 0, std::max(1, image.Width / GlimpseDivisor),
                               std::max(1, image.Height / GlimpseDivisor)};
        SetClipRect(0, 0, small.Width - 1, small.Height - 1);
        SetViewNavigation(Framing(extent, small.Width, small.Height));
        TDepthBuffer glimpse;
        FillObjectsDepth(small, drawn, mode, glimpse);
        steps.Glimpsed(glimpse);
    }
    SetClipRect(0, 0, image.Width - 1, image.Height - 1);
    SetViewNavigation(Framing(extent, image.Width, image.Height));
    SetShadingBlock(reduction);
    FillObjectsDepth(image, drawn, mode, buffer);
    if (steps.Filled) {
        steps.Filled(buffer);
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
                         int factor, const TThumbnailSteps& steps) {
    const std::int32_t width = image.Width * factor;
    const std::int32_t height = image.Height * factor;
    std::vector<std::uint8_t> large(std::size_t(width) * std::size_t(height) * 3);
    const TImageView view{large.data(), std::ptrdiff_t(width) * 3, width, height};
    TDepthBuffer buffer;
    // Each face is shaded once in each pixel of the thumbnail.
    if (!DrawFramed(object, view, TDrawMode::SolidSurfaces, &looks, buffer, factor, steps)) {
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
    RequireWholeModel(read, object, looks);

    // The picture can show no more of an image than its own size.
    TModelImagesLoad load(
        looks, ModelFolder(input),
        [size](const std::string& path) { return DecodeImageFile(path, size); },
        [size](std::span<const std::uint8_t> bytes) { return DecodeImageBytes(bytes, size); });
    std::optional<TJobBeside> beside;
    bool loaded = false;
    // The images wanted and not yet decoded, then what could not be shown told.
    const auto loadImages = [&] {
        if (loaded) {
            return;
        }
        loaded = true;
        while (load.DecodeNext()) {
        }
        if (beside) {
            beside->Wait();
        }
        load.Finish();
        for (const TLooksNote& note : looks.Notes) {
            ShowNotice(QString::fromLocal8Bit(input.c_str()) + QStringLiteral(": ") +
                       QString::fromStdString(NoteText(note, TNoteLanguage::CommandLine)));
        }
    };

    QImage picture(size, size, QImage::Format_BGR888);
    if (picture.isNull()) {
        throw std::bad_alloc();
    }
    const TImageView view{picture.bits(), picture.bytesPerLine(), size, size};
    bool drawn = false;
    if (mode == TDrawMode::SolidSurfaces) {
        // Only the images on faces that own a pixel are decoded. Those seen in a glimpse decode
        // beside the filling in of the faces, the background and the rest of the decoding.
        TThumbnailSteps steps;
        if (load.Found() > 0) {
            steps.Glimpsed = [&](const TDepthBuffer& glimpse) {
                load.Want(SeenMaterials(glimpse, object, looks));
                beside.emplace([&load] {
                    while (load.DecodeNext()) {
                    }
                });
            };
        }
        steps.Filled = [&](const TDepthBuffer& buffer) {
            if (!load.AllWanted()) {
                load.Want(SeenMaterials(buffer, object, looks));
            }
            PaintBackground(picture, appDir);
            loadImages();
        };
        drawn = DrawSmoothThumbnail(object, looks, view, ThumbnailSupersampling(size), steps);
    } else {
        load.WantAll();
        PaintBackground(picture, appDir);
        loadImages();
        drawn = DrawThumbnail(object, view, mode, &looks);
    }
    loadImages(); // also when nothing was drawn
    if (!drawn) {
        throw RuntimeError("Nothing to draw: every face lies at one point");
    }
    WritePngFiles({{picture, output}}, TPngCompression::Fast);
}

} // namespace Plexa3DApp
