#include "FormatSeeds.h"

#include "Writer3DS.h"
#include "WriterOff.h"

#include <string>

namespace Plexa3DFuzz {

void WriteOffSeeds(const std::filesystem::path& folder) {
    using namespace Plexa3DTools;
    const TMeshSpec quad{"quad",
                         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                         {{0, 1, 2}, {0, 2, 3}},
                         {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                         {},
                         {}};
    const TMeshSpec tri{"tri", {{0, 0, 5}, {2, 0, 5}, {0.5f, -2, 5}}, {{0, 1, 2}}, {}, {}, {}};
    const std::vector<std::array<float, 3>> up(7, {0, 0, 1});
    const auto write = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
        WriteBytes((folder / name).string(), bytes);
    };
    write("empty", {});
    write("plain.off", OffFile({quad, tri}));
    write("comments-crlf.off", OffFile({quad, tri}, {.LineEnd = "\r\n", .Comments = true}));
    write("all-letters.off",
          OffFile({quad, tri}, {.Word = "STCN4OFF",
                                .Normals = up,
                                .VertexColours = {"255 0 0", "0 255 0 128", "0 0 1.0", "1 1 1",
                                                  "0.5 0.5 0.5 1", "7", "1 2"},
                                .W = {2, 0.5f, 1, 0, 4},
                                .FaceColours = {"0 0 255", "", "0.25 0.5 1.0 1.0"}}));
    write("dimension.off", OffFile({quad, tri}, {.Word = "4nOFF", .W = {2}, .Dimension = 5}));
    write("polygons.off",
          OffFile({quad, tri},
                  {.FaceColours = {"1 0 0", "3", "1 2", "1 x 2"},
                   .Polygons = {
                       {0, 1, 2, 3}, {0, 1}, {}, {0, 1, 7}, {-1, 1, 2}, {6, 5, 4, 3, 2, 1, 0}}}));
    const std::string damaged = "# first\n\nOFF 4 3\n0 0 0\n1 x 0\n1 1 0 9 9\n0 1 0\n"
                                "3 0 1 2\nx 0 1 2\n3 0 1\n4 0 1 2 3 255 0 0\n";
    write("damaged.off", {damaged.begin(), damaged.end()});
}

} // namespace Plexa3DFuzz
