// The whole free-view redraw as the timer runs it, in the real main window without a display:
// background copy, every object, the four text lines, and the pane painted into the window's
// backing store. Beside it, DrawObject3D alone on the same objects in the same state, so that
// the redraw is read as a multiple of the drawing.
//   Whole: a model of four meshes, about 100,000 vertices and 180,000 faces, imported whole and
//          fitted into the small free pane.
//   Many:  255 imports of a torus of 1,024 faces, placed as the program places them.
#include "Plexa3D_Source.h"
#include "Writer3DS.h"
#include "ZuveloGraphLibrary.h"

#include <QApplication>
#include <QScrollBar>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace Plexa3DApp;
using namespace ZuveloGraphLibrary;
using Plexa3DTools::TMeshSpec;

// A surface of revolution: `rings` circles of `around` vertices, stacked from height z0 up.
TMeshSpec Lathe(const std::string& name, int rings, int around, float z0, float radius) {
    TMeshSpec mesh{name, {}, {}};
    for (int r = 0; r < rings; ++r) {
        const float ringRadius = radius * (1.0f + 0.3f * std::sin(0.7f * float(r)));
        for (int a = 0; a < around; ++a) {
            const float t = 6.2831853f * float(a) / float(around);
            mesh.Vertices.push_back(
                {ringRadius * std::cos(t), ringRadius * std::sin(t), z0 + 4.0f * float(r)});
        }
    }
    const auto at = [around](int r, int a) { return std::uint16_t(r * around + a % around); };
    for (int r = 0; r + 1 < rings; ++r) {
        for (int a = 0; a < around; ++a) {
            mesh.Faces.push_back({at(r, a), at(r, a + 1), at(r + 1, a + 1)});
            mesh.Faces.push_back({at(r, a), at(r + 1, a + 1), at(r + 1, a)});
        }
    }
    return mesh;
}

// A torus of 2 * rings * around faces.
TMeshSpec Torus(int rings, int around) {
    TMeshSpec mesh{"Toro", {}, {}};
    for (int r = 0; r < rings; ++r) {
        const float u = 6.2831853f * float(r) / float(rings);
        for (int a = 0; a < around; ++a) {
            const float v = 6.2831853f * float(a) / float(around);
            const float d = 20 + 8 * std::cos(v);
            mesh.Vertices.push_back({d * std::cos(u), d * std::sin(u), 8 * std::sin(v)});
        }
    }
    const auto at = [&](int r, int a) { return std::uint16_t((r % rings) * around + a % around); };
    for (int r = 0; r < rings; ++r) {
        for (int a = 0; a < around; ++a) {
            mesh.Faces.push_back({at(r, a), at(r + 1, a), at(r + 1, a + 1)});
            mesh.Faces.push_back({at(r, a), at(r + 1, a + 1), at(r, a + 1)});
        }
    }
    return mesh;
}

std::string WriteTemp(const std::string& name, const std::vector<TMeshSpec>& meshes) {
    const fs::path path = fs::temp_directory_path() / ("plexa3d-bench-" + name);
    Plexa3DTools::WriteBytes(path.string(), Plexa3DTools::MeshFile(meshes));
    return path.string();
}

// The main window with the workload imported and the current object turned a little.
std::unique_ptr<TForm1> Prepare(bool whole) {
    auto form = std::make_unique<TForm1>(QCoreApplication::applicationDirPath() +
                                         QStringLiteral("/plexa3d"));
    form->show();
    if (whole) {
        std::vector<TMeshSpec> meshes;
        for (int part = 0; part < 4; ++part) {
            meshes.push_back(Lathe("Parte" + std::to_string(part), 10, 2490, 40.0f * part, 30));
        }
        const std::string file = WriteTemp("whole.3ds", meshes);
        form->SetImportOptions({true, true});
        form->ImportFile(QString::fromStdString(file));
        fs::remove(file);
    } else {
        const std::string file = WriteTemp("torus.3ds", {Torus(32, 16)});
        for (int i = 0; i < MaxObjects; ++i) {
            form->ImportFile(QString::fromStdString(file));
        }
        fs::remove(file);
    }
    form->X_Bar1->setValue(20);
    form->Y_Bar2->setValue(30);
    form->Timer1->stop();
    return form;
}

void Redraw(benchmark::State& state, bool whole) {
    const auto form = Prepare(whole);
    for (auto _ : state) {
        form->Timer1Timer();
        form->Image4->repaint();
    }
    state.counters["objects"] = form->ObjectCount;
}

// DrawObject3D on every object, the current one turned as the redraw turns it, and nothing else.
void DrawOnly(benchmark::State& state, bool whole) {
    const auto form = Prepare(whole);
    form->Timer1Timer(); // leaves the library's state as a redraw uses it
    const TImageView pane = form->Image4->View();
    TObject3D& current = *form->Objects[form->CurrentObject];
    RotateObject(form->X_Bar1->value(), form->Y_Bar2->value(), 0, current);
    TransformObject(current);
    for (auto _ : state) {
        for (int i = 1; i <= form->ObjectCount; ++i) {
            DrawObject3D(pane, *form->Objects[i]);
        }
        benchmark::DoNotOptimize(pane.Bits[0]);
    }
}

BENCHMARK_CAPTURE(DrawOnly, Whole, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Redraw, Whole, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DrawOnly, Many, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Redraw, Many, false)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
