#include "FormatSeeds.h"

#include "Writer3DS.h"
#include "WriterStl.h"

#include <string>

namespace Plexa3DFuzz {

void WriteStlSeeds(const std::filesystem::path& folder) {
    using namespace Plexa3DTools;
    const TMeshSpec quad{
        "quad", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}}, {}, {}, {}};
    const TMeshSpec tri{"tri", {{0, 0, 5}, {2, 0, 5}, {0.5f, -2, 5}}, {{0, 1, 2}}, {}, {}, {}};
    const std::string colour = "COLOR=" + std::string("\xFF\x80\x00\xFF", 4);
    const auto write = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
        WriteBytes((folder / name).string(), bytes);
    };
    write("empty", {});
    write("binary.stl", StlFile({quad, tri}));
    write("binary-solid.stl", StlFile({quad, tri}, {.Header = "solid quad"}));
    write("binary-header-colours.stl",
          StlFile({quad, tri}, {.Header = "solid " + colour,
                                .Attributes = {StlHeaderConventionColour(31, 16, 0), 0x8000,
                                               StlHeaderConventionColour(0, 0, 31)}}));
    write("binary-valid-bit-colours.stl",
          StlFile({quad, tri},
                  {.Attributes = {StlValidBitColour(31, 16, 0), 0, StlValidBitColour(0, 31, 0)}}));
    write("binary-miscounted.stl", StlFile({quad, tri}, {.Header = "solid", .StoredCount = 7}));
    write("ascii.stl", StlFile({quad, tri}, {.Ascii = true}));
    write("ascii-upper-crlf.stl",
          StlFile({quad, tri},
                  {.Ascii = true, .NumberFormat = "%.6E", .LineEnd = "\r\n", .UpperCase = true}));
    write("ascii-hex-no-endsolid.stl",
          StlFile({quad, tri}, {.Ascii = true, .NumberFormat = "%+a", .EndSolid = false}));
    const std::string odd = "# a comment\nsolid odd # named\nfacet normal 0 0 1\nouter loop\n"
                            "vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0 vertex 1 1 1\nendloop\n"
                            "endfacet\nfacet\nvertex 1 nan 0\nvertex inf 0 0\nvertex 0 1e99 0\n"
                            "endfacet\nvertex 0 0 0\nendsolid odd\nsolid\nendsolid\n";
    write("ascii-odd.stl", {odd.begin(), odd.end()});
}

} // namespace Plexa3DFuzz
