// DrawObject3D side by side with the plain per-face drawing it must equal, with a floor kernel
// that only projects every vertex once and stores one pixel per face corner, and with QPainter
// drawing the same triangle outlines; and the long-line routine against a short line and against
// the step-by-step walk that defines it. Most frames are those of the single 800 x 600 pane: clip
// window (0, 0, 799, 599), view origin (400, 320), white. The meshes are a torus of 43,200 faces
// made here and, when the corpus is present, its mesh with the most faces, also scaled to fill the
// pane. Each is drawn placed as the import places it (in front of the viewer, at depth -300) and,
// in perspective, placed at depth 0, where the vertices closest to the eye plane project millions
// of pixels away. A mesh with a vertex so close to that plane that DrawObject3D raises is also
// drawn at the nearest whole depth where it does not. A generated whole model of 178,238 faces,
// fitted as the import fits it, is drawn in a 400 x 300 pane with origin (200, 150).
#include "BenchLooks.h"
#include "Import3DS.h"
#include "ZuveloGraphLibrary.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace zgl = ZuveloGraphLibrary;
using zgl::TObject3D;

// A pane's size and view origin.
struct TFrame {
    std::int32_t Width, Height;
    std::uint16_t OriginX, OriginY;
};
constexpr TFrame LargePane{800, 600, 400, 320};
constexpr TFrame SmallPane{400, 300, 200, 150};

// A 24-bit bitmap of the library's own layout, black at start.
class TPane {
public:
    explicit TPane(const TFrame& frame)
        : width_(frame.Width), height_(frame.Height),
          pixels_(std::size_t(3) * frame.Width * frame.Height) {}
    zgl::TImageView View() { return {pixels_.data(), std::ptrdiff_t(3) * width_, width_, height_}; }
    std::uint8_t* Data() { return pixels_.data(); }
    std::size_t Bytes() const { return pixels_.size(); }
    bool operator==(const TPane& other) const { return pixels_ == other.pixels_; }

private:
    std::int32_t width_, height_;
    std::vector<std::uint8_t> pixels_;
};

void SetUpPane(const TFrame& frame, bool perspective) {
    zgl::ResetViewNavigation();
    zgl::SetClipRect(0, 0, frame.Width - 1, frame.Height - 1);
    zgl::SetViewOrigin(frame.OriginX, frame.OriginY);
    zgl::SetDrawColor(255, 255, 255);
    if (perspective) {
        zgl::SetPerspectiveProjection();
    } else {
        zgl::SetParallelProjection();
    }
}

// ---- Meshes ----

// A torus about an axis tilted 30 degrees from Z towards Y, so that its depths spread evenly and
// a plane of constant depth cuts through many faces. Ring radius 40, tube radius 14: at the
// import's scale of 5 it spans about 540 x 540 pixels.
std::unique_ptr<TObject3D> Torus(std::int32_t ringSegments, std::int32_t tubeSegments) {
    auto object = std::make_unique<TObject3D>();
    object->Name = "Torus";
    object->VertexCount = ringSegments * tubeSegments;
    object->FaceCount = 2 * object->VertexCount;
    zgl::AllocObjectArrays(*object);
    const double tilt = 30.0 * std::numbers::pi / 180.0;
    const auto index = [&](std::int32_t u, std::int32_t v) {
        return (u % ringSegments) * tubeSegments + (v % tubeSegments) + 1;
    };
    for (std::int32_t u = 0; u < ringSegments; ++u) {
        const double theta = 2 * std::numbers::pi * u / ringSegments;
        for (std::int32_t v = 0; v < tubeSegments; ++v) {
            const double phi = 2 * std::numbers::pi * v / tubeSegments;
            const double radius = 40.0 + 14.0 * std::cos(phi);
            const double y = radius * std::sin(theta);
            const double z = 14.0 * std::sin(phi);
            object->Vertices[index(u, v)] = {
                static_cast<float>(radius * std::cos(theta)),
                static_cast<float>(y * std::cos(tilt) - z * std::sin(tilt)),
                static_cast<float>(y * std::sin(tilt) + z * std::cos(tilt))};
        }
    }
    std::int32_t face = 1;
    for (std::int32_t u = 0; u < ringSegments; ++u) {
        for (std::int32_t v = 0; v < tubeSegments; ++v) {
            const auto a = static_cast<std::uint16_t>(index(u, v));
            const auto b = static_cast<std::uint16_t>(index(u + 1, v));
            const auto c = static_cast<std::uint16_t>(index(u + 1, v + 1));
            const auto d = static_cast<std::uint16_t>(index(u, v + 1));
            object->Faces[face++] = {a, b, c};
            object->Faces[face++] = {a, c, d};
        }
    }
    return object;
}

// A stand-in for a whole bottle model of 99,597 vertices and 178,238 faces: a lathed body of
// 321 rings of 255 vertices, closed around, and short strips of triangles lying just over its
// surface, as the lettering and seams of a real model do. Its coordinates lie far from the origin,
// as a real file's may; fitted into a small pane, most of its faces span a few pixels.
std::unique_ptr<TObject3D> FlaconStandIn() {
    constexpr std::int32_t Vertices = 99597;
    constexpr std::int32_t Faces = 178238;
    constexpr std::int32_t Rings = 321;
    constexpr std::int32_t Around = 255;
    constexpr std::int32_t BodyVertices = Rings * Around;
    constexpr std::int32_t BodyFaces = 2 * (Rings - 1) * Around;
    // A strip of n vertices has n - 2 faces.
    constexpr std::int32_t Strips = ((Vertices - BodyVertices) - (Faces - BodyFaces)) / 2;
    static_assert(Strips > 0 && (Vertices - BodyVertices) >= 3 * Strips);
    auto object = std::make_unique<TObject3D>();
    object->Name = "Flacon";
    object->VertexCount = Vertices;
    object->FaceCount = Faces;
    zgl::AllocObjectArrays(*object);
    // Radius along the height t in [0, 1]: a round body, a shoulder and a neck.
    const auto radius = [](double t) {
        const double body = 1.0 - 0.15 * std::pow(2 * t - 0.6, 2);
        return t < 0.7 ? body : 0.35 + (body - 0.35) * std::max(0.0, 1 - (t - 0.7) / 0.12);
    };
    const double tilt = 25.0 * std::numbers::pi / 180.0;
    std::int32_t vertex = 0;
    const auto put = [&](double angle, double t, double out) {
        const double r = 40.0 * radius(t) * out;
        const double x = r * std::cos(angle);
        const double y = 120.0 * t - 60;
        const double z = r * std::sin(angle);
        object->Vertices[++vertex] = {
            static_cast<float>(10000 + x),
            static_cast<float>(8000 + y * std::cos(tilt) - z * std::sin(tilt)),
            static_cast<float>(y * std::sin(tilt) + z * std::cos(tilt))};
    };
    for (std::int32_t ring = 0; ring < Rings; ++ring) {
        for (std::int32_t a = 0; a < Around; ++a) {
            put(2 * std::numbers::pi * a / Around, double(ring) / (Rings - 1), 1.0);
        }
    }
    std::int32_t face = 0;
    const auto body = [](std::int32_t ring, std::int32_t a) {
        return std::uint32_t(ring * Around + a % Around + 1);
    };
    for (std::int32_t ring = 0; ring + 1 < Rings; ++ring) {
        for (std::int32_t a = 0; a < Around; ++a) {
            object->Faces[++face] = {body(ring, a), body(ring + 1, a), body(ring + 1, a + 1)};
            object->Faces[++face] = {body(ring, a), body(ring + 1, a + 1), body(ring, a + 1)};
        }
    }
    const std::int32_t perStrip = (Vertices - BodyVertices) / Strips;
    const std::int32_t longer = (Vertices - BodyVertices) % Strips;
    for (std::int32_t j = 0; j < Strips; ++j) {
        const std::int32_t n = perStrip + (j < longer ? 1 : 0);
        const double angle = 2 * std::numbers::pi * ((j * 0.618034) - std::floor(j * 0.618034));
        const double t = 0.1 + 0.55 * ((j * 0.414214) - std::floor(j * 0.414214));
        const std::int32_t first = vertex + 1;
        for (std::int32_t i = 0; i < n; ++i) {
            put(angle + 0.006 * i, t + 0.008 * (i % 2), 1.01);
        }
        for (std::int32_t i = 0; i + 2 < n; ++i) {
            object->Faces[++face] = {std::uint32_t(first + i), std::uint32_t(first + i + 1),
                                     std::uint32_t(first + i + 2)};
        }
    }
    return object;
}

// The fitted import: the box of the vertices that faces use, its centre moved to the origin and
// half its diagonal scaled to 140, each coordinate computed in double and rounded once; placed at
// (0, 0, -300).
void Fit(TObject3D& object) {
    double low[3] = {INFINITY, INFINITY, INFINITY};
    double high[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (const zgl::TFace3D& f : object.Faces) {
        for (const std::uint32_t n : {f.A, f.B, f.C}) {
            const zgl::TPoint3D& p = object.Vertices[static_cast<std::int32_t>(n)];
            const double c[3] = {p.X, p.Y, p.Z};
            for (int k = 0; k < 3; ++k) {
                low[k] = std::min(low[k], c[k]);
                high[k] = std::max(high[k], c[k]);
            }
        }
    }
    const double centre[3] = {(low[0] + high[0]) / 2, (low[1] + high[1]) / 2,
                              (low[2] + high[2]) / 2};
    const double scale =
        140.0 / (std::hypot(high[0] - low[0], high[1] - low[1], high[2] - low[2]) / 2);
    for (zgl::TPoint3D& p : object.Vertices) {
        p = {static_cast<float>((p.X - centre[0]) * scale),
             static_cast<float>((p.Y - centre[1]) * scale),
             static_cast<float>((p.Z - centre[2]) * scale)};
    }
    zgl::SetObjectPivot(0, 0, 0, object);
    zgl::SetObjectPosition(0, 0, -300, object);
    zgl::TransformObject(object);
}

struct TCorpusMesh {
    std::string Label;
    std::unique_ptr<TObject3D> Object;
};

// The corpus file whose first mesh has the most faces; none when the folder is absent.
TCorpusMesh LargestCorpusMesh() {
    TCorpusMesh best;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(PLEXA3D_CORPUS_DIR, error)) {
        const std::string ext = entry.path().extension().string();
        if ((ext != ".3ds" && ext != ".3DS") || !entry.is_regular_file()) {
            continue;
        }
        auto object = std::make_unique<TObject3D>();
        try {
            zgl::Load3DS(entry.path().string(), *object);
        } catch (const std::exception&) {
            continue;
        }
        if (!best.Object || object->FaceCount > best.Object->FaceCount) {
            best = {entry.path().stem().string(), std::move(object)};
        }
    }
    return best;
}

struct TBounds {
    double Low[3] = {0, 0, 0};
    double High[3] = {0, 0, 0};
};

TBounds LocalBounds(const TObject3D& object) {
    TBounds b;
    const std::int32_t count = std::min(object.VertexCount, object.Vertices.Count());
    for (std::int32_t i = 1; i <= count; ++i) {
        const zgl::TPoint3D& p = object.Vertices[i];
        const double c[3] = {p.X, p.Y, p.Z};
        for (int k = 0; k < 3; ++k) {
            b.Low[k] = i == 1 ? c[k] : std::min(b.Low[k], c[k]);
            b.High[k] = i == 1 ? c[k] : std::max(b.High[k], c[k]);
        }
    }
    return b;
}

// The whole-number factor that makes the box about the local origin fill 95% of the pane in the
// parallel view while keeping its depth within +-200, so that at depth -300 it stays in front.
float FillFactor(const TBounds& b) {
    const TFrame& f = LargePane;
    const double room[] = {f.OriginX / std::max(-b.Low[0], 1e-9),
                           (f.Width - 1 - f.OriginX) / std::max(b.High[0], 1e-9),
                           f.OriginY / std::max(b.High[1], 1e-9),
                           (f.Height - 1 - f.OriginY) / std::max(-b.Low[1], 1e-9),
                           200.0 / std::max({-b.Low[2], b.High[2], 1e-9})};
    return static_cast<float>(std::max(1.0, std::floor(0.95 * *std::min_element(room, room + 5))));
}

void Place(TObject3D& object, float factor, std::int32_t depth) {
    zgl::SetObjectPivot(0, 0, 0, object);
    zgl::SetObjectPosition(0, 0, depth, object);
    zgl::ScaleObject(object, factor);
    zgl::TransformObject(object);
}

// A second record with the same local vertices and faces.
std::unique_ptr<TObject3D> Copy(const TObject3D& source) {
    auto object = std::make_unique<TObject3D>();
    object->Name = source.Name;
    object->VertexCount = source.VertexCount;
    object->FaceCount = source.FaceCount;
    zgl::AllocObjectArrays(*object);
    std::copy(source.Vertices.begin(), source.Vertices.end(), object->Vertices.begin());
    std::copy(source.Faces.begin(), source.Faces.end(), object->Faces.begin());
    return object;
}

// ---- The renderer's pane coordinates, computed once for QPainter ----

struct TCorner {
    double X = 0;
    double Y = 0;
};

// The projection rules of DrawObject3D, corner by corner, in doubles: a face whose value does not
// fit 64 bits is where DrawObject3D would stop.
struct TProjection {
    std::vector<std::array<TCorner, 3>> Faces; // pane coordinates
    double FarthestOffset = 0;                 // largest |pane coordinate - origin|
    bool Overflows = false;
};

TProjection Project(const TObject3D& object, bool perspective, const TFrame& frame) {
    TProjection result;
    std::array<TCorner, 3> offsets{}; // a corner at depth 0 keeps its last value
    const std::int32_t vertices = std::min(object.VertexCount, object.WorldVertices.Count());
    const std::int32_t faces = std::clamp(object.FaceCount, 0, object.Faces.Count());
    for (std::int32_t i = 1; i <= faces; ++i) {
        const zgl::TFace3D& face = object.Faces[i];
        const std::uint32_t corners[3] = {face.A, face.B, face.C};
        if (std::any_of(corners, corners + 3,
                        [&](auto n) { return n < 1 || std::int64_t{n} > vertices; })) {
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            const zgl::TPoint3D& p = object.WorldVertices[corners[k]];
            if (!perspective) {
                offsets[k] = {std::nearbyint(double(p.X)), std::nearbyint(double(p.Y))};
            } else if (p.Z != 0 && !std::isnan(p.Z)) {
                const double q = zgl::PerspectiveDistance / p.Z;
                offsets[k] = {std::nearbyint(q * p.X),
                              std::nearbyint((q * p.Y) * zgl::PerspectiveAspect)};
            }
        }
        std::array<TCorner, 3> pane{};
        for (int k = 0; k < 3; ++k) {
            const double far = std::max(std::fabs(offsets[k].X), std::fabs(offsets[k].Y));
            result.FarthestOffset = std::max(result.FarthestOffset, far);
            result.Overflows = result.Overflows || !(far < 0x1p62);
            pane[k] = {frame.OriginX + offsets[k].X, frame.OriginY - offsets[k].Y};
        }
        result.Faces.push_back(pane);
    }
    return result;
}

// World vertices within 1 of the eye plane z = 0.
std::int32_t VerticesNearEyePlane(const TObject3D& object) {
    return static_cast<std::int32_t>(
        std::count_if(object.WorldVertices.begin(), object.WorldVertices.end(),
                      [](const zgl::TPoint3D& p) { return std::fabs(p.Z) <= 1; }));
}

// The three edges of every face, in the renderer's order 1-2, 2-3, 1-3.
std::vector<QLine> QtLines(const TProjection& projection) {
    std::vector<QLine> lines;
    lines.reserve(3 * projection.Faces.size());
    const auto point = [](const TCorner& c) { return QPoint(int(c.X), int(c.Y)); };
    for (const auto& f : projection.Faces) {
        lines.emplace_back(point(f[0]), point(f[1]));
        lines.emplace_back(point(f[1]), point(f[2]));
        lines.emplace_back(point(f[0]), point(f[2]));
    }
    return lines;
}

// Whether the coordinates given to QPainter are the renderer's own: the same triangles drawn with
// DrawTriangleWide must give DrawObject3D's image byte for byte.
bool SameAsRenderer(const TObject3D& object, const TProjection& projection, const TFrame& frame) {
    TPane rendered(frame);
    TPane replayed(frame);
    zgl::DrawObject3D(rendered.View(), object);
    for (const auto& f : projection.Faces) {
        zgl::DrawTriangleWide(replayed.View(), std::int64_t(f[0].X), std::int64_t(f[0].Y),
                              std::int64_t(f[1].X), std::int64_t(f[1].Y), std::int64_t(f[2].X),
                              std::int64_t(f[2].Y), zgl::DrawColor);
    }
    return rendered == replayed;
}

// The whole depth closest to 0 (0, 1, -1, 2, ...) at which no projected value of the scaled mesh
// leaves the range DrawObject3D can draw.
std::int32_t DrawableDepthNearZero(const TObject3D& object, float factor) {
    zgl::SetPerspectiveProjection();
    for (std::int32_t i = 0; i < 64; ++i) {
        const std::int32_t depth = i % 2 == 0 ? i / 2 : -(i + 1) / 2;
        const std::unique_ptr<TObject3D> placed = Copy(object);
        Place(*placed, factor, depth);
        if (!Project(*placed, true, LargePane).Overflows) {
            return depth;
        }
    }
    return 0;
}

// ---- Benchmarks ----

struct TScene {
    std::string Label;
    std::unique_ptr<TObject3D> Object;
    TFrame Frame = LargePane;
    // Colours and a highlight; those and smoothing; all of it and an image: from the model as it
    // lies in the scene.
    std::array<std::unique_ptr<zgl::TModelLooks>, 3> Looks;
};

using TDrawObject = void (*)(const zgl::TImageView&, const TObject3D&);

std::int64_t LitPixels(TPane& pane);

// DrawObject3D, or the plain per-face drawing that it must equal (the speed before the shortcuts).
void BenchDrawObject3D(benchmark::State& state, const TScene* scene, bool perspective,
                       TDrawObject draw) {
    SetUpPane(scene->Frame, perspective);
    const TProjection projection = Project(*scene->Object, perspective, scene->Frame);
    TPane pane(scene->Frame);
    try {
        for (auto _ : state) {
            draw(pane.View(), *scene->Object);
            benchmark::DoNotOptimize(pane.Data());
            benchmark::ClobberMemory();
        }
    } catch (const std::exception& e) {
        state.SkipWithError((std::string("DrawObject3D raised: ") + e.what()).c_str());
        return;
    }
    state.SetItemsProcessed(state.iterations() * scene->Object->FaceCount);
    state.counters["faces"] = scene->Object->FaceCount;
    state.counters["far_px"] = projection.FarthestOffset;
    state.counters["near_eye"] = static_cast<double>(VerticesNearEyePlane(*scene->Object));
}

// A drawing with surfaces as a pane makes it: the pane's depth buffer cleared, the object's faces
// filled in, then the solid surfaces or the hidden lines drawn.
enum class TSurfaceMode { Solid, SolidColours, SolidSmooth, SolidLooks, Hidden };
void BenchSurfaces(benchmark::State& state, const TScene* scene, bool perspective,
                   TSurfaceMode mode) {
    SetUpPane(scene->Frame, perspective);
    TPane pane(scene->Frame);
    zgl::TDepthBuffer buffer;
    buffer.Prepare(scene->Frame.Width, scene->Frame.Height);
    try {
        for (auto _ : state) {
            buffer.Clear();
            if (mode == TSurfaceMode::SolidColours || mode == TSurfaceMode::SolidSmooth ||
                mode == TSurfaceMode::SolidLooks) {
                const int kind = mode == TSurfaceMode::SolidColours  ? 0
                                 : mode == TSurfaceMode::SolidSmooth ? 1
                                                                     : 2;
                zgl::FillDepth(buffer, *scene->Object, zgl::TFillFor::Surfaces);
                zgl::DrawObject3DSolid(pane.View(), *scene->Object, *scene->Looks[kind], buffer);
            } else if (mode == TSurfaceMode::Solid) {
                zgl::FillDepth(buffer, *scene->Object);
                zgl::DrawObject3DSolid(pane.View(), *scene->Object, buffer);
            } else {
                zgl::FillDepth(buffer, *scene->Object);
                zgl::DrawObject3DHidden(pane.View(), *scene->Object, buffer);
            }
            benchmark::DoNotOptimize(pane.Data());
            benchmark::ClobberMemory();
        }
    } catch (const std::exception& e) {
        state.SkipWithError((std::string("the drawing raised: ") + e.what()).c_str());
        return;
    }
    state.SetItemsProcessed(state.iterations() * scene->Object->FaceCount);
    state.counters["lit_px"] = static_cast<double>(LitPixels(pane));
}

// The least that any exact wireframe must do: every vertex projected once, rounded as the renderer
// rounds, and one pixel stored per face corner that lands in the pane.
void BenchFloor(benchmark::State& state, const TScene* scene, bool perspective) {
    const TFrame& frame = scene->Frame;
    SetUpPane(frame, perspective);
    TPane pane(frame);
    const TObject3D& object = *scene->Object;
    std::vector<std::int32_t> xs(std::size_t(object.VertexCount) + 1);
    std::vector<std::int32_t> ys(xs.size());
    const double d = zgl::PerspectiveDistance;
    const double f = zgl::PerspectiveAspect;
    for (auto _ : state) {
        const zgl::TImageView view = pane.View();
        for (std::int32_t i = 1; i <= object.VertexCount; ++i) {
            const zgl::TPoint3D& p = object.WorldVertices[i];
            if (!perspective) {
                xs[i] = frame.OriginX + std::int32_t(std::lrint(p.X));
                ys[i] = frame.OriginY - std::int32_t(std::lrint(p.Y));
            } else if (p.Z != 0 && !std::isnan(p.Z)) {
                const double q = d / p.Z;
                xs[i] = frame.OriginX + std::int32_t(std::lrint(q * p.X));
                ys[i] = frame.OriginY - std::int32_t(std::lrint((q * p.Y) * f));
            }
        }
        for (const zgl::TFace3D& face : object.Faces) {
            for (const std::uint32_t n : {face.A, face.B, face.C}) {
                const std::int32_t x = xs[n];
                const std::int32_t y = ys[n];
                if (std::uint32_t(x) < std::uint32_t(frame.Width) &&
                    std::uint32_t(y) < std::uint32_t(frame.Height)) {
                    std::uint8_t* pixel = view.ScanLine(y) + 3 * x;
                    pixel[0] = zgl::DrawColor.B;
                    pixel[1] = zgl::DrawColor.G;
                    pixel[2] = zgl::DrawColor.R;
                }
            }
        }
        benchmark::DoNotOptimize(pane.Data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * object.FaceCount);
}

void BenchQPainter(benchmark::State& state, const TScene* scene, bool perspective,
                   QImage::Format format) {
    SetUpPane(scene->Frame, perspective);
    const TProjection projection = Project(*scene->Object, perspective, scene->Frame);
    if (projection.Overflows || projection.FarthestOffset >= 0x1p30) {
        state.SkipWithError("pane coordinates beyond QPainter's integer range");
        return;
    }
    if (!SameAsRenderer(*scene->Object, projection, scene->Frame)) {
        state.SkipWithError("the precomputed coordinates differ from the renderer's");
        return;
    }
    const std::vector<QLine> lines = QtLines(projection);
    QImage image(scene->Frame.Width, scene->Frame.Height, format);
    image.fill(Qt::black);
    QPen pen(QColor(255, 255, 255));
    pen.setWidth(1);
    pen.setCosmetic(true);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(pen);
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * scene->Object->FaceCount);
    state.counters["faces"] = scene->Object->FaceCount;
}

struct TLine {
    std::int64_t X1, Y1, X2, Y2;
};

std::uint64_t Steps(const TLine& line) {
    const auto distance = [](std::int64_t a, std::int64_t b) {
        return a < b ? std::uint64_t(b) - std::uint64_t(a) : std::uint64_t(a) - std::uint64_t(b);
    };
    return std::max(distance(line.X1, line.X2), distance(line.Y1, line.Y2)) + 1;
}

std::int64_t LitPixels(TPane& pane) {
    const std::uint8_t* p = pane.Data();
    std::int64_t lit = 0;
    for (std::size_t i = 0; i < pane.Bytes(); i += 3) {
        lit += p[i] != 0 ? 1 : 0;
    }
    return lit;
}

template <void (*Draw)(const zgl::TImageView&, std::int64_t, std::int64_t, std::int64_t,
                       std::int64_t, zgl::TColorRGB)>
void BenchLine(benchmark::State& state, TLine line) {
    SetUpPane(LargePane, false);
    TPane pane(LargePane);
    for (auto _ : state) {
        Draw(pane.View(), line.X1, line.Y1, line.X2, line.Y2, zgl::DrawColor);
        benchmark::DoNotOptimize(pane.Data());
        benchmark::ClobberMemory();
    }
    state.counters["steps"] = static_cast<double>(Steps(line));
    state.counters["pixels"] = static_cast<double>(LitPixels(pane));
}

void RegisterScene(TScene& scene, bool withQt) {
    for (const auto kind : {PlexaBench::TBenchLooks::Colours, PlexaBench::TBenchLooks::Smooth,
                            PlexaBench::TBenchLooks::Images}) {
        scene.Looks[std::size_t(kind)] =
            std::make_unique<zgl::TModelLooks>(PlexaBench::BenchLooks(*scene.Object, kind));
    }
    const auto name = [&](const std::string& what) { return scene.Label + "/" + what; };
    for (const bool perspective : {false, true}) {
        const std::string mode = perspective ? "perspective" : "parallel";
        benchmark::RegisterBenchmark(name("DrawObject3D/" + mode).c_str(), BenchDrawObject3D,
                                     &scene, perspective, zgl::DrawObject3D)
            ->Unit(benchmark::kMicrosecond);
        // The faces of a large mesh are filled and its surfaces shaded on several threads: the
        // drawings with surfaces are timed by the wall, with the CPU of the whole process.
        benchmark::RegisterBenchmark(name("Solid/" + mode).c_str(), BenchSurfaces, &scene,
                                     perspective, TSurfaceMode::Solid)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
        for (const auto& [label, looks] : {std::pair{"SolidColours/", TSurfaceMode::SolidColours},
                                           std::pair{"SolidSmooth/", TSurfaceMode::SolidSmooth},
                                           std::pair{"SolidLooks/", TSurfaceMode::SolidLooks}}) {
            benchmark::RegisterBenchmark(name(label + mode).c_str(), BenchSurfaces, &scene,
                                         perspective, looks)
                ->Unit(benchmark::kMicrosecond)
                ->UseRealTime()
                ->MeasureProcessCPUTime();
        }
        benchmark::RegisterBenchmark(name("Hidden/" + mode).c_str(), BenchSurfaces, &scene,
                                     perspective, TSurfaceMode::Hidden)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
        benchmark::RegisterBenchmark(name("PerFace/" + mode).c_str(), BenchDrawObject3D, &scene,
                                     perspective, zgl::DrawObject3DPerFace)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(name("Floor/" + mode).c_str(), BenchFloor, &scene, perspective)
            ->Unit(benchmark::kMicrosecond);
        if (!withQt) {
            continue;
        }
        benchmark::RegisterBenchmark(name("QPainter-RGB32/" + mode).c_str(), BenchQPainter, &scene,
                                     perspective, QImage::Format_RGB32)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(name("QPainter-RGB888/" + mode).c_str(), BenchQPainter, &scene,
                                     perspective, QImage::Format_RGB888)
            ->Unit(benchmark::kMicrosecond);
    }
}

void RegisterNearEyePlane(const TScene& scene) {
    benchmark::RegisterBenchmark((scene.Label + "/DrawObject3D/perspective").c_str(),
                                 BenchDrawObject3D, &scene, true, zgl::DrawObject3D)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((scene.Label + "/PerFace/perspective").c_str(), BenchDrawObject3D,
                                 &scene, true, zgl::DrawObject3DPerFace)
        ->Unit(benchmark::kMicrosecond);
}

void RegisterLines() {
    constexpr std::int64_t X = std::int64_t(1) << 40;
    constexpr std::int64_t Y = std::int64_t(1) << 38;
    const TLine huge{400 - X, 300 - Y, 400 + X - 1, 300 + Y};
    const TLine short1000{-100, 200, 899, 400}; // 1,000 steps, 800 of them in the pane
    benchmark::RegisterBenchmark("Line/2^41-steps/DrawLineWide", BenchLine<zgl::DrawLineWide>, huge)
        ->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("Line/1000-steps/DrawLineWide", BenchLine<zgl::DrawLineWide>,
                                 short1000)
        ->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("Line/1000-steps/DrawLineStepByStep",
                                 BenchLine<zgl::DrawLineStepByStep>, short1000)
        ->Unit(benchmark::kNanosecond);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    std::vector<std::unique_ptr<TScene>> scenes;
    const auto add = [&](std::string label, std::unique_ptr<TObject3D> object, float factor,
                         std::int32_t depth) -> TScene& {
        Place(*object, factor, depth);
        scenes.push_back(
            std::make_unique<TScene>(TScene{std::move(label), std::move(object), LargePane, {}}));
        return *scenes.back();
    };

    const std::unique_ptr<TObject3D> torus = Torus(240, 90);
    const std::string torusLabel = "torus-" + std::to_string(torus->FaceCount);
    RegisterScene(add(torusLabel + "-x5", Copy(*torus), 5, -300), true);
    RegisterNearEyePlane(add(torusLabel + "-x5-depth0", Copy(*torus), 5, 0));

    std::unique_ptr<TObject3D> flacon = FlaconStandIn();
    Fit(*flacon);
    scenes.push_back(std::make_unique<TScene>(
        TScene{"flacon-standin-" + std::to_string(flacon->FaceCount) + "-fitted-400x300",
               std::move(flacon),
               SmallPane,
               {}}));
    RegisterScene(*scenes.back(), true);

    const TCorpusMesh corpus = LargestCorpusMesh();
    if (corpus.Object && corpus.Object->FaceCount > 0) {
        const std::string label = corpus.Label + "-" + std::to_string(corpus.Object->FaceCount);
        const float fill = FillFactor(LocalBounds(*corpus.Object));
        const std::string fillLabel = label + "-x" + std::to_string(int(fill));
        RegisterScene(add(label + "-x5", Copy(*corpus.Object), 5, -300), false);
        RegisterScene(add(fillLabel, Copy(*corpus.Object), fill, -300), true);
        // At depth 0 a vertex may lie so close to the eye plane that its projection leaves the
        // 64-bit range, and DrawObject3D raises; the nearest depth that draws is measured too.
        const std::int32_t depth = DrawableDepthNearZero(*corpus.Object, fill);
        if (depth != 0) {
            RegisterNearEyePlane(add(fillLabel + "-depth0", Copy(*corpus.Object), fill, 0));
        }
        RegisterNearEyePlane(
            add(fillLabel + "-depth" + std::to_string(depth), Copy(*corpus.Object), fill, depth));
    }
    RegisterLines();

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
