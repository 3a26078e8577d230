// The OBJ reader beside the reading of its file's bytes, on a file written here: a grid of
// 1000 x 500 squares, two triangles each (a million faces), every corner naming its vertex,
// mapping coordinates and normal (v/vt/vn), as modellers write them. (a) reads the file's bytes
// (SheetModel.h), as ReadModelFile starts; (b) is ReadModelFile, whole, which does (a) too.
#include "GraphErrors.h"
#include "ModelFiles.h"
#include "SheetModel.h"
#include "WriterObj.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {
namespace bench_read_obj {

namespace fs = std::filesystem;

// The file, written on first use into a folder of its own, removed when the program ends.
class TGridFile {
public:
    TGridFile() {
        std::string pattern = (fs::temp_directory_path() / "plexa3d-bench-obj-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        path_ = (folder_ / "grid.obj").string();
        const std::string text = Plexa3DTools::GridObjFile(1000, 500);
        Plexa3DTools::WriteText(path_, text);
        size_ = static_cast<std::int64_t>(text.size());
    }
    ~TGridFile() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    TGridFile(const TGridFile&) = delete;
    TGridFile& operator=(const TGridFile&) = delete;

    const std::string& Path() const { return path_; }
    std::int64_t Size() const { return size_; }

private:
    fs::path folder_;
    std::string path_;
    std::int64_t size_ = 0;
};

const TGridFile& Grid() {
    static const TGridFile file;
    return file;
}

void Finish(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * Grid().Size());
    state.counters["MB"] = static_cast<double>(Grid().Size()) / (1024.0 * 1024.0);
}

void ObjReadBytes(benchmark::State& state) {
    Plexa3DBench::BenchReadBytesAt(state, Grid().Path());
}
BENCHMARK(ObjReadBytes)->Unit(benchmark::kMillisecond)->MinWarmUpTime(Plexa3DBench::WarmUpSeconds);

void ObjReadBlock(benchmark::State& state) {
    Plexa3DBench::BenchReadBlockAt(state, Grid().Path());
}
BENCHMARK(ObjReadBlock)->Unit(benchmark::kMillisecond)->MinWarmUpTime(Plexa3DBench::WarmUpSeconds);

void ObjReadModelFile(benchmark::State& state) {
    ZuveloGraphLibrary::TObject3D object;
    ZuveloGraphLibrary::TModelLooks looks;
    for (auto _ : state) {
        Plexa3DFormats::ReadModelFile(Grid().Path(), Plexa3DFormats::TModelPart::Whole, object,
                                      looks);
        benchmark::DoNotOptimize(object.Faces.begin());
    }
    state.counters["faces"] = object.FaceCount;
    state.counters["vertices"] = object.VertexCount;
    Finish(state);
}
BENCHMARK(ObjReadModelFile)
    ->Unit(benchmark::kMillisecond)
    ->MinWarmUpTime(Plexa3DBench::WarmUpSeconds);

} // namespace bench_read_obj
} // namespace
