// The program's command line: plexa3d [OPTIONS] [FILE...]. Each file is imported at start-up, in
// order, with the import options already set; the other options are then applied through the
// same handlers as the user's actions. plexa3d --thumbnail SIZE INPUT OUTPUT only draws a
// thumbnail; plexa3d --info FILE... only describes the files; plexa3d --export OUTPUT INPUT only
// writes the model out.
#pragma once

#include "DrawModes.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Plexa3DApp {

inline constexpr int MinThumbnailSize = 1;
inline constexpr int MaxThumbnailSize = 4096;

// --thumbnail SIZE INPUT OUTPUT: a PNG of at most SIZE x SIZE pixels, without a window.
struct TThumbnailRequest {
    int Size = 0;
    std::string Input;
    std::string Output;
};

struct TCommandLine {
    std::vector<std::string> Files;
    std::optional<std::string> SnapshotDir; // --snapshot DIR: render without a display, write PNGs
    bool OnePane = false;                   // --one-pane
    bool Perspective = false;               // --perspective
    std::optional<int> Select;              // --select N: row N of the object list
    std::optional<std::array<int, 3>> Angles; // --angles X,Y,Z: whole degrees 0 to 360
    bool WholeModel = false;                  // --whole: every mesh of a file
    bool FitToWindow = false;                 // --fit: centred and scaled to the panes
    // --draw wire|hidden|solid: how the panes draw, from the first import on; and the thumbnail
    std::optional<ZuveloGraphLibrary::TDrawMode> DrawMode;
    std::optional<TThumbnailRequest> Thumbnail;
    bool Info = false; // --info: describe each file, without a window
    // --export OUTPUT INPUT: the whole model of INPUT written as OUTPUT's extension says
    std::optional<std::pair<std::string, std::string>> Export;
    bool Help = false;
    bool Version = false;
};

struct TCommandLineError {
    std::string Message;
};

// Parses the arguments after the program name. "--" ends the options; every later argument is a
// file, even one starting with "-". With `leaveToolkitOptions`, an unknown option with a single
// dash is passed over instead of being an error: the GUI toolkit reads its own options
// ("-platform xcb", "-style fusion"), and before it has, they are still among the arguments.
std::optional<TCommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                             TCommandLineError& error,
                                             bool leaveToolkitOptions = false);

std::string UsageText();

} // namespace Plexa3DApp
