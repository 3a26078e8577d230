// The PLY reader: each encoding and type, elements in any order, colours, normals and mapping
// coordinates, polygons, what is passed over, headers it refuses, damaged and cut files, and
// real files.
#include "MeshReaderChecks.h"
#include "Writer3DS.h"
#include "WriterPly.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <limits>
#include <string>
#include <vector>

namespace {
namespace ply_reader_test {

using namespace Plexa3DTest;
using Plexa3DTools::PlyBytes;
using Plexa3DTools::PlyModel;
using Plexa3DTools::TMeshSpec;
using Plexa3DTools::TPlyElement;
using Plexa3DTools::TPlyEncoding;
using Plexa3DTools::TPlyFile;
using Plexa3DTools::TPlyModelOptions;
using Face = std::array<std::uint32_t, 3>;
using Colour = std::array<float, 3>;

// Small whole coordinates, that every type holds.
const TMeshSpec Quad{
    "quad", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}}, {}, {}, {}};
const TMeshSpec Tri{"tri", {{0, 0, 5}, {2, 0, 5}, {1, 3, 5}}, {{0, 1, 2}}, {}, {}, {}};
const std::vector<std::array<float, 3>> Points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                                  {0, 0, 5}, {2, 0, 5}, {1, 3, 5}};
const TMeshSpec MappedQuad{
    Quad.Name, Quad.Vertices, Quad.Faces, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {}, {}};
const std::vector<Face> QuadTriFaces = {{1, 2, 3}, {1, 3, 4}, {5, 6, 7}};

const std::vector<Colour> VertexColours = {{1, 0, 0},    {0, 1, 0},    {0, 0, 1},   {1, 1, 1},
                                           {1, 0.5f, 0}, {1, 0.5f, 0}, {1, 0.5f, 0}};
// The means of each face's corners, held to 5 bits a channel: (1/3, 1/3, 1/3), (2/3, 1/3, 2/3)
// and (1, 1/2, 0).
const std::vector<std::string> MeanColours = {"#525252", "#AD52AD", "#FF8400"};

std::vector<std::uint8_t> Ply(const std::vector<TMeshSpec>& meshes,
                              const TPlyModelOptions& options = {}) {
    return Plexa3DTools::PlyFile(meshes, options);
}

// The model with its file changed by `change` before it is written.
template <class Change>
std::vector<std::uint8_t> Changed(const TPlyModelOptions& options, Change change) {
    TPlyFile file = PlyModel({Quad, Tri}, options);
    change(file);
    return PlyBytes(file);
}

struct TCase {
    std::string Label;
    std::vector<std::uint8_t> File;
    std::int32_t Faces = 0;
    std::int32_t Vertices = 0;
    bool Model = false;          // the vertices are Quad's then Tri's
    std::vector<Face> Corners{}; // the faces' vertex numbers, where checked
    std::vector<std::uint32_t> FaceMaterials{};
    std::vector<std::string> Materials{}; // the file's, after the default
    std::string Texture{};                // the image every material of the file names
    bool Smooth = false;
    bool Mapping = false;
    std::vector<std::string> Notes{};
    std::int64_t NotFinite = 0;
    std::string Error{}; // where the file is refused: the start of the message
};

std::vector<TCase> EveryTypeAndEncoding() {
    std::vector<TCase> cases;
    for (const TPlyEncoding encoding :
         {TPlyEncoding::Ascii, TPlyEncoding::LittleEndian, TPlyEncoding::BigEndian}) {
        for (const char* type :
             {"char", "uchar", "short", "ushort", "int", "uint", "float", "double", "int8", "uint8",
              "int16", "uint16", "int32", "uint32", "float32", "float64"}) {
            TPlyModelOptions options{encoding, type, type, type};
            cases.push_back({"coordinates, counts and indices of type " + std::string(type) +
                                 " in encoding " + std::to_string(int(encoding)),
                             Ply({Quad, Tri}, options), 3, 7, true, QuadTriFaces});
        }
        for (const char* index : {"int", "uint"}) { // lists of a byte count, the common kind
            if (encoding != TPlyEncoding::Ascii) {
                TPlyModelOptions options{encoding, "float", "uchar", index};
                cases.push_back({"byte counts and indices of type " + std::string(index) +
                                     " in encoding " + std::to_string(int(encoding)),
                                 Ply({Quad, Tri}, options), 3, 7, true, QuadTriFaces});
            }
        }
    }
    return cases;
}

TEST(PlyReader, ReadsEachKindOfFile) {
    const TPlyModelOptions binary{TPlyEncoding::LittleEndian};
    TPlyModelOptions vertexColours = binary;
    vertexColours.VertexColours = VertexColours;
    TPlyModelOptions floatColours = vertexColours;
    floatColours.Encoding = TPlyEncoding::Ascii;
    floatColours.ColourType = "float";
    floatColours.ColourNames = {"diffuse_red", "diffuse_green", "diffuse_blue"};
    TPlyModelOptions faceColours = vertexColours;
    faceColours.FaceColours = {{0, 0, 1}, {0, 0, 1}, {1, 1, 1}};
    TPlyModelOptions normals = binary;
    normals.Normals = std::vector<Colour>(7, {0, 0, 1});
    TPlyModelOptions textured = binary;
    textured.TextureFile = "Flag Image.png";
    TPlyModelOptions texturedAscii = textured;
    texturedAscii.Encoding = TPlyEncoding::Ascii;
    TPlyModelOptions texturedUV = textured;
    texturedUV.MappingNames = {"u", "v"};
    TPlyModelOptions texturedTextureUV = textured;
    texturedTextureUV.MappingNames = {"texture_u", "texture_v"};
    TPlyModelOptions texturedColours = vertexColours;
    texturedColours.TextureFile = "flag.png";
    TPlyModelOptions vertexIndex;
    vertexIndex.IndexName = "vertex_index";
    const auto facesFirst = [](TPlyFile& f) { std::swap(f.Elements[0], f.Elements[1]); };
    const auto polygons = [](TPlyFile& f) {
        f.Elements[1].Items = {{4, 0, 1, 2, 3}, {2, 0, 1}, {5, 0, 1, 2, 3, 4}, {0}, {1, 6}};
    };
    const auto unknownParts = [](TPlyFile& f) {
        f.Elements[0].Properties.insert(f.Elements[0].Properties.begin() + 1,
                                        {"int", "neighbours", "uchar"});
        f.Elements[0].Properties.push_back({"double", "confidence"});
        for (auto& item : f.Elements[0].Items) {
            item.insert(item.begin() + 1, {2, 7, 8});
            item.push_back(0.25);
        }
        f.Elements.insert(f.Elements.begin() + 1,
                          TPlyElement{"edge",
                                      {{"short", "corners", "uint"}, {"uchar", "crease"}},
                                      {{2, 0, 1, 9}, {3, 1, 2, 3, 0}}});
        f.Elements.push_back({"nothing", {{"int", "a"}}, {}});
        f.Elements.push_back({"empty", {}, {}, 1u << 31});
        f.HeaderLines = {"comment made by hand", "obj_info none"};
    };
    // More triangles than are read at once, then an element whose items read as they do.
    const auto manyTriangles = [](TPlyFile& f) {
        f.Elements[1].Items.assign(5000, {3, 0, 1, 2});
        f.Elements.push_back({"strip", {{"uint", "vertex_indices", "uchar"}}, {{3, 0, 1, 2}}});
    };
    const auto noVerticesNorY = [](TPlyFile& f) {
        f.Elements[0].Properties.erase(f.Elements[0].Properties.begin() + 1);
        f.Elements[0].Items.clear();
        f.Elements[1].Items.clear();
    };
    const auto secondVertices = [](TPlyFile& f) { f.Elements.push_back(f.Elements[0]); };
    const auto outOfRange = [](TPlyFile& f) {
        f.Elements[1].Items[1] = {3, 0, 2, 7};
        f.Elements[1].Items[2] = {3, -1, 5, 6};
    };
    const auto belowMinusOne = [](TPlyFile& f) { f.Elements[1].Items[2] = {3, -2, 5, 6}; };
    const float notFinite = std::numeric_limits<float>::infinity();
    const auto infinite = [&](TPlyFile& f) { f.Elements[0].Items[6][2] = notFinite; };
    const auto manyVertices = [](TPlyFile& f) { f.Elements[0].StoredCount = 1ull << 62; };
    const auto manyFaces = [](TPlyFile& f) { f.Elements[1].StoredCount = 0xFFFFFFFFFFull; };
    const auto longList = [](TPlyFile& f) {
        f.Elements[1].Properties[0].CountType = "uint";
        f.Elements[1].Items[2] = {4e9, 4, 5, 6};
    };
    // A body whose first bytes are a line end, CR LF and LF, as a float's bytes may be.
    TPlyFile lineEnds = PlyModel({Tri}, binary);
    lineEnds.LineEnd = "\r\n";
    lineEnds.Elements[0].Items[0][0] = std::bit_cast<float>(0x3F800A0Au);
    lineEnds.Elements[0].Items[0][1] = std::bit_cast<float>(0x3F800D0Au);
    const std::string ascii(
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
        "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n");

    std::vector<TCase> cases = EveryTypeAndEncoding();
    std::vector<TCase> more = {
        {.Label = "vertex colours of bytes: the mean of the corners",
         .File = Ply({Quad, Tri}, vertexColours),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .Corners = QuadTriFaces,
         .FaceMaterials = {1, 2, 3},
         .Materials = MeanColours},
        {.Label = "vertex colours of reals, diffuse_",
         .File = Ply({Quad, Tri}, floatColours),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .Corners = QuadTriFaces,
         .FaceMaterials = {1, 2, 3},
         .Materials = MeanColours},
        {.Label = "face colours over vertex colours",
         .File = Ply({Quad, Tri}, faceColours),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .FaceMaterials = {1, 1, 2},
         .Materials = {"#0000FF", "#FFFFFF"}},
        {.Label = "normals: smooth",
         .File = Ply({Quad, Tri}, normals),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .Corners = QuadTriFaces,
         .Smooth = true},
        {.Label = "mapping s, t with a texture file",
         .File = Ply({MappedQuad, Tri}, textured),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .FaceMaterials = {1, 1, 1},
         .Materials = {"texture"},
         .Texture = "Flag Image.png",
         .Mapping = true},
        {.Label = "mapping s, t with a texture file, ascii",
         .File = Ply({MappedQuad, Tri}, texturedAscii),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .FaceMaterials = {1, 1, 1},
         .Materials = {"texture"},
         .Texture = "Flag Image.png",
         .Mapping = true},
        {.Label = "mapping u, v with a texture file",
         .File = Ply({MappedQuad, Tri}, texturedUV),
         .Faces = 3,
         .Vertices = 7,
         .FaceMaterials = {1, 1, 1},
         .Materials = {"texture"},
         .Texture = "Flag Image.png",
         .Mapping = true},
        {.Label = "mapping texture_u, texture_v with a texture file",
         .File = Ply({MappedQuad, Tri}, texturedTextureUV),
         .Faces = 3,
         .Vertices = 7,
         .FaceMaterials = {1, 1, 1},
         .Materials = {"texture"},
         .Texture = "Flag Image.png",
         .Mapping = true},
        {.Label = "a texture file without mapping",
         .File = Ply({Quad, Tri}, textured),
         .Faces = 3,
         .Vertices = 7},
        {.Label = "mapping without a texture file",
         .File = Ply({MappedQuad, Tri}, binary),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .Mapping = true},
        {.Label = "colours and a texture file",
         .File = Ply({MappedQuad, Tri}, texturedColours),
         .Faces = 3,
         .Vertices = 7,
         .FaceMaterials = {1, 2, 3},
         .Materials = MeanColours,
         .Texture = "flag.png",
         .Mapping = true},
        {.Label = "vertex_index",
         .File = Ply({Quad, Tri}, vertexIndex),
         .Faces = 3,
         .Vertices = 7,
         .Corners = QuadTriFaces},
        {.Label = "faces before vertices",
         .File = Changed(vertexColours, facesFirst),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .Corners = QuadTriFaces,
         .FaceMaterials = {1, 2, 3},
         .Materials = MeanColours},
        {.Label = "faces before vertices, ascii",
         .File = Changed({}, facesFirst),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .Corners = QuadTriFaces},
        {.Label = "polygons split as fans",
         .File = Changed({}, polygons),
         .Faces = 5,
         .Vertices = 7,
         .Corners = {{1, 2, 3}, {1, 3, 4}, {1, 2, 3}, {1, 3, 4}, {1, 4, 5}},
         .Notes = {"3 polygons of fewer than 3 corners"}},
        {.Label = "polygons split as fans, binary",
         .File = Changed(binary, polygons),
         .Faces = 5,
         .Vertices = 7,
         .Corners = {{1, 2, 3}, {1, 3, 4}, {1, 2, 3}, {1, 3, 4}, {1, 4, 5}},
         .Notes = {"3 polygons of fewer than 3 corners"}},
        {.Label = "triangles past one block, then an element of their layout",
         .File = Changed(binary, manyTriangles),
         .Faces = 5000,
         .Vertices = 7,
         .Notes = {"the element strip (1 item)"}},
        {.Label = "triangles past one block, then an element of their layout, ascii",
         .File = Changed({}, manyTriangles),
         .Faces = 5000,
         .Vertices = 7,
         .Notes = {"the element strip (1 item)"}},
        {.Label = "triangles read at once around items read one by one, ascii",
         .File = Bytes("ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\n"
                       "property float y\nproperty float z\nelement face 6\n"
                       "property list uchar int vertex_indices\nend_header\n"
                       "0 0 0\n1 0 0\n1 1 0\n0 1 0\n3 0 1 2\ncomment between faces\n3 0 2 3\n"
                       "4 0 1 2 3\n3 00000001 2 3\n3 3 2 1  \t\n3 1 2 3\n"),
         .Faces = 7,
         .Vertices = 4,
         .Corners = {{1, 2, 3}, {1, 3, 4}, {1, 2, 3}, {1, 3, 4}, {2, 3, 4}, {4, 3, 2}, {2, 3, 4}}},
        {.Label = "no vertices, of an element without y", .File = Changed(binary, noVerticesNorY)},
        {.Label = "unknown elements and properties passed over",
         .File = Changed({}, unknownParts),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .Corners = QuadTriFaces,
         .Notes = {"the element edge (2 items)", "the element empty (2147483648 items)"}},
        {.Label = "unknown elements and properties passed over, binary",
         .File = Changed(binary, unknownParts),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .Corners = QuadTriFaces,
         .Notes = {"the element edge (2 items)", "the element empty (2147483648 items)"}},
        {.Label = "a second vertex element passed over",
         .File = Changed(binary, secondVertices),
         .Faces = 3,
         .Vertices = 7,
         .Model = true,
         .Notes = {"the element vertex (7 items)"}},
        {.Label = "indices out of range",
         .File = Changed(binary, outOfRange),
         .Faces = 1,
         .Vertices = 7,
         .Corners = {{1, 2, 3}},
         .Notes = {"2 faces that name a vertex the file does not hold"}},
        {.Label = "indices out of range, ascii",
         .File = Changed({}, outOfRange),
         .Faces = 1,
         .Vertices = 7,
         .Corners = {{1, 2, 3}},
         .Notes = {"2 faces that name a vertex the file does not hold"}},
        {.Label = "an index below -1",
         .File = Changed(binary, belowMinusOne),
         .Faces = 2,
         .Vertices = 7,
         .Notes = {"1 face that names a vertex the file does not hold"}},
        {.Label = "a vertex not finite",
         .File = Changed(binary, infinite),
         .Faces = 2,
         .Vertices = 7,
         .NotFinite = 1},
        {.Label = "a vertex not finite, ascii",
         .File = Bytes(ascii + "0 0 0\n1 0 0\n0 1 inf\n3 0 1 2\n"),
         .Vertices = 3,
         .NotFinite = 1},
        {.Label = "numbers in any form C reads, and comment lines in the body",
         .File = Bytes(ascii + "comment a vertex\n0 0 0\n1e0 +0x0p0 -0.\ncomment\n"
                               ".5 1.5E+1 0\n3 0 1 2\n"),
         .Faces = 1,
         .Vertices = 3},
        {.Label = "2^62 vertices declared",
         .File = Changed(binary, manyVertices),
         .Vertices = 10,
         .Notes = {"the rest of the file from item 11 of 4611686018427387904 of the element "
                   "vertex, cut short"}},
        {.Label = "2^40 - 1 faces declared",
         .File = Changed(binary, manyFaces),
         .Faces = 3,
         .Vertices = 7,
         .Corners = QuadTriFaces,
         .Notes = {"the rest of the file from item 4 of 1099511627775 of the element face, cut "
                   "short"}},
        {.Label = "a list longer than the bytes left",
         .File = Changed(binary, longList),
         .Faces = 2,
         .Vertices = 7,
         .Corners = {{1, 2, 3}, {1, 3, 4}},
         .Notes = {"the rest of the file from item 3 of 3 of the element face, at an impossible "
                   "list count"}},
        {.Label = "a text ending inside its last list",
         .File = Bytes(ascii + "0 0 0\n1 0 0\n0 1 0\n3 0 1"),
         .Vertices = 3,
         .Notes = {"the rest of the file from item 1 of 1 of the element face, cut short"}},
        {.Label = "a word that is not a number",
         .File = Bytes(ascii + "0 0 0\n1 0 0\n0 1 zero\n3 0 1 2\n"),
         .Vertices = 2,
         .Notes = {"the rest of the file from item 3 of 3 of the element vertex, at a word that "
                   "is not a number"}},
        {.Label = "an index that is not whole",
         .File = Bytes(ascii + "0 0 0\n1 0 0\n0 1 0\n3 0 1.5 2\n"),
         .Vertices = 3,
         .Notes = {"1 face that names a vertex the file does not hold"}},
        {.Label = "a list count that is not whole",
         .File = Bytes(ascii + "0 0 0\n1 0 0\n0 1 0\n2.5 0 1 2\n"),
         .Vertices = 3,
         .Notes = {"the rest of the file from item 1 of 1 of the element face, at an impossible "
                   "list count"}},
        {.Label = "a header line PLY does not know",
         .File = Bytes("ply\nformat ascii 1.0\nmade by hand\nelement vertex 0\nend_header\n"),
         .Notes = {"1 header line that PLY does not know"}},
        {.Label = "a binary body that begins with line ends",
         .File = PlyBytes(lineEnds),
         .Faces = 1,
         .Vertices = 3},
        {.Label = "no ply",
         .File = Bytes("format ascii 1.0\nend_header\n"),
         .Error = "PLY: the file does not begin with ply"},
        {.Label = "version 2.0",
         .File = Bytes("ply\nformat ascii 2.0\nend_header\n"),
         .Error = "PLY: the format line gives no version 1.0"},
        {.Label = "no version",
         .File = Bytes("ply\nformat ascii\nend_header\n"),
         .Error = "PLY: the format line gives no version 1.0"},
        {.Label = "middle endian",
         .File = Bytes("ply\nformat binary_middle_endian 1.0\n"),
         .Error = "PLY: the format binary_middle_endian is not"},
        {.Label = "no format",
         .File = Bytes("ply\nelement vertex 0\nend_header\n"),
         .Error = "PLY: the header has no format line"},
        {.Label = "no end_header",
         .File = Bytes("ply\nformat ascii 1.0\nelement vertex 0\n"),
         .Error = "PLY: the header has no end_header line"},
        {.Label = "a property before any element",
         .File = Bytes("ply\nformat ascii 1.0\nproperty float x\nend_header\n"),
         .Error = "PLY: a property before any element"},
        {.Label = "a type it does not know",
         .File = Bytes("ply\nformat ascii 1.0\nelement vertex 1\nproperty int64 x\nend_header\n"),
         .Error = "PLY: a property of a type it does not know"},
        {.Label = "an element without a count",
         .File = Bytes("ply\nformat ascii 1.0\nelement vertex many\nend_header\n"),
         .Error = "PLY: an element line without a name and a count"},
        {.Label = "vertices without z",
         .File = Bytes("ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\n"
                       "property float y\nend_header\n0 0\n"),
         .Error = "PLY: the vertex element has no x, y"},
    };
    cases.insert(cases.end(), more.begin(), more.end());
    for (const TCase& c : cases) {
        for (const TModelPart part : {TModelPart::FirstMesh, TModelPart::Whole}) {
            const std::string label = c.Label + (part == TModelPart::Whole ? ", whole" : "");
            const TRead read = ReadBytes(c.File, part, TModelFormat::Ply, "dir/model.ply");
            ExpectSound(read, label);
            if (!c.Error.empty()) {
                EXPECT_EQ(read.Error.value_or("").substr(0, c.Error.size()), c.Error) << label;
                continue;
            }
            EXPECT_EQ(Plexa3DFormats::DetectModelFormat(c.File), TModelFormat::Ply) << label;
            ASSERT_FALSE(read.Error) << label << ": " << *read.Error;
            EXPECT_EQ(read.Object.Name, "model.ply") << label;
            EXPECT_EQ(read.Object.FaceCount, c.Faces) << label;
            EXPECT_EQ(read.Object.VertexCount, c.Vertices) << label;
            EXPECT_EQ(read.File.Reading.FacesNotFinite, c.NotFinite) << label;
            for (std::size_t i = 0; c.Model && i < Points.size(); ++i) {
                const auto& v = read.Vertex(std::int32_t(i + 1));
                EXPECT_EQ((std::array<float, 3>{v.X, v.Y, v.Z}), Points[i]) << label << ", " << i;
            }
            for (std::size_t i = 0; i < c.Corners.size(); ++i) {
                const auto& f = read.Object.Faces[std::int32_t(i + 1)];
                EXPECT_EQ((Face{f.A, f.B, f.C}), c.Corners[i]) << label << ", face " << i;
            }
            EXPECT_EQ(read.Looks.FaceMaterials, c.FaceMaterials) << label;
            std::vector<std::string> materials;
            for (std::size_t m = 1; m < read.Looks.Materials.size(); ++m) {
                const auto& material = read.Looks.Materials[m];
                materials.push_back(material.Name);
                EXPECT_EQ(material.Texture ? material.Texture->FileName : "", c.Texture) << label;
            }
            EXPECT_EQ(materials, c.Materials) << label;
            EXPECT_EQ(read.Looks.FaceSmoothing,
                      c.Smooth ? std::vector<std::uint32_t>(std::size_t(c.Faces), 1)
                               : std::vector<std::uint32_t>{})
                << label;
            const std::vector<ZuveloGraphLibrary::TTexCoord> mapping = {
                {0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {0, 0}, {0, 0}};
            EXPECT_EQ(read.Looks.Mapping,
                      c.Mapping ? mapping : std::vector<ZuveloGraphLibrary::TTexCoord>{})
                << label;
            EXPECT_EQ(read.Notes(), c.Notes) << label;
        }
    }
}

TEST(PlyReader, FilesCutAnywhereReadSoundly) {
    TPlyModelOptions options{TPlyEncoding::BigEndian, "double", "ushort", "uint"};
    options.VertexColours = VertexColours;
    options.Normals = std::vector<Colour>(7, {0, 0, 1});
    options.TextureFile = "flag.png";
    const auto binary = Plexa3DTools::PlyFile({MappedQuad, Tri}, options);
    options.Encoding = TPlyEncoding::Ascii;
    const auto ascii = Plexa3DTools::PlyFile({MappedQuad, Tri}, options);
    options.Encoding = TPlyEncoding::LittleEndian; // lists of a byte count and int indices
    options.CoordinateType = "float";
    options.CountType = "uchar";
    options.IndexType = "int";
    const auto common = Plexa3DTools::PlyFile({MappedQuad, Tri}, options);
    for (const auto* file : {&binary, &ascii, &common}) {
        const std::string text(file->begin(), file->end());
        const std::size_t body = text.find("end_header\n") + 11;
        for (std::size_t size = 0; size <= file->size(); ++size) {
            const std::vector<std::uint8_t> cut(file->begin(),
                                                file->begin() + std::ptrdiff_t(size));
            const std::string label =
                (file == &ascii ? "ascii to " : "binary to ") + std::to_string(size);
            const TRead read = ReadBytes(cut, TModelPart::Whole, TModelFormat::Ply);
            ExpectSound(read, label);
            EXPECT_EQ(read.Error.has_value(), size < body) << label;
            EXPECT_LE(read.Object.FaceCount, 3) << label;
            // Cut anywhere but after the last digit, the file is refused or tells of its end.
            const bool whole = size + (file == &ascii ? 1 : 0) >= file->size();
            EXPECT_EQ(read.Error || !read.Looks.Notes.empty(), !whole) << label;
        }
    }
}

TEST(PlyReader, RealFilesOpenWithTheTrianglesOfAnIndependentImporter) {
    ExpectCorpusTable("ply.tsv", {"assimp-ply", "o3dv-ply"});
}

} // namespace ply_reader_test
} // namespace
