// The export of a model of about a million faces (the readers' sheets, as a .3DS file with two
// materials, mapping and half of the sheets smooth) in each format, beside the whole-model
// reading of the same file: the export should take at most twice the reading. Each written file
// is read back too, since the files written are four to twelve times the size of the .3DS read
// (vertices split where normals or mapping differ, normals and mapping written out).
#include "ExportModel.h"
#include "SheetModel.h"

namespace {
namespace bench_export {

using namespace Plexa3DBench;
using namespace Plexa3DFormats;
using namespace ZuveloGraphLibrary;

TBenchFile& ModelFile() {
    static TBenchFile file("sheets.3ds", [] {
        std::vector<Plexa3DTools::TMeshSpec> sheets = SheetModel();
        for (std::size_t s = 0; s < sheets.size(); ++s) {
            Plexa3DTools::TMeshSpec& sheet = sheets[s];
            const std::size_t faces = sheet.Faces.size();
            std::vector<std::uint16_t> first, second;
            for (std::size_t f = 0; f < faces; ++f) {
                (f < faces / 2 ? first : second).push_back(std::uint16_t(f));
            }
            sheet.Materials = {{"rosso", first}, {"blu", second}};
            sheet.Smoothing.assign(faces, s % 2 == 0 ? 1u : 0u);
        }
        return Plexa3DTools::LooksFile(
            {{"rosso", {}, {{{255, 0, 0}}}}, {"blu", {}, {{{0, 0, 255}}}}}, sheets);
    });
    return file;
}

void ExportRead(benchmark::State& state) {
    const std::string& path = ModelFile().Path();
    for (auto _ : state) {
        TObject3D object;
        TModelLooks looks;
        ReadModelFile(path, TModelPart::Whole, object, looks);
        benchmark::DoNotOptimize(object.FaceCount);
    }
}
BENCHMARK(ExportRead)->Unit(benchmark::kMillisecond);

void ExportWrite(benchmark::State& state, const char* name, TExportFormat format) {
    const std::string& path = ModelFile().Path();
    TObject3D object;
    TModelLooks looks;
    ReadModelFile(path, TModelPart::Whole, object, looks);
    const std::string output = (TBenchFolder::Instance().Path() / name).string();
    for (auto _ : state) {
        ExportModel(object, looks, path, output, format, {});
    }
    state.counters["faces"] = double(object.FaceCount);
}
BENCHMARK_CAPTURE(ExportWrite, glb, "out.glb", TExportFormat::Glb)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportWrite, obj, "out.obj", TExportFormat::Obj)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportWrite, stl, "out.stl", TExportFormat::Stl)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportWrite, ply, "out.ply", TExportFormat::Ply)->Unit(benchmark::kMillisecond);

// The file the export wrote, read back whole by the program's reader of its format.
void ExportReadBack(benchmark::State& state, const char* name, TExportFormat format) {
    const std::string output = (TBenchFolder::Instance().Path() / name).string();
    if (!std::filesystem::exists(output)) {
        TObject3D object;
        TModelLooks looks;
        ReadModelFile(ModelFile().Path(), TModelPart::Whole, object, looks);
        ExportModel(object, looks, ModelFile().Path(), output, format, {});
    }
    for (auto _ : state) {
        TObject3D object;
        TModelLooks looks;
        ReadModelFile(output, TModelPart::Whole, object, looks);
        benchmark::DoNotOptimize(object.FaceCount);
    }
    state.counters["MB"] = double(std::filesystem::file_size(output)) / 1e6;
}
BENCHMARK_CAPTURE(ExportReadBack, glb, "out.glb", TExportFormat::Glb)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportReadBack, obj, "out.obj", TExportFormat::Obj)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportReadBack, stl, "out.stl", TExportFormat::Stl)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportReadBack, ply, "out.ply", TExportFormat::Ply)
    ->Unit(benchmark::kMillisecond);

} // namespace bench_export
} // namespace
