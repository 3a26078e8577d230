#include "FormatSeeds.h"

#include "Writer3DS.h"
#include "WriterPly.h"

#include <string>

namespace Plexa3DFuzz {

void WritePlySeeds(const std::filesystem::path& folder) {
    using namespace Plexa3DTools;
    const TMeshSpec quad{"quad",
                         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                         {{0, 1, 2}, {0, 2, 3}},
                         {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                         {},
                         {}};
    const TMeshSpec tri{"tri", {{0, 0, 5}, {2, 0, 5}, {0.5f, -2, 5}}, {{0, 1, 2}}, {}, {}, {}};
    const std::vector<std::array<float, 3>> colours = {
        {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}, {1, 0.5f, 0}, {0, 0, 0}, {0.2f, 0.4f, 0.6f}};
    const auto write = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
        WriteBytes((folder / name).string(), bytes);
    };
    write("empty", {});
    write("ascii.ply", PlyFile({quad, tri}));
    TPlyModelOptions looks{TPlyEncoding::LittleEndian};
    looks.VertexColours = colours;
    looks.Normals = std::vector<std::array<float, 3>>(7, {0, 0, 1});
    looks.TextureFile = "flag.png";
    write("little-endian-looks.ply", PlyFile({quad, tri}, looks));
    TPlyModelOptions big{TPlyEncoding::BigEndian, "double", "ushort", "uint"};
    big.FaceColours = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    big.ColourType = "float";
    big.MappingNames = {"texture_u", "texture_v"};
    write("big-endian-face-colours.ply", PlyFile({quad, tri}, big));
    // Faces first, polygons, unknown elements and properties with lists, a second vertex element.
    for (const TPlyEncoding encoding : {TPlyEncoding::Ascii, TPlyEncoding::LittleEndian}) {
        TPlyFile file = PlyModel({quad, tri}, {encoding, "int16", "char", "int8"});
        file.HeaderLines = {"comment made by hand", "obj_info none", "free text"};
        file.Elements[1].Items = {{4, 0, 1, 2, 3}, {2, 0, 1}, {5, 6, 5, 4, 3, 2}, {3, 0, 9, -1}};
        file.Elements[1].Properties.push_back({"float", "quality"});
        for (auto& item : file.Elements[1].Items) {
            item.push_back(0.5);
        }
        std::swap(file.Elements[0], file.Elements[1]);
        file.Elements.insert(file.Elements.begin() + 1,
                             TPlyElement{"edge",
                                         {{"uint", "corners", "uchar"}, {"uchar", "crease"}},
                                         {{2, 0, 1, 9}, {0, 3}}});
        file.Elements.push_back(file.Elements[2]);
        write(encoding == TPlyEncoding::Ascii ? "odd-ascii.ply" : "odd-binary.ply", PlyBytes(file));
    }
    const std::string comments = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
                                 "property float y\nproperty float z\nelement face 1\n"
                                 "property list uchar int vertex_index\nend_header\n"
                                 "comment a vertex\n0 0 0\n1e0 +0x1p-1 inf\n.5 nan 0\n3 0 1 2\n";
    write("comments-in-body.ply", {comments.begin(), comments.end()});
}

} // namespace Plexa3DFuzz
