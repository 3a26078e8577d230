#include "FuzzModelChecks.h"

#include "DepthBuffer.h"
#include "FaceFill.h"
#include "FitPlacement.h"
#include "HiddenLines.h"
#include "RasterCanvas.h"
#include "Renderer.h"
#include "SolidSurfaces.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace Plexa3DFuzz {

using namespace ZuveloGraphLibrary;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

void CheckLooks(const TObject3D& object, const TModelLooks& looks) {
    const auto faces = std::size_t(object.FaceCount);
    const auto vertices = std::size_t(object.VertexCount);
    Require(!looks.Materials.empty(), "no default material");
    Require(looks.FaceMaterials.empty() || looks.FaceMaterials.size() == faces,
            "face materials fit the faces");
    Require(looks.FaceSmoothing.empty() || looks.FaceSmoothing.size() == faces,
            "smoothing fits the faces");
    Require(looks.Mapping.empty() || looks.Mapping.size() == vertices, "mapping fits the vertices");
    Require(looks.Images.size() == looks.Materials.size(), "an image place per material");
    for (const std::uint32_t m : looks.FaceMaterials) {
        Require(m < looks.Materials.size(), "face material in the library");
    }
    const TSmoothingCorners& c = SmoothingCorners(object, looks);
    for (const std::uint32_t sum : c.Sums) {
        Require(sum <= c.SumCount, "smoothing sum in range");
    }
    Require(c.FirstFace.size() == std::size_t(c.SumCount) + 1 &&
                c.FirstShare.size() == c.FirstFace.size() && c.FirstFace.back() == c.Faces.size() &&
                c.FirstShare.back() == c.Shared.size(),
            "smoothing lists fit the sums");
    for (const std::uint32_t shared : c.Shared) {
        Require(shared >= 1 && shared <= c.SumCount, "smoothing share in range");
    }
    for (const std::uint32_t face : c.Faces) {
        Require(face >= 1 && face <= faces, "smoothing face in range");
    }
}

// A small image of four colours for every material that names one, as the decoding would give.
void GiveImages(TModelLooks& looks) {
    static const auto image = std::make_shared<const TTexture>(
        2, 2, std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00});
    for (std::size_t m = 0; m < looks.Materials.size(); ++m) {
        if (looks.Materials[m].Texture) {
            looks.Images[m] = image;
        }
    }
}

namespace {

// A canvas of Width x Height pixels inside a frame of Guard guard bytes on every side.
class TGuardedCanvas {
public:
    static constexpr std::int32_t Width = 48;
    static constexpr std::int32_t Height = 36;
    static constexpr std::ptrdiff_t Guard = 64;
    static constexpr std::uint8_t Marker = 0xA5;
    static constexpr std::ptrdiff_t Stride = 3 * Width + 2 * Guard;

    TGuardedCanvas() : bytes_(std::size_t(Stride * (Height + 2)), Marker) {
        for (std::int32_t y = 0; y < Height; ++y) {
            std::fill_n(Row(y), 3 * Width, std::uint8_t(0));
        }
    }
    TImageView View() { return {Row(0), Stride, Width, Height}; }
    std::uint8_t* Row(std::int32_t y) { return bytes_.data() + Stride * (y + 1) + Guard; }
    bool GuardIntact() {
        for (std::ptrdiff_t i = 0; i < std::ptrdiff_t(bytes_.size()); ++i) {
            const std::ptrdiff_t row = i / Stride - 1;
            const std::ptrdiff_t column = i % Stride - Guard;
            const bool inside = row >= 0 && row < Height && column >= 0 && column < 3 * Width;
            if (!inside && bytes_[std::size_t(i)] != Marker) {
                return false;
            }
        }
        return true;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace

// The fitted model, placed at depth -300, in every drawing mode and both projections.
void DrawInEveryMode(TObject3D& object, const TModelLooks& looks) {
    SetObjectPosition(0, 0, -300, object);
    TransformObject(object);
    SetClipRect(0, 0, TGuardedCanvas::Width - 1, TGuardedCanvas::Height - 1);
    SetViewOrigin(TGuardedCanvas::Width / 2, TGuardedCanvas::Height / 2);
    SetDrawColor(255, 255, 255);
    TDepthBuffer buffer;
    buffer.Prepare(TGuardedCanvas::Width, TGuardedCanvas::Height);
    for (const bool perspective : {false, true}) {
        if (perspective) {
            SetPerspectiveProjection();
        } else {
            SetParallelProjection();
        }
        TGuardedCanvas wire, hidden, solid, looked, squares;
        buffer.Clear();
        FillDepth(buffer, object, TFillFor::Surfaces);
        DrawObject3DSolid(solid.View(), object, buffer);
        DrawObject3DSolid(looked.View(), object, looks, buffer);
        {
            // In squares, as a thumbnail is shaded.
            const TDrawingStateGuard saved;
            SetShadingBlock(3);
            DrawObject3DSolid(squares.View(), object, looks, buffer);
        }
        buffer.Clear();
        FillDepth(buffer, object);
        try {
            DrawObject3D(wire.View(), object);
            DrawObject3DHidden(hidden.View(), object, buffer);
        } catch (const FloatingPointError&) {
            continue; // a vertex too far to round; both wire drawings stop at the same face
        }
        Require(wire.GuardIntact() && hidden.GuardIntact() && solid.GuardIntact() &&
                    looked.GuardIntact() && squares.GuardIntact(),
                "a drawing wrote outside the canvas");
        for (std::int32_t y = 0; y < TGuardedCanvas::Height; ++y) {
            for (std::int32_t i = 0; i < 3 * TGuardedCanvas::Width; ++i) {
                Require(hidden.Row(y)[i] == 0 || hidden.Row(y)[i] == wire.Row(y)[i],
                        "a hidden-line pixel that is no wire pixel");
            }
        }
    }
}

void CheckModel(TObject3D& object, const TModelLooks& looks) {
    Require(object.Name.size() <= MaxObjectNameLength, "model name longer than 80 bytes");
    Require(object.VertexCount >= 0 && object.FaceCount >= 0, "model counts not negative");
    Require(object.Vertices.Count() == object.VertexCount, "model vertex array size");
    Require(object.WorldVertices.Count() == object.VertexCount, "model world vertex array size");
    Require(object.Faces.Count() == object.FaceCount, "model face array size");
    for (const TFace3D& face : object.Faces) {
        Require(FaceInRange(face, object.VertexCount), "model face number out of range");
    }
    try {
        if (!FitObjectVertices(object)) {
            return;
        }
    } catch (const FloatingPointError&) {
        return;
    }
    // As the program does after fitting: a vertex that no face uses, which may be one that is not
    // finite, goes to the origin.
    ParkUnusedVertices(object);
    // Vertices with a coordinate that is not finite are not fitted; the others are, up to the
    // rounding of each coordinate to single precision.
    constexpr double Slack = 1 + 1e-6;
    for (const TFace3D& face : object.Faces) {
        for (const std::uint32_t number : {face.A, face.B, face.C}) {
            const TPoint3D& p = object.Vertices[static_cast<std::int32_t>(number)];
            const double distance = std::hypot(double(p.X), double(p.Y), double(p.Z));
            Require(!std::isfinite(distance) || distance <= FitRadius * Slack,
                    "fitted vertex beyond the radius");
        }
    }
    DrawInEveryMode(object, looks);
}

} // namespace Plexa3DFuzz
