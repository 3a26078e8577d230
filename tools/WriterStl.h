// A writer of STL files, binary and ASCII, for the tests, the fuzz seeds and the benchmarks. The
// meshes' triangles are written in order, each with its three vertices and its normal; ASCII
// writes one solid a mesh. Options make the odd and broken files the tests need on purpose.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Plexa3DTools {

struct TMeshSpec;

struct TStlOptions {
    bool Ascii = false;
    // Binary: the header (cut, or filled with zero bytes, to 80), the count stored in place of
    // the true one, and the attribute word of each face in order (0 beyond the list).
    std::string Header = "binary STL of the Plexa3D tests";
    std::optional<std::uint32_t> StoredCount{};
    std::vector<std::uint16_t> Attributes{};
    // ASCII: how each number is written (a printf format for one double; empty: the shortest
    // text that reads back as the same single), the line end, keywords in upper case, and
    // whether each solid ends with endsolid.
    std::string NumberFormat{};
    std::string LineEnd = "\n";
    bool UpperCase = false;
    bool EndSolid = true;
};

// 16-bit attribute words of the two colour conventions, from channels 0 to 31: a face's own
// colour with bit 15 clear where the header says COLOR=, and a colour with bit 15 set otherwise.
inline std::uint16_t StlHeaderConventionColour(int red, int green, int blue) {
    return std::uint16_t(red | green << 5 | blue << 10);
}
inline std::uint16_t StlValidBitColour(int red, int green, int blue) {
    return std::uint16_t(0x8000 | blue | green << 5 | red << 10);
}

std::vector<std::uint8_t> StlFile(const std::vector<TMeshSpec>& meshes,
                                  const TStlOptions& options = {});

} // namespace Plexa3DTools
