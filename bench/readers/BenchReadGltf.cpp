// The glTF reader on a binary file of about a million faces (a grid of squares with normals and
// mapping coordinates, as exporters write them), beside the reading of the file's bytes alone.
#include "ModelFiles.h"
#include "SheetModel.h"
#include "WriterGltf.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {
namespace bench_read_gltf {

using namespace Plexa3DTools;

// A grid of 708 by 708 squares: 1,002,528 faces over 502,681 vertices.
const std::string& GridFile() {
    static const std::string path = [] {
        constexpr std::uint32_t Side = 708;
        TGltfMeshSpec grid{"Grid", {}, {}};
        for (std::uint32_t y = 0; y <= Side; ++y) {
            for (std::uint32_t x = 0; x <= Side; ++x) {
                grid.Vertices.push_back({float(x), float(y), float((x * 7 + y * 3) % 5)});
                grid.Mapping.push_back({float(x) / Side, float(y) / Side});
            }
        }
        for (std::uint32_t y = 0; y < Side; ++y) {
            for (std::uint32_t x = 0; x < Side; ++x) {
                const std::uint32_t a = y * (Side + 1) + x, b = a + 1, c = a + Side + 2,
                                    d = a + Side + 1;
                grid.Faces.push_back({a, b, c});
                grid.Faces.push_back({a, c, d});
            }
        }
        grid.Smoothing.assign(grid.Faces.size(), 1);
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / "plexa3d-bench-gltf";
        std::filesystem::create_directories(folder);
        const std::string file = (folder / "grid.glb").string();
        WriteBytes(file, GlbFile(GltfDocument(std::vector<TGltfMeshSpec>{grid})));
        return file;
    }();
    return path;
}

void BM_GltfFileBytes(benchmark::State& state) {
    Plexa3DBench::BenchReadBytesAt(state, GridFile());
}
BENCHMARK(BM_GltfFileBytes)
    ->Unit(benchmark::kMillisecond)
    ->MinWarmUpTime(Plexa3DBench::WarmUpSeconds);

void BM_GltfFileBlock(benchmark::State& state) {
    Plexa3DBench::BenchReadBlockAt(state, GridFile());
}
BENCHMARK(BM_GltfFileBlock)
    ->Unit(benchmark::kMillisecond)
    ->MinWarmUpTime(Plexa3DBench::WarmUpSeconds);

void BM_GltfReadWhole(benchmark::State& state) {
    const std::string& path = GridFile();
    std::int32_t faces = 0;
    for (auto _ : state) {
        ZuveloGraphLibrary::TObject3D object;
        ZuveloGraphLibrary::TModelLooks looks;
        Plexa3DFormats::ReadModelFile(path, Plexa3DFormats::TModelPart::Whole, object, looks);
        faces = object.FaceCount;
        benchmark::DoNotOptimize(object.Faces.begin());
    }
    state.counters["faces"] = faces;
}
BENCHMARK(BM_GltfReadWhole)
    ->Unit(benchmark::kMillisecond)
    ->MinWarmUpTime(Plexa3DBench::WarmUpSeconds);

} // namespace bench_read_gltf
} // namespace
