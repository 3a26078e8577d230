// A writer of OFF files for the tests, the fuzz seeds and the benchmarks: the meshes as one model,
// their vertices one after another and then their faces, with what the first word's letters say
// each vertex carries. Options make the odd and broken files the tests need on purpose.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Plexa3DTools {

struct TMeshSpec;

struct TOffOptions {
    // The first word; its letters say what each vertex line carries after its coordinates, from
    // the lists below: N the normal (of the dimension's size), C the colour, ST the mesh's mapping
    // coordinates (0 0 where a mesh has none); 4 a fourth coordinate w (the others written times
    // w); n the dimension.
    std::string Word = "OFF";
    std::vector<std::array<float, 3>> Normals{}; // per vertex of the model
    std::vector<std::string> VertexColours{};    // per vertex: the colour as written
    std::vector<float> W{};                      // per vertex, with 4 (1 beyond the list)
    int Dimension = 3;                           // with n: the coordinates a vertex has
    std::vector<std::string> FaceColours{};      // per face: written after its indices, where given
    std::vector<std::vector<std::int64_t>> Polygons{}; // faces in place of the meshes' faces
    std::string Counts{}; // the counts line in place of the true one, when not empty
    std::string LineEnd = "\n";
    bool Comments = false; // comment lines and comments after lines
};

std::vector<std::uint8_t> OffFile(const std::vector<TMeshSpec>& meshes,
                                  const TOffOptions& options = {});

} // namespace Plexa3DTools
