// The OFF reader: what the first word's letters say each vertex carries, counts where they may
// stand, face and vertex colours as written, polygons, what is passed over, files it refuses,
// damaged and cut files, and real files.
#include "MeshReaderChecks.h"
#include "Writer3DS.h"
#include "WriterOff.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <vector>

namespace {
namespace off_reader_test {

using namespace Plexa3DTest;
using Plexa3DTools::TMeshSpec;
using Plexa3DTools::TOffOptions;
using Face = std::array<std::uint32_t, 3>;
using Point = std::array<float, 3>;

const TMeshSpec Quad{
    "quad", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}}, {}, {}, {}};
const TMeshSpec Tri{"tri", {{0, 0, 5}, {2, 0, 5}, {1, 3, 5}}, {{0, 1, 2}}, {}, {}, {}};
const TMeshSpec MappedQuad{
    Quad.Name, Quad.Vertices, Quad.Faces, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {}, {}};
const std::vector<Point> Points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                   {0, 0, 5}, {2, 0, 5}, {1, 3, 5}};
const std::vector<Face> QuadTriFaces = {{1, 2, 3}, {1, 3, 4}, {5, 6, 7}};
const std::vector<ZuveloGraphLibrary::TTexCoord> QuadMapping = {{0, 0}, {1, 0}, {1, 1}, {0, 1},
                                                                {0, 0}, {0, 0}, {0, 0}};
// Corner colours as bytes (one with alpha) and as reals, and the means of each face's corners held
// to 5 bits a channel: (1/3, 1/3, 1/3), (2/3, 1/3, 2/3) and (1, 1/2, 0).
const std::vector<std::string> ByteColours = {"255 0 0",   "0 255 0 255", "0 0 255",  "255 255 255",
                                              "255 128 0", "255 128 0",   "255 128 0"};
const std::vector<std::string> RealColours = {"1.0 0 0", "0.0 1 0 1", "0 0 1.0",  "1.0 1 1",
                                              "1 0.5 0", "1 .5 0",    "1e0 0.5 0"};
const std::vector<std::string> MeanColours = {"#525252", "#AD52AD", "#FF8400"};

std::vector<std::uint8_t> Off(const std::vector<TMeshSpec>& meshes,
                              const TOffOptions& options = {}) {
    return Plexa3DTools::OffFile(meshes, options);
}

struct TCase {
    std::string Label;
    std::vector<std::uint8_t> File;
    std::int32_t Faces = 0;
    std::int32_t Vertices = 0;
    std::vector<Point> Points{}; // the first vertices, where checked
    std::vector<Face> Corners{}; // the faces' vertex numbers, where checked
    std::vector<std::uint32_t> FaceMaterials{};
    std::vector<std::string> Materials{}; // the file's, after the default
    bool Smooth = false;
    std::vector<ZuveloGraphLibrary::TTexCoord> Mapping{};
    std::vector<std::string> Notes{};
    std::int64_t NotFinite = 0;
    std::string Error{}; // where the file is refused: the message
    bool AsOff = false;  // read as OFF whatever its content
};

TEST(OffReader, ReadsEachKindOfFile) {
    const std::vector<Point> up(7, {0, 0, 1});
    const std::string triangle = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    const std::vector<TCase> cases = {
        {.Label = "plain",
         .File = Off({Quad, Tri}),
         .Faces = 3,
         .Vertices = 7,
         .Points = Points,
         .Corners = QuadTriFaces},
        {.Label = "comments everywhere and CR LF",
         .File = Off({Quad, Tri}, {.LineEnd = "\r\n", .Comments = true}),
         .Faces = 3,
         .Vertices = 7,
         .Points = Points,
         .Corners = QuadTriFaces},
        {.Label = "counts on the first word's line, without edges",
         .File = Bytes("OFF 3 1\n" + triangle),
         .Faces = 1,
         .Vertices = 3},
        {.Label = "counts after blank lines",
         .File = Bytes("OFF\n\n  \n3 1 0\n\n" + triangle),
         .Faces = 1,
         .Vertices = 3},
        {.Label = "N: smooth",
         .File = Off({Quad, Tri}, {.Word = "NOFF", .Normals = up}),
         .Faces = 3,
         .Vertices = 7,
         .Points = Points,
         .Smooth = true},
        {.Label = "C of bytes: the mean of the corners",
         .File = Off({Quad, Tri}, {.Word = "COFF", .VertexColours = ByteColours}),
         .Faces = 3,
         .Vertices = 7,
         .Points = Points,
         .FaceMaterials = {1, 2, 3},
         .Materials = MeanColours},
        {.Label = "C of reals",
         .File = Off({Quad, Tri}, {.Word = "COFF", .VertexColours = RealColours}),
         .Faces = 3,
         .Vertices = 7,
         .Points = Points,
         .FaceMaterials = {1, 2, 3},
         .Materials = MeanColours},
        {.Label = "face colours of bytes and of reals as written",
         .File = Off({Quad, Tri}, {.FaceColours = {"0 0 255", "0.0 0 1.0 1.0", "1 1 1"}}),
         .Faces = 3,
         .Vertices = 7,
         .FaceMaterials = {1, 1, 2},
         .Materials = {"#0000FF", "#000000"}},
        {.Label = "a face's colour over its corners'",
         .File = Off({Quad, Tri},
                     {.Word = "COFF", .VertexColours = ByteColours, .FaceColours = {"0 0 1."}}),
         .Faces = 3,
         .Vertices = 7,
         .FaceMaterials = {1, 2, 3},
         .Materials = {"#0000FF", "#AD52AD", "#FF8400"}},
        {.Label = "colours by a colour map's index, and that cannot be read",
         .File = Off({Quad, Tri}, {.FaceColours = {"7", "1 2", "1 x 2"}}),
         .Faces = 3,
         .Vertices = 7,
         .Notes = {"1 colour given by a colour map's index", "2 colours that cannot be read"}},
        {.Label = "vertex colours by a colour map's index, and that cannot be read",
         .File = Bytes("COFF\n4 2 0\n0 0 0 1 2\n1 0 0 255 0 0\n0 1 0 255 0 0\n1 1 0 7\n"
                       "3 0 1 2\n3 1 3 2\n"),
         .Faces = 2,
         .Vertices = 4,
         .FaceMaterials = {1, 1},
         .Materials = {"#EF4242"},
         .Notes = {"1 colour given by a colour map's index", "1 colour that cannot be read"}},
        {.Label = "ST",
         .File = Off({MappedQuad, Tri}, {.Word = "STOFF"}),
         .Faces = 3,
         .Vertices = 7,
         .Points = Points,
         .Mapping = QuadMapping},
        {.Label = "ST, C and N",
         .File = Off({MappedQuad, Tri},
                     {.Word = "STCNOFF", .Normals = up, .VertexColours = RealColours}),
         .Faces = 3,
         .Vertices = 7,
         .Points = Points,
         .FaceMaterials = {1, 2, 3},
         .Materials = MeanColours,
         .Smooth = true,
         .Mapping = QuadMapping},
        {.Label = "4: divided by w",
         .File = Off({Quad, Tri}, {.Word = "4OFF", .W = {2, 0.5f, 4, -1, 8, 0.25f, 1}}),
         .Faces = 3,
         .Vertices = 7,
         .Points = Points,
         .Corners = QuadTriFaces},
        {.Label = "4 with w = 0",
         .File = Off({Quad, Tri}, {.Word = "4OFF", .W = {1, 1, 1, 0}}),
         .Faces = 2,
         .Vertices = 7,
         .NotFinite = 1},
        {.Label = "n of dimension 2",
         .File = Off({Quad}, {.Word = "nOFF", .Dimension = 2}),
         .Faces = 2,
         .Vertices = 4,
         .Points = Quad.Vertices},
        {.Label = "n of dimension 5",
         .File = Off({Quad, Tri}, {.Word = "nOFF", .Dimension = 5}),
         .Faces = 3,
         .Vertices = 7,
         .Points = Points},
        {.Label = "4n of dimension 2 with normals",
         .File = Off({Quad}, {.Word = "N4nOFF", .Normals = up, .W = {2, 4}, .Dimension = 2}),
         .Faces = 2,
         .Vertices = 4,
         .Points = Quad.Vertices,
         .Smooth = true},
        {.Label = "polygons as fans, and of fewer than 3 corners",
         .File = Off({Quad, Tri}, {.Polygons = {{0, 1, 2, 3}, {0, 1}, {}, {0, 1, 2, 3, 4}}}),
         .Faces = 5,
         .Vertices = 7,
         .Corners = {{1, 2, 3}, {1, 3, 4}, {1, 2, 3}, {1, 3, 4}, {1, 4, 5}},
         .Notes = {"2 polygons of fewer than 3 corners"}},
        {.Label = "indices out of range",
         .File = Off({Quad, Tri}, {.Polygons = {{0, 1, 2}, {0, 1, 7}, {-1, 1, 2}}}),
         .Faces = 1,
         .Vertices = 7,
         .Notes = {"2 faces that name a vertex the file does not hold"}},
        {.Label = "triangles read at once around lines read one by one",
         .File =
             Bytes("OFF\n4 10 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n3 0 1 2\n\n# a comment\n3 0 2 3\n"
                   "4 0 1 2 3\n3 00000001 2 3\n3 1 2 3 # said\n3 3 2 4\n4 0 1 2\n3 1 2 3 255 0 0\n"
                   "3 3\t2 1  \r\n3 2 3 0\n"),
         .Faces = 9,
         .Vertices = 4,
         .Corners = {{1, 2, 3},
                     {1, 3, 4},
                     {1, 2, 3},
                     {1, 3, 4},
                     {2, 3, 4},
                     {2, 3, 4},
                     {2, 3, 4},
                     {4, 3, 2},
                     {3, 4, 1}},
         .FaceMaterials = {0, 0, 0, 0, 0, 0, 1, 0, 0},
         .Materials = {"#FF0000"},
         .Notes = {"1 face line that cannot be read",
                   "1 face that names a vertex the file does not hold"}},
        {.Label = "triangles past one block",
         .File = Bytes("OFF\n3 5000 0\n" + triangle.substr(0, 18) +
                       [] {
                           std::string lines;
                           for (int i = 0; i < 5000; ++i) {
                               lines += i % 2 == 0 ? "3 0 1 2\n" : "3 2 1 0\n";
                           }
                           return lines;
                       }()),
         .Faces = 5000,
         .Vertices = 3,
         .Corners = {{1, 2, 3}, {3, 2, 1}, {1, 2, 3}}},
        {.Label = "vertices read at once around lines read one by one",
         .File = Bytes("OFF\n7 1 0\n-1 +2 -.5\n\n# a comment\n1e400 0 0\n0 0 0 7\n1 x 0\n"
                       "0.5 0.25 1\r\n2 2 2\n1-2 3\n3 0 4 5\n"),
         .Faces = 1,
         .Vertices = 7,
         .Points = {{-1, 2, -0.5f}, {std::numeric_limits<float>::infinity(), 0, 0}, {0, 0, 0}},
         .Corners = {{1, 5, 6}},
         .Notes = {"2 vertex lines that cannot be read",
                   "1 vertex line with more numbers than the first word says"}},
        {.Label = "4 with a vertex line without w",
         .File = Bytes("4OFF\n2 0 0\n1 2 3 1\n4 5 6\n"),
         .Vertices = 2,
         .Points = {{1, 2, 3}},
         .Notes = {"1 vertex line that cannot be read"}},
        {.Label = "a vertex line that cannot be read",
         .File = Bytes("OFF\n4 2 0\n0 0 0\n1 x 0\n1 1 0\n0 1 0\n3 0 1 2\n3 0 2 3\n"),
         .Faces = 1,
         .Vertices = 4,
         .Corners = {{1, 3, 4}},
         .Notes = {"1 vertex line that cannot be read"},
         .NotFinite = 1},
        {.Label = "vertex lines with more numbers than the first word says",
         .File = Bytes("OFF\n3 1 0\n0 0 0 255 0 0\n1 0 0 0 1 0 1\n0 1 0\n3 0 1 2\n"),
         .Faces = 1,
         .Vertices = 3,
         .Notes = {"2 vertex lines with more numbers than the first word says"}},
        {.Label = "face lines that cannot be read",
         .File = Bytes("OFF\n3 5 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1\nx 0 1 2\n3 0 1 two\n3 0 2x 1\n"
                       "3 0 1 2\n"),
         .Faces = 1,
         .Vertices = 3,
         .Notes = {"4 face lines that cannot be read"}},
        {.Label = "cut short in the vertices",
         .File = Bytes("OFF\n7 3 0\n" + triangle),
         .Vertices = 4,
         .Notes = {"the end of the file, cut short after 4 of 7 vertices",
                   "1 vertex line with more numbers than the first word says"}},
        {.Label = "cut short in the faces",
         .File = Bytes("OFF\n3 3 0\n" + triangle),
         .Faces = 1,
         .Vertices = 3,
         .Notes = {"the end of the file, cut short after 1 of 3 faces"}},
        {.Label = "4e9 vertices and faces declared",
         .File = Off({Quad, Tri}, {.Counts = "4000000000 4000000000 0"}),
         .Vertices = 10,
         .Points = Points,
         .Notes = {"the end of the file, cut short after 10 of 4000000000 vertices",
                   "3 vertex lines with more numbers than the first word says"}},
        {.Label = "binary",
         .File = Bytes("OFF BINARY\n3 1 0\n"),
         .Error = "OFF: binary OFF files are not read"},
        {.Label = "not OFF",
         .File = Bytes("OFFICE 3 1 0\n" + triangle),
         .Error = "OFF: the file does not begin with OFF",
         .AsOff = true},
        {.Label = "empty",
         .File = {},
         .Error = "OFF: the file does not begin with OFF",
         .AsOff = true},
        {.Label = "counts that are not numbers",
         .File = Bytes("OFF\n3 one\n" + triangle),
         .Error = "OFF: the counts of vertices and faces cannot be read"},
        {.Label = "no counts",
         .File = Bytes("# nothing\nCOFF\n"),
         .Error = "OFF: the file ends before the counts of vertices and faces"},
        {.Label = "a dimension of 0",
         .File = Bytes("nOFF\n0\n3 1 0\n" + triangle),
         .Error = "OFF: vertices of dimension 0 cannot be read"},
    };
    for (const TCase& c : cases) {
        for (const TModelPart part : {TModelPart::FirstMesh, TModelPart::Whole}) {
            const std::string label = c.Label + (part == TModelPart::Whole ? ", whole" : "");
            const TRead read =
                ReadBytes(c.File, part, c.AsOff ? std::optional(TModelFormat::Off) : std::nullopt,
                          "dir/model.off");
            ExpectSound(read, label);
            EXPECT_EQ(Plexa3DFormats::DetectModelFormat(c.File) == TModelFormat::Off, !c.AsOff)
                << label;
            if (!c.Error.empty()) {
                EXPECT_EQ(read.Error.value_or(""), c.Error) << label;
                continue;
            }
            ASSERT_FALSE(read.Error) << label << ": " << *read.Error;
            EXPECT_EQ(read.File.Format, TModelFormat::Off) << label;
            EXPECT_EQ(read.Object.Name, "model.off") << label;
            EXPECT_EQ(read.Object.FaceCount, c.Faces) << label;
            EXPECT_EQ(read.Object.VertexCount, c.Vertices) << label;
            EXPECT_EQ(read.File.Reading.FacesNotFinite, c.NotFinite) << label;
            for (std::size_t i = 0; i < c.Points.size() && i < std::size_t(c.Vertices); ++i) {
                const auto& v = read.Vertex(std::int32_t(i + 1));
                EXPECT_EQ((Point{v.X, v.Y, v.Z}), c.Points[i]) << label << ", vertex " << i;
            }
            for (std::size_t i = 0; i < c.Corners.size(); ++i) {
                const auto& f = read.Object.Faces[std::int32_t(i + 1)];
                EXPECT_EQ((Face{f.A, f.B, f.C}), c.Corners[i]) << label << ", face " << i;
            }
            EXPECT_EQ(read.Looks.FaceMaterials, c.FaceMaterials) << label;
            std::vector<std::string> materials;
            for (std::size_t m = 1; m < read.Looks.Materials.size(); ++m) {
                materials.push_back(read.Looks.Materials[m].Name);
            }
            EXPECT_EQ(materials, c.Materials) << label;
            EXPECT_EQ(read.Looks.FaceSmoothing,
                      c.Smooth ? std::vector<std::uint32_t>(std::size_t(c.Faces), 1)
                               : std::vector<std::uint32_t>{})
                << label;
            EXPECT_EQ(read.Looks.Mapping, c.Mapping) << label;
            EXPECT_EQ(read.Notes(), c.Notes) << label;
        }
    }
}

TEST(OffReader, FilesCutAnywhereReadSoundly) {
    const std::vector<Point> up(7, {0, 0, 1});
    const auto file = Off({MappedQuad, Tri}, {.Word = "STCN4OFF",
                                              .Normals = up,
                                              .VertexColours = RealColours,
                                              .W = {2, 2, 2, 2, 2, 2, 2},
                                              .FaceColours = {"", "255 0 0"},
                                              .Comments = true});
    const std::string text(file.begin(), file.end());
    const std::size_t counts = text.find("7 3 0") + 3;  // the edges' count may be left out
    const std::size_t last = text.rfind("3 4 5 6") + 7; // the last digit of the last face
    for (std::size_t size = 0; size <= file.size(); ++size) {
        const std::vector<std::uint8_t> cut(file.begin(), file.begin() + std::ptrdiff_t(size));
        const std::string label = "to " + std::to_string(size);
        const TRead read = ReadBytes(cut, TModelPart::Whole, TModelFormat::Off);
        ExpectSound(read, label);
        EXPECT_EQ(read.Error.has_value(), size < counts) << label;
        EXPECT_LE(read.Object.FaceCount, 3) << label;
        // Cut anywhere before the last face's last digit, the file tells of its end.
        EXPECT_EQ(read.Error || !read.Looks.Notes.empty(), size < last) << label;
    }
}

TEST(OffReader, RealFilesOpenWithTheTrianglesOfAnIndependentImporter) {
    ExpectCorpusTable("off.tsv", {"assimp-off", "o3dv-off"});
}

} // namespace off_reader_test
} // namespace
