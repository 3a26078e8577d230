// A writer of PLY files for the tests, the fuzz seeds and the benchmarks: any header and elements
// in any of the three encodings, with each value written as its property's type says; and the
// meshes of a model as one vertex element and one face element, with the looks PLY carries.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Plexa3DTools {

struct TMeshSpec;

enum class TPlyEncoding : std::uint8_t { Ascii, LittleEndian, BigEndian };

struct TPlyProperty {
    std::string Type; // as the header names it; a type PLY lacks is written as such (and 4 bytes)
    std::string Name;
    std::string CountType{}; // a list when not empty
};

struct TPlyElement {
    std::string Name;
    std::vector<TPlyProperty> Properties{};
    // Each item's values in the properties' order; a list gives its count, then its items.
    std::vector<std::vector<double>> Items{};
    std::optional<std::uint64_t> StoredCount{}; // the count written in place of the items'
};

struct TPlyFile {
    TPlyEncoding Encoding = TPlyEncoding::Ascii;
    std::vector<std::string> HeaderLines{}; // after the format line: comments and the like
    std::vector<TPlyElement> Elements{};
    std::string Format{};       // the format line in place of the encoding's, when not empty
    std::string LineEnd = "\n"; // of the header, and of each item in ASCII
};

std::vector<std::uint8_t> PlyBytes(const TPlyFile& file);

// How the meshes are written as one model: their vertices one after another (x, y, z; then
// nx, ny, nz, the colour and the mapping coordinates where given), then their faces (a list of
// vertex indices; then the face's colour where given). Colours are from 0 to 1, written as 0 to
// 255 for integer types.
struct TPlyModelOptions {
    TPlyEncoding Encoding = TPlyEncoding::Ascii;
    std::string CoordinateType = "float";
    std::string CountType = "uchar";
    std::string IndexType = "int";
    std::string IndexName = "vertex_indices";
    std::vector<std::array<float, 3>> Normals{};       // per vertex of the model, if any
    std::vector<std::array<float, 3>> VertexColours{}; // likewise
    std::vector<std::array<float, 3>> FaceColours{};   // per face of the model, if any
    std::string ColourType = "uchar";
    std::array<std::string, 3> ColourNames = {"red", "green", "blue"};
    std::array<std::string, 2> MappingNames = {"s", "t"}; // written when a mesh has mapping
    std::string TextureFile{};                            // named in a comment when not empty
};

TPlyFile PlyModel(const std::vector<TMeshSpec>& meshes, const TPlyModelOptions& options = {});
std::vector<std::uint8_t> PlyFile(const std::vector<TMeshSpec>& meshes,
                                  const TPlyModelOptions& options = {});

} // namespace Plexa3DTools
