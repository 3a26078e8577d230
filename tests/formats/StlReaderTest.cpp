// The STL reader: binary and ASCII files told apart by content, the colours of both conventions
// of the attribute word, solids one after another, damaged and cut files, and real files.
#include "StlReader.h"
#include "MeshReaderChecks.h"
#include "Writer3DS.h"
#include "WriterStl.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {
namespace stl_reader_test {

using namespace Plexa3DTest;
using Plexa3DTools::StlHeaderConventionColour;
using Plexa3DTools::StlValidBitColour;
using Plexa3DTools::TMeshSpec;
using Plexa3DTools::TStlOptions;
using Corner = std::array<float, 3>;

constexpr float Infinity = std::numeric_limits<float>::infinity();

const TMeshSpec Quad{"quad", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}}};
const TMeshSpec Tri{"tri", {{0, 0, 5}, {2, 0, 5}, {0.5f, -2, 5}}, {{0, 1, 2}}};

// A strip of 22,000 triangles, enough for their corners to be written on several threads; the
// first corner not finite.
TMeshSpec LongStrip() {
    TMeshSpec strip{"strip", {}, {}};
    for (std::uint16_t i = 0; i < 22002; ++i) {
        strip.Vertices.push_back({float(i), float(i % 2), 0});
        if (i >= 2) {
            strip.Faces.push_back({std::uint16_t(i - 2), std::uint16_t(i - 1), i});
        }
    }
    strip.Vertices[0][0] = std::numeric_limits<float>::quiet_NaN();
    return strip;
}

// The corners of the meshes' triangles in order: the vertices a reader gives.
std::vector<Corner> Corners(const std::vector<TMeshSpec>& meshes) {
    std::vector<Corner> corners;
    for (const TMeshSpec& mesh : meshes) {
        for (const auto& f : mesh.Faces) {
            for (const auto v : f) {
                corners.push_back(mesh.Vertices[v]);
            }
        }
    }
    return corners;
}
const std::vector<Corner> QuadTri = Corners({Quad, Tri});

std::vector<std::uint8_t> Stl(const std::vector<TMeshSpec>& meshes, TStlOptions options = {}) {
    return Plexa3DTools::StlFile(meshes, options);
}
std::vector<std::uint8_t> Ascii(const std::vector<TMeshSpec>& meshes, TStlOptions options = {}) {
    options.Ascii = true;
    return Plexa3DTools::StlFile(meshes, options);
}
std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t less) {
    bytes.resize(bytes.size() - less);
    return bytes;
}
std::string Text(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}
// A header holding COLOR= at `at` with the colour (255, 128, 0).
std::string ColourHeader(std::size_t at) {
    return std::string(at, ' ') + "COLOR=" + std::string("\xFF\x80\x00\xFF", 4);
}

TEST(StlReader, ReadsEachKindOfFile) {
    const std::uint16_t orange = StlHeaderConventionColour(31, 16, 0); // #FF8400
    const std::uint16_t validOrange = StlValidBitColour(31, 16, 0);
    TMeshSpec notFinite = Tri;
    notFinite.Vertices[1][2] = std::numeric_limits<float>::signaling_NaN();
    const std::string asciiQuad = Text(Ascii({Quad}));
    const struct {
        std::string Label;
        std::vector<std::uint8_t> File;
        std::int32_t Faces;
        std::string FirstName = "model.stl"; // the name of the first mesh read alone
        std::vector<Corner> Vertices = {};   // where checked
        std::vector<std::uint32_t> FaceMaterials = {};
        std::vector<std::string> Materials = {}; // the file's, after the default
        std::vector<std::string> Notes = {};
        std::int64_t NotFinite = 0;
        bool AsStl = false; // read as STL whatever its content
    } cases[] = {
        {"binary", Stl({Quad, Tri}), 3, "model.stl", QuadTri},
        {"binary with a header saying solid", Stl({Quad, Tri}, {.Header = "solid quad"}), 3,
         "model.stl", QuadTri},
        {"binary, the header's convention of colours",
         Stl({Quad, Tri}, {.Header = ColourHeader(2), .Attributes = {orange, 0x8000, orange}}),
         3,
         "model.stl",
         QuadTri,
         {1, 2, 1},
         {"#FF8400", "#FF8000"}},
        {"binary, the header's convention, no face in the header's colour",
         Stl({Tri}, {.Header = ColourHeader(2), .Attributes = {orange}}),
         1,
         "model.stl",
         {},
         {1},
         {"#FF8400"}},
        {"binary, COLOR= that ends at the header's end",
         Stl({Tri}, {.Header = ColourHeader(70), .Attributes = {0x8000}}),
         1,
         "model.stl",
         {},
         {1},
         {"#FF8000"}},
        {"binary, COLOR= whose colour would pass the header's end: the valid bit's convention",
         Stl({Quad, Tri}, {.Header = ColourHeader(71), .Attributes = {orange, validOrange, 0}}),
         3,
         "model.stl",
         {},
         {0, 1, 0},
         {"#FF8400"}},
        {"binary, the valid bit's convention of colours",
         Stl({Quad, Tri}, {.Attributes = {validOrange, 0x7FFF, StlValidBitColour(0, 0, 31)}}),
         3,
         "model.stl",
         {},
         {1, 0, 2},
         {"#FF8400", "#0000FF"}},
        {"binary cut short",
         Cut(Stl({Quad, Tri}, {.Header = "solid"}), 10),
         2,
         "model.stl",
         Corners({Quad}),
         {},
         {},
         {"1 triangle that the count names past the end of the file"}},
        {"binary cut short, its header saying solid and padded with spaces",
         Cut(Stl({Quad, Tri}, {.Header = "solid" + std::string(75, ' ')}), 10),
         2,
         "model.stl",
         Corners({Quad}),
         {},
         {},
         {"1 triangle that the count names past the end of the file"}},
        {"binary with bytes after its triangles",
         Stl({Quad, Tri}, {.Header = "solid", .StoredCount = 2}),
         2,
         "model.stl",
         Corners({Quad}),
         {},
         {},
         {"50 bytes after the triangles that the count names"}},
        {"binary counting 2^32 - 1 triangles",
         Stl({Quad, Tri}, {.Header = "solid", .StoredCount = 0xFFFFFFFF}),
         3,
         "model.stl",
         QuadTri,
         {},
         {},
         {"4294967292 triangles that the count names past the end of the file"}},
        {"binary of many triangles, the first with a corner not finite",
         Stl({LongStrip()}),
         21999,
         "model.stl",
         {},
         {},
         {},
         {},
         1},
        {"binary with a vertex a signalling NaN",
         Stl({Quad, notFinite}),
         2,
         "model.stl",
         {},
         {},
         {},
         {},
         1},
        {"ascii", Ascii({Quad, Tri}), 3, "quad", QuadTri},
        {"ascii in upper case with CR LF and exponents",
         Ascii({Quad, Tri}, {.NumberFormat = "%.6E", .LineEnd = "\r\n", .UpperCase = true}), 3,
         "quad", QuadTri},
        {"ascii in hexadecimal with signs", Ascii({Quad, Tri}, {.NumberFormat = "%+a"}), 3, "quad",
         QuadTri},
        {"ascii with comments and tabs",
         Bytes("# made by hand\nsolid\tpart one # its name\n# facet\n facet normal 0 0 1\n"
               "\touter loop\nvertex 0 0 0 # a corner\n vertex 1 0 0\tvertex 0 1 0\n endloop\n"
               "endfacet\nendsolid part one\n"),
         1,
         "part one",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
        {"ascii, facets of two and four vertices and of a word for a number",
         Bytes("solid s\nfacet\nvertex 0 0 0\nvertex 1 0 0\nendfacet\n"
               "facet\nvertex 0 0 0\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nendfacet\n"
               "facet\nvertex 0 0 0\nvertex 1 zero 0\nvertex 0 1 0\nendfacet\n"
               "facet\nvertex 0 0 0\nvertex 1 .5e1 0\nvertex 0 1 0\nendfacet\nendsolid\n"),
         1,
         "s",
         {{0, 0, 0}, {1, 5, 0}, {0, 1, 0}},
         {},
         {},
         {"3 facets without three vertices that can be read"}},
        {"ascii cut inside a facet",
         Bytes(asciiQuad.substr(0, asciiQuad.rfind("vertex"))),
         1,
         "quad",
         Corners({{"", Quad.Vertices, {Quad.Faces[0]}}}),
         {},
         {},
         {"1 facet without three vertices that can be read",
          "the end of the file, cut short before endsolid"}},
        {"ascii cut after a facet's third vertex",
         Bytes(asciiQuad.substr(0, asciiQuad.rfind("endloop"))),
         2,
         "quad",
         Corners({Quad}),
         {},
         {},
         {"the end of the file, cut short before endsolid"}},
        {"ascii cut after its last facet",
         Bytes(asciiQuad.substr(0, asciiQuad.rfind("endsolid"))),
         2,
         "quad",
         Corners({Quad}),
         {},
         {},
         {"the end of the file, cut short before endsolid"}},
        {"ascii with numbers beyond a single's range",
         Bytes("solid\nfacet\nvertex 0 0 1e999\nvertex 1 0 0\nvertex 0 1 0\nendfacet\n"
               "facet\nvertex 0 0 -1e-999\nvertex 1 0 -0x1p-1\nvertex 0 1 0\nendfacet\nendsolid\n"),
         1,
         "",
         {{0, 0, Infinity}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, -0.5f}, {0, 1, 0}},
         {},
         {},
         {},
         1},
        {"ascii, several solids, one empty", Ascii({Quad, {"empty", {}, {}}, Tri}), 3, "quad",
         QuadTri},
        {"ascii, a solid's name after comment lines", Bytes("#!\n# a comment first\n" + asciiQuad),
         2, "quad", Corners({Quad})},
        {"neither binary nor ascii", Bytes("hello"), 0, "", {}, {}, {}, {}, 0, true},
    };
    for (const auto& c : cases) {
        for (const TModelPart part : {TModelPart::FirstMesh, TModelPart::Whole}) {
            const std::string label = c.Label + (part == TModelPart::Whole ? ", whole" : "");
            const TRead read =
                ReadBytes(c.File, part, c.AsStl ? std::optional(TModelFormat::Stl) : std::nullopt,
                          "dir/model.stl");
            ExpectSound(read, label);
            if (c.Faces == 0) {
                EXPECT_TRUE(read.Error) << label;
                continue;
            }
            ASSERT_FALSE(read.Error) << label << ": " << *read.Error;
            EXPECT_EQ(read.File.Format, TModelFormat::Stl) << label;
            EXPECT_EQ(read.Object.FaceCount, c.Faces) << label;
            EXPECT_EQ(read.Object.VertexCount, 3 * (c.Faces + c.NotFinite)) << label;
            EXPECT_EQ(read.File.Reading.FacesNotFinite, c.NotFinite) << label;
            EXPECT_EQ(read.Object.Name,
                      part == TModelPart::Whole || c.FirstName.empty() ? "model.stl" : c.FirstName)
                << label;
            for (std::size_t i = 0; i < c.Vertices.size(); ++i) {
                const auto& v = read.Vertex(std::int32_t(i + 1));
                EXPECT_EQ((Corner{v.X, v.Y, v.Z}), c.Vertices[i]) << label << ", vertex " << i;
            }
            EXPECT_EQ(read.Looks.FaceMaterials, c.FaceMaterials) << label;
            std::vector<std::string> materials;
            for (std::size_t m = 1; m < read.Looks.Materials.size(); ++m) {
                materials.push_back(read.Looks.Materials[m].Name);
            }
            EXPECT_EQ(materials, c.Materials) << label;
            EXPECT_TRUE(read.Looks.FaceSmoothing.empty()) << label;
            EXPECT_EQ(read.Notes(), c.Notes) << label;
        }
    }
}

TEST(StlReader, FilesCutAnywhereReadSoundly) {
    const auto binary =
        Stl({Quad, Tri}, {.Header = "solid" + ColourHeader(10), .Attributes = {0x8000, 3}});
    const auto ascii = Ascii({Quad, Tri}, {.NumberFormat = "%.3e"});
    for (const auto* file : {&binary, &ascii}) {
        for (std::size_t size = 0; size <= file->size(); ++size) {
            const std::vector<std::uint8_t> cut(file->begin(),
                                                file->begin() + std::ptrdiff_t(size));
            const std::string label =
                (file == &binary ? "binary to " : "ascii to ") + std::to_string(size);
            const TRead read = ReadBytes(cut, TModelPart::Whole, TModelFormat::Stl);
            ExpectSound(read, label);
            EXPECT_LE(read.Object.FaceCount, 3) << label;
            if (file == &binary) {
                // Binary from 84 bytes on, each whole triangle read.
                EXPECT_EQ(read.Object.FaceCount, size < 84 ? 0 : std::int32_t(size - 84) / 50)
                    << label;
                EXPECT_TRUE(size < 84 || !read.Error) << label;
            } else {
                EXPECT_EQ(read.Error.has_value(), size < 5) << label;
            }
        }
    }
}

// A long ASCII text is read in two halves side by side: wherever its middle falls among solids,
// comments, keywords in capitals and facets that are broken or cut, the model and notes are
// those of one pass.
TEST(StlReader, AsciiHalvesReadAsOnePass) {
    const std::string pieces[] = {
        "  facet normal 0 0 1\n    outer loop\n      vertex 1 2 3\n      vertex 4 5 6\n"
        "      vertex 7 8 9\n    endloop\n  endfacet\n",
        "FACET NORMAL 0 0 1\n VERTEX 1.5 2 3\n VERTEX 4 5 6\n VERTEX -7 8 9e1\n ENDFACET\n",
        "  facet normal 0 0 1\n vertex 0 0 0\n vertex 1 1 1\n endfacet\n", // two vertices
        "  facet normal 0 0 1\n vertex 0 0 0\n vertex 1 x 1\n vertex 2 2 2\n endfacet\n",
        "# facet in a comment\n",
        "endsolid first\nsolid second # a comment\n",
        "vertex 3 2 1\nvertex 6 5 4\nvertex 9 8 7\nendfacet\n", // vertices outside a facet
        "  facet normal 0 0 1 vertex 2 0 0 vertex 0 2 0 vertex 0 0 2 endfacet facet\n"
        "  vertex 1 0 0 vertex 0 1 0 vertex 0 0 1\n",
        "\tfacetnormal 0 0 1\n",
        "endsolid\n",
        "solid third\n",
    };
    // Mixed pieces after a solid's start; facets before any solid word, then mixed pieces (the
    // name comes late); plain facets in one solid, that the second half reads without a solid word.
    std::string mixed;
    for (std::size_t i = 0; i < 40; ++i) {
        mixed += pieces[(i * 7 + i / 5) % std::size(pieces)];
    }
    std::string plain;
    for (std::size_t i = 0; i < 30; ++i) {
        plain += pieces[i % 4];
    }
    const std::string texts[] = {"solid first\n" + mixed, plain + mixed, "solid only\n" + plain};
    const std::string endings[] = {"endsolid first\n", "", "facet normal 0 0 1\n vertex 1 2",
                                   "endsolid first\nvertex 1 2 3\n"};
    const auto read = [](const std::string& t, bool halves) {
        Plexa3DFormats::TModelBuilder builder;
        const std::string name = Plexa3DFormats::ReadAsciiStl(t, builder, halves);
        TRead r;
        builder.Finish(name, r.Object, r.Looks);
        return r;
    };
    const auto corners = [](const TRead& r) {
        std::vector<Corner> list;
        for (const auto& f : r.Object.Faces) {
            for (const std::uint32_t v : {f.A, f.B, f.C}) {
                const auto& p = r.Object.Vertices[std::int32_t(v)];
                list.push_back({p.X, p.Y, p.Z});
            }
        }
        return list;
    };
    for (const std::string& text : texts) {
        for (const std::string& ending : endings) {
            for (std::size_t lead = 0; lead < text.size(); lead += 5) {
                const std::string t = std::string(lead, ' ') + text + ending;
                SCOPED_TRACE("lead " + std::to_string(lead) + ", ending " + ending);
                const TRead one = read(t, false);
                const TRead halves = read(t, true);
                EXPECT_EQ(halves.Object.Name, one.Object.Name);
                EXPECT_EQ(corners(halves), corners(one));
                EXPECT_EQ(halves.Notes(), one.Notes());
            }
        }
    }
}

TEST(StlReader, RealFilesOpenWithTheTrianglesOfAnIndependentImporter) {
    ExpectCorpusTable("stl.tsv", {"assimp-stl", "o3dv-stl"});
}

} // namespace stl_reader_test
} // namespace
