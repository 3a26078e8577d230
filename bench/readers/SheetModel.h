// What the benchmarks of the STL, PLY and OFF readers share: a model of about a million faces
// (16 rippled sheets of 181 x 181 vertices, 1 036 800 triangles), written once by a format's test
// writer into a temporary folder, and the pair of benchmarks run on each file: reading its bytes
// into memory, as ReadModelFile does first, and ReadModelFile reading the whole model.
#pragma once

#include "FileReader.h"
#include "LargeBlocks.h"
#include "ModelFiles.h"
#include "Writer3DS.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Plexa3DBench {

// Each benchmark reads for this long before it is timed: the first reading of a large file in a
// process takes two to three times as long as the next, and a benchmark that reads such a file
// only once or twice would time mostly that.
inline constexpr double WarmUpSeconds = 0.5;

inline std::vector<Plexa3DTools::TMeshSpec> SheetModel() {
    constexpr int Side = 181;
    std::vector<Plexa3DTools::TMeshSpec> sheets;
    for (int s = 0; s < 16; ++s) {
        Plexa3DTools::TMeshSpec sheet{"sheet " + std::to_string(s), {}, {}, {}, {}, {}};
        for (int y = 0; y < Side; ++y) {
            for (int x = 0; x < Side; ++x) {
                const float fx = float(x) * 0.0173f + float(s % 4) * 3.3f;
                const float fy = float(y) * 0.0191f + float(s / 4) * 3.7f;
                sheet.Vertices.push_back(
                    {fx, fy, 0.37f * std::sin(fx * 2.9f) * std::cos(fy * 3.1f) + 0.01f * float(s)});
                sheet.Mapping.push_back({float(x) / (Side - 1), float(y) / (Side - 1)});
            }
        }
        for (int y = 0; y + 1 < Side; ++y) {
            for (int x = 0; x + 1 < Side; ++x) {
                const auto v = std::uint16_t(y * Side + x);
                sheet.Faces.push_back({v, std::uint16_t(v + 1), std::uint16_t(v + Side + 1)});
                sheet.Faces.push_back({v, std::uint16_t(v + Side + 1), std::uint16_t(v + Side)});
            }
        }
        sheets.push_back(std::move(sheet));
    }
    return sheets;
}

// The temporary folder of the files, removed at the end of the run.
class TBenchFolder {
public:
    TBenchFolder()
        : path_(std::filesystem::temp_directory_path() /
                ("plexa3d-bench-readers-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~TBenchFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TBenchFolder(const TBenchFolder&) = delete;
    TBenchFolder& operator=(const TBenchFolder&) = delete;

    static TBenchFolder& Instance() {
        static TBenchFolder folder;
        return folder;
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A file written the first time it is asked for.
class TBenchFile {
public:
    TBenchFile(std::string name, std::function<std::vector<std::uint8_t>()> write)
        : name_(std::move(name)), write_(std::move(write)) {}

    const std::string& Path() {
        if (path_.empty()) {
            const std::vector<std::uint8_t> bytes = write_();
            size_ = std::int64_t(bytes.size());
            path_ = (TBenchFolder::Instance().Path() / name_).string();
            Plexa3DTools::WriteBytes(path_, bytes);
        }
        return path_;
    }
    std::int64_t Size() {
        Path();
        return size_;
    }

private:
    std::string name_;
    std::function<std::vector<std::uint8_t>()> write_;
    std::string path_;
    std::int64_t size_ = 0;
};

// The file's bytes through the library's file reader into a buffer made once, as the .3DS
// benchmarks read theirs: the time of the reading itself. A new buffer for each reading would add
// the system's finding of new pages for it, which depends on what the process freed before (7 to
// 35 ms for 48 MB here, from one run to the next); ReadModelFile asks for huge pages for its own
// buffer, which keeps that cost small there.
inline void BenchReadBytesAt(benchmark::State& state, const std::string& path) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::filesystem::file_size(path)));
    for (auto _ : state) {
        ZuveloGraphLibrary::TFileReader reader(path);
        if (reader.Read(bytes.data(), bytes.size()) != bytes.size()) {
            state.SkipWithError("cannot read the file");
            break;
        }
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes.size()));
    state.counters["MB"] = double(bytes.size()) / 1e6;
}

// The file's bytes as ReadModelFile reads them, into a block made for each reading (huge pages
// asked for, read in pieces side by side): the reading's own share of a model's time, the rest
// being the reader's.
inline void BenchReadBlockAt(benchmark::State& state, const std::string& path) {
    const auto size = static_cast<std::size_t>(std::filesystem::file_size(path));
    for (auto _ : state) {
        auto block = std::make_unique_for_overwrite<std::uint8_t[]>(size);
        ZuveloGraphLibrary::AdviseLargeBlock(block.get(), size);
        ZuveloGraphLibrary::TFileReader reader(path);
        if (reader.ReadLarge(block.get(), size) != size) {
            state.SkipWithError("cannot read the file");
            break;
        }
        benchmark::DoNotOptimize(block.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(size));
}

inline void BenchReadBytes(benchmark::State& state, TBenchFile& file) {
    BenchReadBytesAt(state, file.Path());
}

// The whole model, read as the program reads it.
inline void BenchReadModel(benchmark::State& state, TBenchFile& file) {
    const std::string& path = file.Path();
    std::int32_t faces = 0;
    for (auto _ : state) {
        ZuveloGraphLibrary::TObject3D object;
        ZuveloGraphLibrary::TModelLooks looks;
        Plexa3DFormats::ReadModelFile(path, Plexa3DFormats::TModelPart::Whole, object, looks);
        faces = object.FaceCount;
        benchmark::DoNotOptimize(object.Faces.begin());
    }
    state.SetBytesProcessed(state.iterations() * file.Size());
    state.counters["faces"] = faces;
}

// The benchmarks of a file, side by side, named "<label>/bytes", "<label>/block" and
// "<label>/model".
inline bool RegisterReaderBenchmarks(const std::string& label, TBenchFile& file) {
    benchmark::RegisterBenchmark((label + "/bytes").c_str(), BenchReadBytes, std::ref(file))
        ->Unit(benchmark::kMillisecond)
        ->MinWarmUpTime(WarmUpSeconds);
    benchmark::RegisterBenchmark(
        (label + "/block").c_str(),
        [&file](benchmark::State& state) { BenchReadBlockAt(state, file.Path()); })
        ->Unit(benchmark::kMillisecond)
        ->MinWarmUpTime(WarmUpSeconds);
    benchmark::RegisterBenchmark((label + "/model").c_str(), BenchReadModel, std::ref(file))
        ->Unit(benchmark::kMillisecond)
        ->MinWarmUpTime(WarmUpSeconds);
    return true;
}

} // namespace Plexa3DBench
