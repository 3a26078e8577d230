// DrawObject3D side by side with QPainter drawing the same triangle outlines, and the long-line
// routine against a short line and against the step-by-step walk that defines it. The frames are
// those of the single 800 x 600 pane: clip window (0, 0, 799, 599), view origin (400, 320), white.
// The meshes are a torus of 43,200 faces made here and, when the corpus is present, its mesh with
// the most faces, also scaled to fill the pane. Each is drawn placed as the import places it (in
// front of the viewer, at depth -300) and, in perspective, placed at depth 0, where the vertices
// closest to the eye plane project millions of pixels away. A mesh with a vertex so close to that
// plane that DrawObject3D raises is also drawn at the nearest whole depth where it does not.
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

constexpr std::int32_t PaneWidth = 800;
constexpr std::int32_t PaneHeight = 600;
constexpr std::uint16_t OriginX = 400;
constexpr std::uint16_t OriginY = 320;

// An 800 x 600 24-bit bitmap of the library's own layout, black at start.
class TPane {
public:
    TPane() : pixels_(std::size_t(3) * PaneWidth * PaneHeight) {}
    zgl::TImageView View() {
        return {pixels_.data(), std::ptrdiff_t(3) * PaneWidth, PaneWidth, PaneHeight};
    }
    std::uint8_t* Data() { return pixels_.data(); }
    bool operator==(const TPane& other) const { return pixels_ == other.pixels_; }

private:
    std::vector<std::uint8_t> pixels_;
};

void SetUpPane(bool perspective) {
    zgl::SetClipRect(0, 0, PaneWidth - 1, PaneHeight - 1);
    zgl::SetViewOrigin(OriginX, OriginY);
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
    const double room[] = {
        OriginX / std::max(-b.Low[0], 1e-9), (PaneWidth - 1 - OriginX) / std::max(b.High[0], 1e-9),
        OriginY / std::max(b.High[1], 1e-9), (PaneHeight - 1 - OriginY) / std::max(-b.Low[1], 1e-9),
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

TProjection Project(const TObject3D& object, bool perspective) {
    TProjection result;
    std::array<TCorner, 3> offsets{}; // a corner at depth 0 keeps its last value
    const std::int32_t vertices = std::min(object.VertexCount, object.WorldVertices.Count());
    const std::int32_t faces = std::clamp(object.FaceCount, 0, object.Faces.Count());
    for (std::int32_t i = 1; i <= faces; ++i) {
        const zgl::TFace3D& face = object.Faces[i];
        const std::uint32_t corners[3] = {face.A, face.B, face.C};
        if (std::any_of(corners, corners + 3, [&](auto n) { return n < 1 || std::int64_t{n} > vertices; })) {
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
            pane[k] = {OriginX + offsets[k].X, OriginY - offsets[k].Y};
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
bool SameAsRenderer(const TObject3D& object, const TProjection& projection) {
    TPane rendered;
    TPane replayed;
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
        if (!Project(*placed, true).Overflows) {
            return depth;
        }
    }
    return 0;
}

// ---- Benchmarks ----

struct TScene {
    std::string Label;
    std::unique_ptr<TObject3D> Object;
};

void BenchDrawObject3D(benchmark::State& state, const TScene* scene, bool perspective) {
    SetUpPane(perspective);
    const TProjection projection = Project(*scene->Object, perspective);
    TPane pane;
    try {
        for (auto _ : state) {
            zgl::DrawObject3D(pane.View(), *scene->Object);
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

void BenchQPainter(benchmark::State& state, const TScene* scene, bool perspective,
                   QImage::Format format) {
    SetUpPane(perspective);
    const TProjection projection = Project(*scene->Object, perspective);
    if (projection.Overflows || projection.FarthestOffset >= 0x1p30) {
        state.SkipWithError("pane coordinates beyond QPainter's integer range");
        return;
    }
    if (!SameAsRenderer(*scene->Object, projection)) {
        state.SkipWithError("the precomputed coordinates differ from the renderer's");
        return;
    }
    const std::vector<QLine> lines = QtLines(projection);
    QImage image(PaneWidth, PaneHeight, format);
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
    for (std::size_t i = 0; i < std::size_t(3) * PaneWidth * PaneHeight; i += 3) {
        lit += p[i] != 0 ? 1 : 0;
    }
    return lit;
}

template <void (*Draw)(const zgl::TImageView&, std::int64_t, std::int64_t, std::int64_t,
                       std::int64_t, zgl::TColorRGB)>
void BenchLine(benchmark::State& state, TLine line) {
    SetUpPane(false);
    TPane pane;
    for (auto _ : state) {
        Draw(pane.View(), line.X1, line.Y1, line.X2, line.Y2, zgl::DrawColor);
        benchmark::DoNotOptimize(pane.Data());
        benchmark::ClobberMemory();
    }
    state.counters["steps"] = static_cast<double>(Steps(line));
    state.counters["pixels"] = static_cast<double>(LitPixels(pane));
}

void RegisterScene(const TScene& scene, bool withQt) {
    const auto name = [&](const std::string& what) { return scene.Label + "/" + what; };
    for (const bool perspective : {false, true}) {
        const std::string mode = perspective ? "perspective" : "parallel";
        benchmark::RegisterBenchmark(name("DrawObject3D/" + mode).c_str(), BenchDrawObject3D,
                                     &scene, perspective)
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
                                 BenchDrawObject3D, &scene, true)
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
                         std::int32_t depth) -> const TScene& {
        Place(*object, factor, depth);
        scenes.push_back(std::make_unique<TScene>(TScene{std::move(label), std::move(object)}));
        return *scenes.back();
    };

    const std::unique_ptr<TObject3D> torus = Torus(240, 90);
    const std::string torusLabel = "torus-" + std::to_string(torus->FaceCount);
    RegisterScene(add(torusLabel + "-x5", Copy(*torus), 5, -300), true);
    RegisterNearEyePlane(add(torusLabel + "-x5-depth0", Copy(*torus), 5, 0));

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
