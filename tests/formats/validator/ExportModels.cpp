// Exports models as `plexa3d --export` does, many in one process. Starting the program once a file
// was most of the export validation's time, above all under the sanitizers.
//   export_models MODEL FOLDER KIND [MODEL FOLDER KIND]...
// For each triple, writes FOLDER/model.KIND and beside it `source` (the model's name), `status`
// (0 written, 1 refused) and `stderr` (what the program would have said, in its words). Status 2
// for a malformed command.
#include "ExportImages.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

constexpr int ArgumentsPerExport = 3;

void WriteText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv); // for the image plugins
    if (argc < 1 + ArgumentsPerExport || (argc - 1) % ArgumentsPerExport != 0) {
        std::fprintf(stderr, "usage: export_models MODEL FOLDER KIND [MODEL FOLDER KIND]...\n");
        return 2;
    }
    try {
        for (int i = 1; i < argc; i += ArgumentsPerExport) {
            const std::string model = argv[i];
            const std::filesystem::path folder = argv[i + 1];
            const std::string output = (folder / ("model." + std::string(argv[i + 2]))).string();
            std::filesystem::create_directories(folder);
            WriteText(folder / "source", model + "\n");
            std::string told;
            int status = 0;
            try {
                for (const std::string& note : Plexa3DApp::ExportModelFile(model, output).Notes) {
                    told += "plexa3d: " + model + ": " + note + "\n";
                }
            } catch (const std::exception& error) {
                told += "plexa3d: " + model + ": " + error.what() + "\n";
                status = 1;
            }
            WriteText(folder / "stderr", told);
            WriteText(folder / "status", std::to_string(status) + "\n");
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "export_models: %s\n", error.what());
        return 2;
    }
    return 0;
}
