// The thumbnail as a file manager has it made, whole: the model read with its looks, the images it
// names decoded, the surfaces drawn larger and reduced, the PNG written. Each model once with its
// images beside it and once without them (drawn in the materials' colours), 128 pixels a side:
//   Painted: the painted sample car and its flag image.
//   Photos:  the corpus model textured with three photographs (800 x 446 to 800 x 608 JPEGs),
//            when the corpus is present.
// Images decode and surfaces are shaded on several threads: the time is the wall's, the CPU time
// the whole process's.
#include "Thumbnail.h"

#include <QCoreApplication>
#include <QDir>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Plexa3DApp::WriteThumbnail;

constexpr int Size = 128;

// A folder holding the model and, when asked, the images beside it.
fs::path Staged(const std::string& label, const fs::path& model,
                const std::vector<std::string>& images, bool withImages) {
    const fs::path folder = fs::temp_directory_path() / ("plexa3d-bench-thumbnail-" + label +
                                                         (withImages ? "-with" : "-without"));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(model, folder / model.filename());
    if (withImages) {
        for (const std::string& image : images) {
            fs::copy_file(model.parent_path() / image, folder / image);
        }
    }
    return folder / model.filename();
}

void Thumbnail(benchmark::State& state, std::string label, fs::path model,
               std::vector<std::string> images, bool withImages) {
    if (!fs::exists(model)) {
        state.SkipWithError("the model is not there");
        return;
    }
    const fs::path input = Staged(label, model, images, withImages);
    const QString output = QString::fromStdString((input.parent_path() / "t.png").string());
    // The program's folder, written with backslashes as the program writes its paths.
    std::string dir = QCoreApplication::applicationDirPath().toStdString();
    for (char& c : dir) {
        c = c == '/' ? '\\' : c;
    }
    for (auto _ : state) {
        WriteThumbnail(Size, input.string(), output, dir + "\\");
    }
    fs::remove_all(input.parent_path());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    const fs::path samples = PLEXA3D_SOURCE_DIR "/samples";
    const fs::path corpus = PLEXA3D_CORPUS_DIR;
    for (const bool with : {false, true}) {
        const std::string suffix = with ? "/with-images" : "/without-images";
        benchmark::RegisterBenchmark(("Thumbnail/Painted" + suffix).c_str(), Thumbnail, "painted",
                                     samples / "vehicle-painted.3ds",
                                     std::vector<std::string>{"bandiera.bmp"}, with)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
        benchmark::RegisterBenchmark(
            ("Thumbnail/Photos" + suffix).c_str(), Thumbnail, "photos",
            corpus / "assimp__test1.3ds",
            std::vector<std::string>{"CWALL02.jpg", "IMAGE1.jpg", "IMAGE2.jpg"}, with)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
