// Load3DS and Load3DSModel side by side with yardsticks on the same files: reading all of the
// file's bytes into memory, into a buffer kept from one run to the next and into a new one, and
// lib3ds loading the file (every mesh of it, like Load3DSModel), when it is installed. The files
// are the corpus files above 100 KB, when the corpus is present, and two large files written here:
// a mesh with full 16-bit lists, and a small mesh behind 20 MB of chunks the reader passes over.
#include "Import3DS.h"
#include "Import3DSModel.h"
#include "Writer3DS.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef PLEXA3D_HAVE_LIB3DS
#include <lib3ds/file.h>
#endif

namespace {

namespace fs = std::filesystem;
using ZuveloGraphLibrary::TObject3D;

struct TBenchFile {
    std::string Label;
    std::string Path;
    std::int64_t Size = 0;
};

std::vector<std::uint8_t> FullListsFile() {
    Plexa3DTools::TMeshSpec mesh{"Full", {}, {}};
    for (std::uint32_t i = 0; i < 65535; ++i) {
        const auto f = static_cast<float>(i);
        mesh.Vertices.push_back({f * 0.5f, -f, f + 0.25f});
        mesh.Faces.push_back(
            {std::uint16_t(i), std::uint16_t((i + 1) % 65535), std::uint16_t((i * 7) % 65535)});
    }
    return Plexa3DTools::MeshFile({mesh});
}

// 5120 unknown chunks of 4 KB inside the editor chunk, then a cube.
std::vector<std::uint8_t> LongSkipFile() {
    Plexa3DTools::TChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    const std::string payload(4096 - 6, '\x5A');
    for (int i = 0; i < 5120; ++i) {
        w.Begin(0x7777);
        w.Raw(payload);
        w.End();
    }
    w.Begin(0x4000);
    w.ZeroTerminated("Cube");
    w.Begin(0x4100);
    w.VertexList({{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, 1}, {1, -1, 1}});
    w.FaceList({{0, 1, 2}, {0, 2, 3}, {4, 5, 1}, {4, 1, 0}});
    w.End();
    w.End();
    w.End();
    w.End();
    return w.Bytes();
}

std::vector<TBenchFile> CorpusFiles() {
    std::vector<TBenchFile> files;
    const fs::path dir = PLEXA3D_CORPUS_DIR;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        const std::string ext = entry.path().extension().string();
        const bool model = ext == ".3ds" || ext == ".3DS";
        if (model && entry.is_regular_file() && entry.file_size() > 100 * 1024) {
            files.push_back({entry.path().filename().string(), entry.path().string(),
                             static_cast<std::int64_t>(entry.file_size())});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const TBenchFile& a, const TBenchFile& b) { return a.Size < b.Size; });
    return files;
}

TBenchFile Generated(const fs::path& dir, const std::string& label,
                     const std::vector<std::uint8_t>& bytes) {
    const fs::path path = dir / label;
    Plexa3DTools::WriteBytes(path.string(), bytes);
    return {label, path.string(), static_cast<std::int64_t>(bytes.size())};
}

long MinorFaults() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Counts the page faults of the timed runs: the memory a run takes fresh from the system (rather
// than from what the allocator kept) costs a fault on every page it touches.
class TFaultCount {
public:
    explicit TFaultCount(benchmark::State& state) : state_(state), start_(MinorFaults()) {}
    ~TFaultCount() {
        const auto runs =
            static_cast<double>(std::max<benchmark::IterationCount>(state_.iterations(), 1));
        state_.counters["faults"] = static_cast<double>(MinorFaults() - start_) / runs;
    }
    TFaultCount(const TFaultCount&) = delete;
    TFaultCount& operator=(const TFaultCount&) = delete;

private:
    benchmark::State& state_;
    long start_;
};

void Finish(benchmark::State& state, const TBenchFile& file) {
    state.SetBytesProcessed(state.iterations() * file.Size);
    state.counters["KB"] = static_cast<double>(file.Size) / 1024.0;
}

void BenchLoad3DS(benchmark::State& state, const TBenchFile& file) {
    TObject3D object;
    for (auto _ : state) {
        ZuveloGraphLibrary::Load3DS(file.Path, object);
        benchmark::DoNotOptimize(object.Faces.begin());
    }
    state.counters["vertices"] = object.VertexCount;
    Finish(state, file);
}

void BenchLoad3DSModel(benchmark::State& state, const TBenchFile& file) {
    TObject3D object;
    const TFaultCount faults(state);
    for (auto _ : state) {
        ZuveloGraphLibrary::Load3DSModel(file.Path, object);
        benchmark::DoNotOptimize(object.Faces.begin());
    }
    state.counters["vertices"] = object.VertexCount;
    state.counters["faces"] = object.FaceCount;
    Finish(state, file);
}

// The whole file into a buffer that is allocated once, so that only the reading is measured.
void BenchReadBytes(benchmark::State& state, const TBenchFile& file) {
    std::vector<char> buffer(static_cast<std::size_t>(file.Size));
    const TFaultCount faults(state);
    for (auto _ : state) {
        const int fd = ::open(file.Path.c_str(), O_RDONLY | O_CLOEXEC);
        std::size_t done = 0;
        while (fd >= 0 && done < buffer.size()) {
            const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        if (fd >= 0) {
            ::close(fd);
        }
        if (done != buffer.size()) {
            state.SkipWithError("cannot read the file");
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    Finish(state, file);
}

// The whole file into a new buffer, the way a reader that parses from memory would start.
void BenchReadNewBuffer(benchmark::State& state, const TBenchFile& file) {
    const TFaultCount faults(state);
    for (auto _ : state) {
        std::ifstream in(file.Path, std::ios::binary);
        std::vector<char> bytes(static_cast<std::size_t>(file.Size));
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (in.gcount() != file.Size) {
            state.SkipWithError("cannot read the file");
            break;
        }
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    Finish(state, file);
}

#ifdef PLEXA3D_HAVE_LIB3DS
void BenchLib3ds(benchmark::State& state, const TBenchFile& file) {
    for (auto _ : state) {
        Lib3dsFile* loaded = lib3ds_file_load(file.Path.c_str());
        if (loaded == nullptr) {
            state.SkipWithError("lib3ds cannot load the file");
            break;
        }
        benchmark::DoNotOptimize(loaded);
        lib3ds_file_free(loaded);
    }
    Finish(state, file);
}
#endif

void Register(const TBenchFile& file) {
    benchmark::RegisterBenchmark((file.Label + "/Load3DS").c_str(), BenchLoad3DS, file)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((file.Label + "/Load3DSModel").c_str(), BenchLoad3DSModel, file)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((file.Label + "/ReadBytes").c_str(), BenchReadBytes, file)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((file.Label + "/ReadNewBuffer").c_str(), BenchReadNewBuffer, file)
        ->Unit(benchmark::kMicrosecond);
#ifdef PLEXA3D_HAVE_LIB3DS
    benchmark::RegisterBenchmark((file.Label + "/lib3ds").c_str(), BenchLib3ds, file)
        ->Unit(benchmark::kMicrosecond);
#endif
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    std::string pattern = (fs::temp_directory_path() / "plexa3d-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    const fs::path dir = pattern;
    std::vector<TBenchFile> files = CorpusFiles();
    files.push_back(Generated(dir, "full-lists-65535.3ds", FullListsFile()));
    files.push_back(Generated(dir, "skip-20MB.3ds", LongSkipFile()));
    for (const TBenchFile& file : files) {
        Register(file);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return 0;
}
