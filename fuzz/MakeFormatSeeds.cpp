// Writes the seed files of the fuzz targets of the other model formats, each into its own folder
// under the folder named on the command line: FOLDER/obj, FOLDER/stl, FOLDER/ply, FOLDER/off,
// FOLDER/gltf. Each format's seeds are written by its test writer (tools/Writer*.h).
#include "FormatSeeds.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    try {
        const auto write = [&](const char* name, void (*seeds)(const std::filesystem::path&)) {
            std::filesystem::create_directories(folder / name);
            seeds(folder / name);
        };
        write("obj", Plexa3DFuzz::WriteObjSeeds);
        write("stl", Plexa3DFuzz::WriteStlSeeds);
        write("ply", Plexa3DFuzz::WritePlySeeds);
        write("off", Plexa3DFuzz::WriteOffSeeds);
        write("gltf", Plexa3DFuzz::WriteGltfSeeds);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
