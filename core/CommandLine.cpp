#include "CommandLine.h"

#include "ExportModel.h"

#include <charconv>
#include <string>

namespace Plexa3DApp {
namespace {

bool ParseInt(const std::string& text, int low, int high, int& value) {
    const char* end = text.data() + text.size();
    const auto [at, fault] = std::from_chars(text.data(), end, value);
    return fault == std::errc() && at == end && !text.empty() && value >= low && value <= high;
}

bool ParseAngles(const std::string& text, std::array<int, 3>& angles) {
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = i < 2 ? text.find(',', start) : text.size();
        if (comma == std::string::npos ||
            !ParseInt(text.substr(start, comma - start), 0, 360, angles[std::size_t(i)])) {
            return false;
        }
        start = comma + 1;
    }
    return start == text.size() + 1;
}

} // namespace

std::optional<TCommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                             TCommandLineError& error, bool leaveToolkitOptions) {
    TCommandLine line;
    const auto fail = [&](const std::string& message) {
        error.Message = message;
        return std::nullopt;
    };
    bool options = true;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (!options || argument.empty() || argument[0] != '-' || argument == "-") {
            line.Files.push_back(argument);
        } else if (argument == "--") {
            options = false;
        } else if (argument == "--help" || argument == "-h") {
            line.Help = true;
        } else if (argument == "--version") {
            line.Version = true;
        } else if (argument == "--one-pane") {
            line.OnePane = true;
        } else if (argument == "--perspective") {
            line.Perspective = true;
        } else if (argument == "--whole") {
            line.WholeModel = true;
        } else if (argument == "--fit") {
            line.FitToWindow = true;
        } else if (argument == "--draw") {
            const auto mode =
                hasValue ? ZuveloGraphLibrary::DrawModeNamed(arguments[i + 1]) : std::nullopt;
            if (!mode) {
                return fail("--draw needs wire, hidden or solid");
            }
            line.DrawMode = mode;
            ++i;
        } else if (argument == "--thumbnail") {
            TThumbnailRequest thumbnail;
            if (i + 3 >= arguments.size() ||
                !ParseInt(arguments[i + 1], MinThumbnailSize, MaxThumbnailSize, thumbnail.Size) ||
                arguments[i + 2].empty() || arguments[i + 3].empty()) {
                return fail("--thumbnail needs a size from " + std::to_string(MinThumbnailSize) +
                            " to " + std::to_string(MaxThumbnailSize) +
                            ", an input file and an output file");
            }
            thumbnail.Input = arguments[i + 2];
            thumbnail.Output = arguments[i + 3];
            line.Thumbnail = thumbnail;
            i += 3;
        } else if (argument == "--export") {
            if (i + 2 >= arguments.size() || arguments[i + 1].empty() || arguments[i + 2].empty() ||
                !Plexa3DFormats::ExportFormatNamed(arguments[i + 1])) {
                return fail("--export needs an output file named .glb, .gltf, .obj, .stl or .ply, "
                            "and an input file");
            }
            line.Export = {arguments[i + 1], arguments[i + 2]};
            i += 2;
        } else if (argument == "--info") {
            line.Info = true;
        } else if (argument == "--snapshot") {
            if (!hasValue || arguments[i + 1].empty()) {
                return fail("--snapshot needs a folder");
            }
            line.SnapshotDir = arguments[++i];
        } else if (argument == "--select") {
            int row = 0;
            if (!hasValue || !ParseInt(arguments[i + 1], 1, 255, row)) {
                return fail("--select needs a row number from 1 to 255");
            }
            line.Select = row;
            ++i;
        } else if (argument == "--angles") {
            std::array<int, 3> angles{};
            if (!hasValue || !ParseAngles(arguments[i + 1], angles)) {
                return fail("--angles needs three whole degrees from 0 to 360, as X,Y,Z");
            }
            line.Angles = angles;
            ++i;
        } else if (!(leaveToolkitOptions && argument.size() > 1 && argument[1] != '-')) {
            return fail("unknown option " + argument);
        }
    }
    if (line.Thumbnail && (!line.Files.empty() || line.SnapshotDir)) {
        return fail("--thumbnail takes no other files and no --snapshot");
    }
    if (line.Info && (line.Files.empty() || line.SnapshotDir || line.Thumbnail)) {
        return fail("--info needs one file or more, and no --snapshot or --thumbnail");
    }
    if (line.Export && (!line.Files.empty() || line.SnapshotDir || line.Thumbnail || line.Info)) {
        return fail("--export takes no other files and no --snapshot, --thumbnail or --info");
    }
    return line;
}

std::string UsageText() {
    return "Usage: plexa3d [OPTIONS] [FILE...]\n"
           "Viewer for .3DS, OBJ, STL, PLY, OFF and glTF models. Each FILE is imported at\n"
           "start-up, in order.\n"
           "\n"
           "Options for the imports, wherever they stand:\n"
           "  --whole             import every mesh of a file as one object, not only the first\n"
           "  --fit               centre each import and scale it to fit the panes\n"
           "  --draw MODE         draw the panes as wire (the wireframe, the default), hidden\n"
           "                      (hidden lines removed) or solid (shaded surfaces); with\n"
           "                      --thumbnail, how the thumbnail is drawn (solid by default)\n"
           "\n"
           "Options, applied after the imports in this order:\n"
           "  --one-pane          show the free view alone, in one 800 x 600 pane\n"
           "  --perspective       draw the free view in perspective\n"
           "  --select N          select row N of the object list\n"
           "  --angles X,Y,Z      turn the selected object by whole degrees (0 to 360)\n"
           "  --snapshot DIR      run without a display: draw once, write DIR/Image1.png to\n"
           "                      DIR/Image5.png and exit (status 1 after any error)\n"
           "\n"
           "  --thumbnail SIZE INPUT OUTPUT\n"
           "                      without a display, write a PNG of SIZE x SIZE pixels (" +
           std::to_string(MinThumbnailSize) + " to " + std::to_string(MaxThumbnailSize) +
           ")\n"
           "                      showing the whole model of INPUT, fitted and turned\n"
           "  --export OUTPUT INPUT\n"
           "                      without a display, write the whole model of INPUT as OUTPUT:\n"
           "                      .glb, .gltf (with .bin), .obj (with .mtl), .stl or .ply\n"
           "  --info FILE...      describe what each FILE holds, as a whole-model import reads\n"
           "                      it: format, meshes, triangles, vertices, materials,\n"
           "                      textures, bounds (status 1 if a file cannot be read)\n"
           "  --help              show this text\n"
           "  --version           show the version\n";
}

} // namespace Plexa3DApp
