// A writer of OBJ files and their MTL material libraries for the tests, the fuzz seeds and the
// benchmarks. Meshes come as the .3DS writer takes them (TMeshSpec, Writer3DS.h) and are written
// as OBJ writes them: per mesh an o or g statement, its vertices, mapping coordinates and normals,
// then its faces, each face list's material named by usemtl and each smoothing mask by s as they
// change. A style says how the text is laid out, so that one model can be written in every form
// the format allows; lines added before and after make odd or broken files on purpose.
#pragma once

#include "Writer3DS.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Plexa3DTools {

struct TObjStyle {
    std::string LineEnd = "\n"; // "\n", "\r\n" or "\r"
    bool LastLineEnd = true;    // whether the last line ends
    std::string Blank = " ";    // between the words of a statement
    std::string Number = "";    // the printf format of every coordinate; "": the shortest exact
    std::string MeshWord = "o"; // before each mesh's name: "o", "g", or "" for no statement
    bool Relative = false;      // corners counted back from the last element (negative)
    bool Normals = false;       // a normal per vertex (vn), named by every corner
    bool W = false;             // a fourth coordinate (1) for each vertex
    bool Comments = false;      // comment lines between the parts, and one after each statement
    // Vertex colours (v x y z r g b) for the vertices of all meshes in order, when not empty.
    std::vector<std::array<float, 3>> Colours{};
    std::vector<std::string> Before{}; // lines written first (mtllib statements, ...)
    std::vector<std::string> After{};  // lines written last
};

// The meshes as one OBJ file. A face takes the material of the last face material list that
// names it ("usemtl" with no name before faces of none after others), and smoothing group
// (lowest bit + 1) of its mask ("s off" for 0).
std::string ObjFile(const std::vector<TMeshSpec>& meshes, const TObjStyle& style = {});

// One polygon: a vertex per point, then "f" naming them in `order` (corners counted from 0; every
// point in turn when empty).
std::string PolygonFile(const std::vector<std::array<float, 3>>& points,
                        const std::vector<std::uint32_t>& order = {}, const TObjStyle& style = {});

// A flat grid of columns x rows squares, two triangles each, with a vertex, mapping coordinates
// and a normal at every grid point: 2 columns rows faces, counted in 32 bits, for the benchmarks.
std::string GridObjFile(std::uint32_t columns, std::uint32_t rows, const TObjStyle& style = {});

// A material as an MTL library defines it; each part written only when given.
struct TObjMaterialSpec {
    std::string Name;
    std::optional<std::array<float, 3>> Ambient{}, Diffuse{}, Specular{}; // Ka, Kd, Ks
    std::optional<float> Exponent{}, Opacity{}, Transparency{};           // Ns, d, Tr
    std::string Texture{};                                                // map_Kd's file name
    std::string TextureOptions{};     // written before it, as "-s 2 2 1 -clamp on"
    std::vector<std::string> Lines{}; // other statements, written after the rest as they are
};

std::string MtlFile(const std::vector<TObjMaterialSpec>& materials,
                    const std::string& lineEnd = "\n");

void WriteText(const std::string& path, const std::string& text);

} // namespace Plexa3DTools
