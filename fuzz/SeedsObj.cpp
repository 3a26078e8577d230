// Seeds of the OBJ target, written by the OBJ writer: models in each form of the text, polygons
// convex and not, meshes, smoothing groups, vertex colours, and models with their material
// library after the companion mark.
#include "FormatSeeds.h"

#include "WriterObj.h"

#include <string>
#include <vector>

namespace Plexa3DFuzz {

namespace {

using Plexa3DTools::TMeshSpec;
using Plexa3DTools::TObjMaterialSpec;
using Plexa3DTools::TObjStyle;

TMeshSpec Cube(const std::string& name, float at) {
    TMeshSpec cube{name, {}, {}};
    for (int i = 0; i < 8; ++i) {
        cube.Vertices.push_back({at + float(i & 1), float(i >> 1 & 1), float(i >> 2)});
        cube.Mapping.push_back({0.5f * float(i & 1), 0.25f * float(i >> 1)});
    }
    cube.Faces = {{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                  {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
    cube.Materials = {{"Red", {0, 1, 2, 3}}, {"Pictured", {4, 5}}, {"Missing", {6}}};
    cube.Smoothing = {1, 1, 2, 2, 4, 0, 8};
    return cube;
}

// A comb of `teeth` teeth, a concave polygon.
std::vector<std::array<float, 3>> Comb(int teeth) {
    std::vector<std::array<float, 3>> points = {{0, 0, 0}, {float(2 * teeth + 1), 0, 0}};
    for (int i = teeth; i >= 1; --i) {
        points.push_back({float(2 * i + 1), 10, 0.1f * float(i)});
        points.push_back({float(2 * i), 10, 0});
        points.push_back({float(2 * i), 1, 0});
        points.push_back({float(2 * i - 1), 1, 0.1f * float(i)});
    }
    points.push_back({1, 10, 0});
    points.push_back({0, 10, 0});
    return points;
}

const std::string Library = Plexa3DTools::MtlFile({
    {"Red", {{0.2f, 0, 0}}, {{1, 0, 0}}, {{1, 1, 1}}, 64, 0.75f, {}, {}, {}, {"illum 2"}},
    {"Pictured",
     {},
     {},
     {},
     {},
     {},
     0.25f,
     "maps/my image.png",
     "-s 2 2 1 -o 0.5 0.25 0 -clamp on -bm 0.5 -imfchan r"},
    {"Plain"},
});

void Write(const std::filesystem::path& folder, const std::string& name, const std::string& obj,
           const std::string& companion = {}) {
    Plexa3DTools::WriteText((folder / name).string(),
                            companion.empty() ? obj : obj + "\n#--companion--\n" + companion);
}

} // namespace

void WriteObjSeeds(const std::filesystem::path& folder) {
    Plexa3DTools::WriteText((folder / "empty").string(), "");
    const std::vector<TMeshSpec> cubes = {Cube("First", 0), Cube("Second", 3)};
    TObjStyle library;
    library.Before = {"mtllib cubes.mtl"};
    Write(folder, "cubes-with-library", Plexa3DTools::ObjFile(cubes, library), Library);
    TObjStyle odd = library;
    odd.LineEnd = "\r\n";
    odd.Blank = " \t";
    odd.Number = "%a";
    odd.Relative = true;
    odd.Normals = true;
    odd.W = true;
    odd.Comments = true;
    odd.MeshWord = "g";
    odd.LastLineEnd = false;
    Write(folder, "cubes-odd-text", Plexa3DTools::ObjFile(cubes, odd), Library);
    TObjStyle coloured;
    coloured.LineEnd = "\r";
    for (int i = 0; i < 16; ++i) {
        coloured.Colours.push_back({float(i & 1), 0.5f, float(i) / 16});
    }
    coloured.After = {"usemtl Plain",  "f 1 2 3 4",        "l 1 2 3", "p 4",           "s off",
                      "vp 0.5",        "f 1/99 2//5 -1 0", "f 1 2",   "newmtl Inline", "Kd 0 1 0",
                      "usemtl Inline", "f 9 10 11",        "o Last",  "f -1 -2 -3"};
    Write(folder, "cubes-coloured", Plexa3DTools::ObjFile(cubes, coloured), Library);
    Write(folder, "comb", Plexa3DTools::PolygonFile(Comb(12)));
    Write(folder, "bow-tie",
          Plexa3DTools::PolygonFile({{0, 0, 0}, {2, 2, 0}, {2, 0, 0}, {0, 2, 0}},
                                    {0, 1, 2, 3, 0, 2}));
}

} // namespace Plexa3DFuzz
