// The OBJ reader, through the one entry the program reads models by: files written by the test
// writer in every form the format allows, their polygons, meshes, smoothing groups, materials and
// the libraries that hold them; damaged files; and the real files of the corpus against the
// triangle counts of an independent importer (expected/obj.tsv).
#include "ObjReader.h"
#include "CompanionFiles.h"
#include "Corpus.h"
#include "GraphErrors.h"
#include "Import3DSModel.h"
#include "ModelFiles.h"
#include "TempDir.h"
#include "WriterObj.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <ostream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace ZuveloGraphLibrary {

void PrintTo(const TLooksNote& note, std::ostream* out) {
    *out << "{" << int(note.Kind) << ", \"" << note.Subject << "\"}";
}

} // namespace ZuveloGraphLibrary

namespace {
namespace obj_reader_test {

using namespace ZuveloGraphLibrary;
using namespace Plexa3DFormats;
using Plexa3DTools::TMeshSpec;
using Plexa3DTools::TObjMaterialSpec;
using Plexa3DTools::TObjStyle;
using TBeside = std::map<std::string, std::string>; // files beside the model, by name
using TKind = TLooksNote::TKind;
using TTriangle = std::array<std::uint32_t, 3>;

constexpr const char* FileName = "folder/model.obj";

struct TRead {
    TModelFile File;
    TObject3D Object;
    TModelLooks Looks;
};

// Reads the text as the program reads a model in memory, finding the files of `beside` beside
// it; `asObj` reads it as OBJ whatever its content.
TRead Read(const std::string& text, const TBeside& beside = {}, TModelPart part = TModelPart::Whole,
           bool asObj = false) {
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    const TModelSource source{FileName, bytes, [&](const std::string& name, std::size_t most) {
                                  TCompanion file;
                                  const auto found = beside.find(name);
                                  if (found != beside.end()) {
                                      file.State = found->second.size() <= most
                                                       ? TCompanion::TState::Read
                                                       : TCompanion::TState::TooLarge;
                                      file.Bytes.assign(found->second.begin(), found->second.end());
                                  }
                                  return file;
                              }};
    TRead read;
    read.File = asObj ? ReadModelSourceAs(TModelFormat::Obj, source, part, read.Object, read.Looks)
                      : ReadModelSource(source, part, read.Object, read.Looks);
    return read;
}

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::vector<TTriangle> Faces(const TObject3D& object) {
    std::vector<TTriangle> faces;
    for (const TFace3D& f : object.Faces) {
        faces.push_back({f.A, f.B, f.C});
    }
    return faces;
}

std::vector<std::array<float, 3>> Points(const TObject3D& object) {
    std::vector<std::array<float, 3>> points;
    for (const TPoint3D& p : object.Vertices) {
        points.push_back({p.X, p.Y, p.Z});
    }
    return points;
}

// The name of each face's material ("" for the default).
std::vector<std::string> FaceMaterialNames(const TRead& read) {
    std::vector<std::string> names;
    for (std::int32_t i = 1; i <= read.Object.FaceCount; ++i) {
        names.push_back(FaceMaterial(read.Looks, i).Name);
    }
    return names;
}

TLooksNote Skipped(const std::string& subject) {
    return {TKind::PartSkipped, subject};
}

// A cube of 8 vertices with mapping coordinates, whose coordinates every number form writes
// exactly.
TMeshSpec Cube(const std::string& name, float at) {
    TMeshSpec cube{name, {}, {}};
    for (int i = 0; i < 8; ++i) {
        cube.Vertices.push_back(
            {at + float(i & 1), -1.25f * float(i >> 1 & 1), 0.5f * float(i >> 2)});
        cube.Mapping.push_back({0.25f * float(i & 3), 0.125f * float(i)});
    }
    cube.Faces = {{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                  {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
    return cube;
}

const std::vector<TMeshSpec> TwoCubes = {Cube("First", 0), Cube("Second", 4)};

// Every line of the text changed by `change`.
std::string EachLine(const std::string& text,
                     const std::function<std::string(std::string)>& change) {
    std::istringstream in(text);
    std::string line;
    std::string out;
    while (std::getline(in, line)) {
        out += change(line) + "\n";
    }
    return out;
}

TEST(ObjReader, TheTextInEveryFormReadsAsTheSameModel) {
    const auto styled = [](std::function<void(TObjStyle&)> change) {
        TObjStyle style;
        change(style);
        return Plexa3DTools::ObjFile(TwoCubes, style);
    };
    const std::string plain = Plexa3DTools::ObjFile(TwoCubes);
    const struct {
        std::string Name;
        std::string Text;
    } cases[] = {
        {"CR LF", styled([](TObjStyle& s) { s.LineEnd = "\r\n"; })},
        {"CR", styled([](TObjStyle& s) { s.LineEnd = "\r"; })},
        {"no last line end", styled([](TObjStyle& s) { s.LastLineEnd = false; })},
        {"CR, no last line end", styled([](TObjStyle& s) {
             s.LineEnd = "\r";
             s.LastLineEnd = false;
         })},
        {"tabs", styled([](TObjStyle& s) { s.Blank = "\t"; })},
        {"runs of blanks", styled([](TObjStyle& s) { s.Blank = " \t  \v"; })},
        {"exponents", styled([](TObjStyle& s) { s.Number = "%.9e"; })},
        {"hexadecimal", styled([](TObjStyle& s) { s.Number = "%a"; })},
        {"signs", styled([](TObjStyle& s) { s.Number = "%+.9G"; })},
        {"comments", styled([](TObjStyle& s) { s.Comments = true; })},
        {"w coordinates", styled([](TObjStyle& s) { s.W = true; })},
        {"relative indices", styled([](TObjStyle& s) { s.Relative = true; })},
        {"groups", styled([](TObjStyle& s) { s.MeshWord = "g"; })},
        {"no mesh statements", styled([](TObjStyle& s) { s.MeshWord = ""; })},
        {"byte-order mark", "\xEF\xBB\xBF" + plain},
        {"statements after blanks", EachLine(plain, [](std::string l) { return "  \t" + l; })},
        {"lines going on after a backslash", EachLine(plain,
                                                      [](std::string l) {
                                                          const auto at = l.find(' ');
                                                          return l.substr(0, at) + " \\\n" +
                                                                 l.substr(at + 1);
                                                      })},
        {"comments ending in a backslash",
         EachLine(plain, [](std::string l) { return "# from C:\\models\\\n" + l; })},
        {"a long comment and a long line",
         "# " + std::string(300000, 'c') + "\n" +
             EachLine(plain, [](std::string l) { return l + std::string(70000, ' '); })},
    };
    const TRead expected = Read(plain);
    ASSERT_EQ(expected.Object.FaceCount, 24);
    ASSERT_EQ(expected.Object.VertexCount, 16);
    ASSERT_EQ(expected.Looks.Mapping.size(), 16u);
    EXPECT_TRUE(expected.Looks.Notes.empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRead read = Read(c.Text, {}, TModelPart::Whole, true);
        EXPECT_EQ(Points(read.Object), Points(expected.Object));
        EXPECT_EQ(Faces(read.Object), Faces(expected.Object));
        EXPECT_EQ(read.Looks.Mapping, expected.Looks.Mapping);
        EXPECT_EQ(read.Looks.Notes, expected.Looks.Notes);
    }
}

// Vertices of the record are the distinct corners faces use, shared as the file shares them.
TEST(ObjReader, EachDistinctCornerIsOneVertex) {
    const std::string square =
        Lines({"v 0 0 0", "v 1 0 0", "v 1 1 0", "v 0 1 0", "vt 0 0", "vt 1 0", "vt 1 1", "vt 0 1",
               "vt 0.5 0.5", "vn 0 0 1", "vn 0 0 -1"});
    const struct {
        std::string Name;
        std::string Faces;
        std::vector<TTriangle> Expected;
        std::vector<TTexCoord> Mapping;
        std::vector<TLooksNote> Notes{};
    } cases[] = {
        {"v", "f 1 2 3\nf 1 3 4\n", {{1, 2, 3}, {1, 3, 4}}, {}},
        {"v/vt",
         "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n",
         {{1, 2, 3}, {1, 3, 4}},
         {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
        {"v/vt with a seam",
         "f 1/1 2/2 3/3\nf 1/5 3/3 4/4\n",
         {{1, 2, 3}, {4, 3, 5}},
         {{0, 0}, {1, 0}, {1, 1}, {0.5f, 0.5f}, {0, 1}}},
        {"v//vn, normals apart",
         "f 1//1 2//1 3//1\nf 1//2 3//2 4//2\n",
         {{1, 2, 3}, {4, 5, 6}},
         {}},
        {"v/vt/vn",
         "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n",
         {{1, 2, 3}, {1, 3, 4}},
         {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
        {"forms mixed in a face",
         "f 1 2/2 3//1\nf 1 3//1 4/4/2\n",
         {{1, 2, 3}, {1, 3, 4}},
         {{0, 0}, {1, 0}, {0, 0}, {0, 1}}},
        {"negative",
         "f -4/-5 -3/-4 -2/-3\nf -4/-5 -2/-3 -1/-2\n",
         {{1, 2, 3}, {1, 3, 4}},
         {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
        {"a quad", "f 1 2 3 4\n", {{1, 2, 3}, {1, 3, 4}}, {}},
        {"an empty vt and vn", "f 1/ 2// 3/ 4\n", {{1, 2, 3}, {1, 3, 4}}, {}},
        {"index 0",
         "f 0 1 2\nf 1 2 3\n",
         {{1, 2, 3}},
         {},
         {Skipped("1 polygon naming a vertex the file has not given")}},
        {"index past the vertices",
         "f 1 2 5\nf -5 1 2\nf 1 2 3\n",
         {{1, 2, 3}},
         {},
         {Skipped("2 polygons naming a vertex the file has not given")}},
        {"index past 2^32",
         "f 1 2 4294967297\nf 1 2 99999999999999999999999\nf 1 2 3\n",
         {{1, 2, 3}},
         {},
         {Skipped("2 polygons naming a vertex the file has not given")}},
        {"mapping and normal past theirs",
         "f 1/6 2/1/3 3/1/1\n",
         {{1, 2, 3}},
         {{0, 0}, {0, 0}, {0, 0}},
         {Skipped("2 corners naming mapping coordinates or a normal the file has not given")}},
        {"a vertex given after the face",
         "f 1 2 5\nv 2 2 2\nf 1 2 5\n",
         {{1, 2, 3}},
         {},
         {Skipped("1 polygon naming a vertex the file has not given")}},
        {"fewer than 3 corners",
         "f 1 2\nf 1\nf\nf 1 2 3\n",
         {{1, 2, 3}},
         {},
         {Skipped("3 polygons of fewer than 3 corners")}},
        {"a corner that is not one",
         "f 1 2 x\nf 1 2 3junk\nf 1/2/3/4 2 3\nf 1 2 3\n",
         {{1, 2, 3}},
         {},
         {Skipped("3 lines not understood")}},
        {"comments after the corners",
         "f 1 2 3# a comment\nf 1 3 4 # a comment\n",
         {{1, 2, 3}, {1, 3, 4}},
         {}},
        {"one vertex twice",
         "f 1 2 1\nf 1 1 3 4\n",
         {{1, 3, 4}},
         {},
         {Skipped("2 triangles with two corners on one vertex")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRead read = Read(square + c.Faces);
        EXPECT_EQ(Faces(read.Object), c.Expected);
        EXPECT_EQ(read.Looks.Mapping, c.Mapping);
        EXPECT_EQ(read.Looks.Notes, c.Notes);
    }
}

// Many mapping coordinates at one vertex, and one at each of many: every corner found again.
TEST(ObjReader, ManyCornersAtOneVertexAreToldApart) {
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    constexpr int Count = 20000;
    for (int i = 0; i < Count; ++i) {
        text += "vt " + std::to_string(i) + " 0\n";
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 1; i <= Count; ++i) {
            text += "f 1/" + std::to_string(i) + " 2/1 3/1\n";
        }
    }
    const TRead read = Read(text);
    ASSERT_EQ(read.Object.FaceCount, 2 * Count);
    EXPECT_EQ(read.Object.VertexCount, Count + 2);
    for (int i = 1; i <= Count; ++i) {
        const TFace3D& f = read.Object.Faces[i];
        ASSERT_EQ(read.Object.Faces[i + Count].A, f.A);
        ASSERT_EQ(read.Looks.Mapping[f.A - 1].U, float(i - 1));
    }
}

// The points of a polygon, (x, y) in the plane z = 0 turned about the axis (1, 1, 1) by 40
// degrees, so that no axis is its normal.
std::vector<std::array<float, 3>> Tilted(const std::vector<std::array<float, 2>>& outline) {
    const double c = std::cos(0.7), s = std::sin(0.7), t = 1 - c, k = 1 / std::sqrt(3.0);
    std::vector<std::array<float, 3>> points;
    for (const auto& p : outline) {
        const double x = p[0], y = p[1];
        points.push_back({float((t * k * k + c) * x + (t * k * k - s * k) * y),
                          float((t * k * k + s * k) * x + (t * k * k + c) * y),
                          float((t * k * k - s * k) * x + (t * k * k + s * k) * y)});
    }
    return points;
}

// A comb of teeth + 1 teeth standing on its back, counterclockwise: 4 teeth + 4 corners, and
// `more` in a line along its back.
std::vector<std::array<float, 2>> Comb(int teeth, int more = 0) {
    std::vector<std::array<float, 2>> outline = {{0, 0}};
    for (int x = 1; x <= more; ++x) {
        outline.push_back({float(x), 0});
    }
    outline.push_back({float(2 * teeth + 1), 0});
    for (int i = teeth; i >= 1; --i) {
        outline.push_back({float(2 * i + 1), 10});
        outline.push_back({float(2 * i), 10});
        outline.push_back({float(2 * i), 1});
        outline.push_back({float(2 * i - 1), 1});
    }
    outline.push_back({1, 10});
    outline.push_back({0, 10});
    return outline;
}

double Area(const std::vector<std::array<float, 2>>& outline) {
    double twice = 0;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const auto& a = outline[i];
        const auto& b = outline[(i + 1) % outline.size()];
        twice += double(a[0]) * b[1] - double(b[0]) * a[1];
    }
    return twice / 2;
}

// A polygon is split into triangles that turn as it does and cover it exactly: their areas sum
// to its own, none turned over. Past 1024 corners the split is a fan, and said so.
TEST(ObjReader, PolygonsAreSplitAlongTheirOutline) {
    const std::vector<std::array<float, 2>> spiral = [] {
        std::vector<std::array<float, 2>> outer, inner;
        for (int i = 0; i <= 60; ++i) {
            const double a = i * 0.2;
            outer.push_back({float((4 + a) * std::cos(a)), float((4 + a) * std::sin(a))});
            inner.push_back({float((3 + a) * std::cos(a)), float((3 + a) * std::sin(a))});
        }
        outer.insert(outer.end(), inner.rbegin(), inner.rend());
        return outer;
    }();
    const struct {
        std::string Name;
        std::vector<std::array<float, 2>> Outline;
        bool Exact; // whether the triangles must cover the outline
        std::vector<TLooksNote> Notes{};
    } cases[] = {
        {"convex", {{0, 0}, {2, 0}, {3, 1}, {2, 2}, {0, 2}}, true},
        {"a dart, fanned from its tip", {{0, 0}, {2, -2}, {1, 0}, {2, 2}}, true},
        {"a dart, its notch first", {{1, 0}, {2, 2}, {0, 0}, {2, -2}}, true},
        {"a dart, its notch second", {{2, -2}, {1, 0}, {2, 2}, {0, 0}}, true},
        {"an L", {{3, 1}, {1, 1}, {1, 3}, {0, 3}, {0, 0}, {3, 0}}, true},
        {"corners in a line", {{2, 1}, {1, 1}, {1, 2}, {0, 2}, {0, 0}, {1, 0}, {2, 0}}, true},
        {"a comb of 30 teeth", Comb(29), true},
        {"a spiral", spiral, true},
        {"a comb of 1024 corners", Comb(255), true},
        {"a comb of 1025 corners",
         Comb(255, 1),
         false,
         {Skipped("1 polygon of more than 1024 corners split as a fan, not by its outline")}},
        {"a bow tie", {{0, 0}, {2, 2}, {2, 0}, {0, 2}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<std::array<float, 3>> points = Tilted(c.Outline);
        const TRead read = Read(Plexa3DTools::PolygonFile(points));
        ASSERT_EQ(read.Object.FaceCount, std::int32_t(c.Outline.size()) - 2);
        ASSERT_GE(Area(c.Outline), 0);
        EXPECT_EQ(read.Looks.Notes, c.Notes);
        if (!c.Exact) {
            continue;
        }
        double sum = 0;
        for (const TFace3D& f : read.Object.Faces) {
            const auto& a = c.Outline[f.A - 1];
            const auto& b = c.Outline[f.B - 1];
            const auto& d = c.Outline[f.C - 1];
            const double twice = (double(b[0]) - a[0]) * (double(d[1]) - a[1]) -
                                 (double(b[1]) - a[1]) * (double(d[0]) - a[0]);
            EXPECT_GE(twice, -1e-9) << f.A << " " << f.B << " " << f.C;
            sum += twice / 2;
        }
        EXPECT_NEAR(sum, Area(c.Outline), 1e-6 * Area(c.Outline));
    }
}

// A polygon of a million corners (a comb, concave everywhere) is read in linear time, as a fan.
TEST(ObjReader, APolygonOfAMillionCornersIsSplitAsAFan) {
    const std::vector<std::array<float, 2>> comb = Comb(249999);
    ASSERT_EQ(comb.size(), 1000000u);
    std::vector<std::array<float, 3>> points;
    for (const auto& p : comb) {
        points.push_back({p[0], p[1], 0});
    }
    const TRead read = Read(Plexa3DTools::PolygonFile(points));
    EXPECT_EQ(read.Object.FaceCount, std::int32_t(comb.size()) - 2);
}

TEST(ObjReader, MeshesStartAtObjectsAndGroups) {
    const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const auto styled = [](const std::string& word) {
        TObjStyle style;
        style.MeshWord = word;
        return Plexa3DTools::ObjFile(TwoCubes, style);
    };
    const struct {
        std::string Name;
        std::string Text;
        std::string FirstName; // "" for the file's
        std::int32_t FirstFaces, WholeFaces;
    } cases[] = {
        {"objects", styled("o"), "First", 12, 24},
        {"groups", styled("g"), "First", 12, 24},
        {"neither", styled(""), "", 24, 24},
        {"faces before the first group", tri + "f 1 2 3\ng A\nf 1 2 3\n", "", 1, 2},
        {"empty groups first, names with spaces",
         tri + "g Empty\ng  Named  Group # comment\nf 1 2 3\nf 3 2 1\ng B\nf 1 2 3\n",
         "Named  Group", 2, 3},
        {"an unnamed group before", "g\n" + tri + "g Base\nf 1 2 3\ng\nf 1 2 3\n", "Base", 1, 2},
        {"an object, then a group", tri + "o Thing\ng Part\nf 1 2 3\ng Rest\nf 1 2 3\n", "Part", 1,
         2},
        {"a group of lines only", tri + "g Lines\nl 1 2\ng Faces\nf 1 2 3\n", "Faces", 1, 1},
        {"a group of a polygon of 2 corners", tri + "g A\nf 1 2\ng B\nf 1 2 3\n", "B", 1, 1},
        {"one name twice", tri + "g Same\nf 1 2 3\ng Same\nf 1 2 3\n", "Same", 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRead first = Read(c.Text, {}, TModelPart::FirstMesh);
        EXPECT_EQ(first.Object.Name, c.FirstName.empty() ? ModelName(FileName) : c.FirstName);
        EXPECT_EQ(first.Object.FaceCount, c.FirstFaces);
        const TRead whole = Read(c.Text);
        EXPECT_EQ(whole.Object.Name, ModelName(FileName));
        EXPECT_EQ(whole.Object.FaceCount, c.WholeFaces);
    }
}

TEST(ObjReader, SmoothingGroupsAndSharedNormalsGiveMasks) {
    const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvn 0 0 1\n";
    const std::string faces = "f 1//1 2//1 3//1\nf 2//1 4//1 3//1\n";
    TMeshSpec masked = Cube("Masked", 0);
    masked.Smoothing = {1, 2, 8, 0, 0x80000000, 1};
    const struct {
        std::string Name;
        std::string Text;
        std::vector<std::uint32_t> Masks;
        std::vector<TLooksNote> Notes{};
    } cases[] = {
        {"no normals, no groups", head + "f 1 2 3\nf 2 4 3\n", {}},
        {"normals at every corner", head + faces, {1, 1}},
        {"normals at some corners", head + "f 1//1 2//1 3//1\nf 2//1 4 3//1\n", {1, 0}},
        {"s off", head + "s off\n" + faces, {}},
        {"s OFF", head + "s OFF\n" + faces, {}},
        {"s 0 then s 5", head + "s 0\nf 1 2 3\ns 5\nf 2 4 3\n", {0, 16}},
        {"groups 32 and 33", head + "s 32\nf 1 2 3\ns 33\nf 2 4 3\n", {0x80000000, 1}},
        {"a group that is not a number",
         head + "s 2\ns on\n" + faces,
         {2, 2},
         {Skipped("1 line not understood")}},
        {"written from masks",
         Plexa3DTools::ObjFile({masked}),
         {1, 2, 8, 0, 0x80000000, 1, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRead read = Read(c.Text);
        EXPECT_EQ(read.Looks.FaceSmoothing, c.Masks);
        EXPECT_EQ(read.Looks.Notes, c.Notes);
    }
}

TMaterial Material(const std::string& name, std::function<void(TMaterial&)> change = {}) {
    TMaterial m;
    m.Name = name;
    if (change) {
        change(m);
    }
    return m;
}

// A model of one triangle in the material, its library beside it.
TRead ReadMaterial(const std::string& library, const std::string& name = "M") {
    const std::string obj =
        "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl " + name + "\nf 1 2 3\n";
    return Read(obj, {{"m.mtl", library}});
}

TEST(ObjReader, LibraryStatementsGiveTheMaterial) {
    const auto texture = [](const std::string& file,
                            std::function<void(TTextureMap&)> change = {}) {
        return [=](TMaterial& m) {
            m.Texture = TTextureMap{file};
            if (change) {
                change(*m.Texture);
            }
        };
    };
    const struct {
        std::string Name;
        TObjMaterialSpec Written;
        TMaterial Expected;
    } cases[] = {
        {"nothing", {"M"}, Material("M")},
        {"colours",
         {"M", {{0.1f, 0.2f, 0.3f}}, {{0.4f, 0.5f, 0.6f}}, {{0.7f, 0.8f, 0.9f}}},
         Material("M",
                  [](TMaterial& m) {
                      m.Ambient = {0.1f, 0.2f, 0.3f};
                      m.Diffuse = {0.4f, 0.5f, 0.6f};
                      m.Specular = {0.7f, 0.8f, 0.9f};
                      m.ShininessStrength = 1;
                  })},
        {"a grey of one number",
         {"M", {}, {}, {}, {}, {}, {}, {}, {}, {"Kd 0.25"}},
         Material("M",
                  [](TMaterial& m) {
                      m.Diffuse = {0.25f, 0.25f, 0.25f};
                  })},
        {"colours held to 0 to 1, or kept when not finite",
         {"M", {}, {}, {}, {}, {}, {}, {}, {}, {"Ka 2 -1 0.5", "Kd nan 0 0", "Ks inf 1 1"}},
         Material("M",
                  [](TMaterial& m) {
                      m.Ambient = {1, 0, 0.5f};
                  })},
        {"spectral and xyz colours passed over",
         {"M", {}, {}, {}, {}, {}, {}, {}, {}, {"Kd spectral red.rfl 1", "Ka xyz 0.5 0.5 0.5"}},
         Material("M")},
        {"Ns 1", {"M", {}, {}, {}, 1}, Material("M")},
        {"Ns 64.5",
         {"M", {}, {}, {}, 64.5f},
         Material("M", [](TMaterial& m) { m.Shininess = 0.5f; })},
        {"Ns 1000", {"M", {}, {}, {}, 1000}, Material("M", [](TMaterial& m) { m.Shininess = 1; })},
        {"d",
         {"M", {}, {}, {}, {}, 0.25f},
         Material("M", [](TMaterial& m) { m.Transparency = 0.75f; })},
        {"Tr",
         {"M", {}, {}, {}, {}, {}, 0.375f},
         Material("M", [](TMaterial& m) { m.Transparency = 0.375f; })},
        {"d -halo",
         {"M", {}, {}, {}, {}, {}, {}, {}, {}, {"d -halo 0.5"}},
         Material("M", [](TMaterial& m) { m.Transparency = 0.5f; })},
        {"an image", {"M", {}, {}, {}, {}, {}, {}, "wood.png"}, Material("M", texture("wood.png"))},
        {"an image named with spaces in a folder",
         {"M", {}, {}, {}, {}, {}, {}, "maps/old  oak.jpg"},
         Material("M", texture("maps/old  oak.jpg"))},
        {"an image clamped",
         {"M", {}, {}, {}, {}, {}, {}, "a.png", "-clamp on"},
         Material("M", texture("a.png", [](TTextureMap& t) { t.Tiling = TilingNone; }))},
        {"an image with the options passed over",
         {"M",
          {},
          {},
          {},
          {},
          {},
          {},
          "1.png",
          "-bm 0.5 -blendu off -blendv on -boost 2 -cc on -clamp off -imfchan r -mm 0 1 -t 1 1 "
          "1 -texres 512 -type sphere -unknown"},
         Material("M", texture("1.png"))},
        {"an image without a name",
         {"M", {}, {}, {}, {}, {}, {}, {}, {}, {"map_Kd -clamp on"}},
         Material("M")},
        {"words in other cases, comments",
         {"M", {}, {}, {}, {}, {}, {}, {}, {}, {"KD 1 0 0 # red", "# Kd 0 1 0", "MAP_KD a.png"}},
         Material("M",
                  [](TMaterial& m) {
                      m.Diffuse = {1, 0, 0};
                      m.Texture = TTextureMap{"a.png"};
                  })},
        {"statements of no bearing",
         {"M",
          {},
          {},
          {},
          {},
          {},
          {},
          {},
          {},
          {"illum 2", "Ni 1.5", "Tf 1 1 1", "map_Bump b.png", "refl -type sphere r.png",
           "whatever 3"}},
         Material("M")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRead read = ReadMaterial(Plexa3DTools::MtlFile({c.Written}, "\r\n"));
        ASSERT_EQ(read.Looks.Materials.size(), 2u);
        EXPECT_EQ(read.Looks.Materials[1], c.Expected);
        EXPECT_EQ(read.Looks.FaceMaterials, std::vector<std::uint32_t>{1});
        EXPECT_TRUE(read.Looks.Notes.empty());
    }
}

// OBJ places an image so that mapping coordinate u lies at u' = s u + o of it (v likewise); the
// record's placement puts each (u, v) at the same place.
TEST(ObjReader, AnImageIsPlacedWhereTheFileSays) {
    const struct {
        std::string Options;
        float Su, Sv, Ou, Ov;
    } cases[] = {
        {"", 1, 1, 0, 0},
        {"-s 2 3 1", 2, 3, 0, 0},
        {"-o 0.25 -0.5 0", 1, 1, 0.25f, -0.5f},
        {"-o 0.1 0.2 -s 4 0.5", 4, 0.5f, 0.1f, 0.2f},
        {"-s 2", 2, 1, 0, 0},
        {"-s -1 1 1 -o 1 0 0", -1, 1, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Options);
        const TRead read = ReadMaterial(
            Plexa3DTools::MtlFile({{"M", {}, {}, {}, {}, {}, {}, "a.png", c.Options}}));
        ASSERT_TRUE(read.Looks.Materials.at(1).Texture);
        const TTextureMap& t = *read.Looks.Materials[1].Texture;
        EXPECT_EQ(t.FileName, "a.png");
        EXPECT_EQ(t.Rotation, 0);
        for (const float u : {0.0f, 0.3f, 1.0f, 2.5f}) {
            const float v = 1 - u;
            EXPECT_NEAR((u - 0.5f) * t.UScale + 0.5f - t.UOffset, c.Su * u + c.Ou, 1e-6) << u;
            EXPECT_NEAR((v - 0.5f) * t.VScale + 0.5f - t.VOffset, c.Sv * v + c.Ov, 1e-6) << v;
        }
    }
}

TEST(ObjReader, LibrariesAreFoundAndWhatIsMissingIsTold) {
    const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::string red = Plexa3DTools::MtlFile({{"Red", {}, {{1, 0, 0}}}});
    const std::string blue = Plexa3DTools::MtlFile({{"Blue", {}, {{0, 0, 1}}}});
    const std::string faces = "usemtl Red\nf 1 2 3\nusemtl Blue\nf 1 2 3\n";
    std::string many;
    for (int i = 0; i < 66; ++i) {
        many += "mtllib lib" + std::to_string(i) + ".mtl\n";
    }
    const struct {
        std::string Name;
        std::string Text;
        TBeside Beside;
        std::vector<std::string> Materials; // of each face
        std::vector<TLooksNote> Notes{};
    } cases[] = {
        {"two libraries, two statements",
         "mtllib r.mtl\nmtllib b.mtl\n" + tri + faces,
         {{"r.mtl", red}, {"b.mtl", blue}},
         {"Red", "Blue"}},
        {"two libraries, one statement",
         "mtllib r.mtl  b.mtl # both\n" + tri + faces,
         {{"r.mtl", red}, {"b.mtl", blue}},
         {"Red", "Blue"}},
        {"a library named with spaces",
         "mtllib my red.mtl\n" + tri + faces,
         {{"my red.mtl", red}},
         {"Red", ""},
         {Skipped("material Blue, which no material library defines")}},
        {"named after the faces",
         tri + faces + "mtllib r.mtl b.mtl\n",
         {{"r.mtl", red}, {"b.mtl", blue}},
         {"Red", "Blue"}},
        {"a library missing",
         "mtllib r.mtl gone.mtl\n" + tri + faces,
         {{"r.mtl", red}},
         {"Red", ""},
         {{TKind::FileMissing, "gone.mtl"}}},
        {"a library missing, named twice",
         "mtllib gone.mtl\nmtllib gone.mtl\n" + tri + "f 1 2 3\n",
         {},
         {""},
         {{TKind::FileMissing, "gone.mtl"}}},
        {"a library of spaces missing",
         "mtllib my gone lib.mtl\n" + tri + faces,
         {},
         {"", ""},
         {{TKind::FileMissing, "my gone lib.mtl"}}},
        {"a library that is not text",
         "mtllib r.mtl\nmtllib b.mtl\n" + tri + faces,
         {{"r.mtl", red}, {"b.mtl", std::string("\xFF\xFEn\0e\0w\0", 8)}},
         {"Red", ""},
         {{TKind::FileUnreadable, "b.mtl"}}},
        {"a material no library defines",
         "mtllib r.mtl\n" + tri + faces + "usemtl Other\nf 1 2 3\n",
         {{"r.mtl", red}},
         {"Red", "", ""},
         {Skipped("material Blue, which no material library defines"),
          Skipped("material Other, which no material library defines")}},
        {"no library at all",
         tri + faces,
         {},
         {"", ""},
         {Skipped("material Blue, which no material library defines"),
          Skipped("material Red, which no material library defines")}},
        {"materials in the model itself",
         "newmtl Red\nKd 1 0 0\n\nnewmtl Blue\nKd 0 0 1\n" + tri + faces,
         {},
         {"Red", "Blue"}},
        {"names compared with blanks as one space",
         "mtllib r.mtl\n" + tri + "usemtl \t Dark   Red \nf 1 2 3\n",
         {{"r.mtl", Plexa3DTools::MtlFile({{"Dark Red"}})}},
         {"Dark Red"}},
        {"a name defined twice",
         "mtllib r.mtl b.mtl\n" + tri + faces,
         {{"r.mtl", red + blue}, {"b.mtl", Plexa3DTools::MtlFile({{"Red", {}, {{0, 1, 0}}}})}},
         {"Red", "Blue"},
         {Skipped("a second material named Red (the first is used)")}},
        {"an empty usemtl",
         "mtllib r.mtl\n" + tri + "usemtl Red\nf 1 2 3\nusemtl\nf 1 2 3\n",
         {{"r.mtl", red}},
         {"Red", ""}},
        {"more materials than are named",
         tri +
             [] {
                 std::string text;
                 for (int i = 1; i <= 9; ++i) {
                     text += "usemtl M" + std::to_string(i) + "\nf 1 2 3\n";
                 }
                 return text;
             }(),
         {},
         std::vector<std::string>(9, ""),
         [] {
             std::vector<TLooksNote> notes;
             for (int i = 1; i <= 8; ++i) {
                 notes.push_back(Skipped("material M" + std::to_string(i) +
                                         ", which no material library defines"));
             }
             notes.push_back(Skipped("1 more material no material library defines"));
             return notes;
         }()},
        {"more than 64 libraries",
         many + tri + "usemtl X\nf 1 2 3\n",
         {{"lib3.mtl", red}},
         {""},
         [] {
             std::vector<TLooksNote> notes;
             for (int i = 0; i < 64; ++i) {
                 if (i != 3) {
                     notes.push_back({TKind::FileMissing, "lib" + std::to_string(i) + ".mtl"});
                 }
             }
             notes.push_back(Skipped("2 material libraries beyond the first 64"));
             return notes;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRead read = Read(c.Text, c.Beside);
        EXPECT_EQ(FaceMaterialNames(read), c.Materials);
        EXPECT_EQ(read.Looks.Notes, c.Notes);
    }
}

// As the program opens it: the library in a folder, named in another case than on the disk; and
// one named by a folder of another machine, found beside the file by its own name.
TEST(ObjReader, ALibraryIsFoundBesideTheFileIgnoringCase) {
    const Plexa3DTest::TTempDir dir;
    std::filesystem::create_directory(dir.Path() / "Mats");
    Plexa3DTools::WriteText(
        (dir.Path() / "Mats" / "Red Lib.MTL").string(),
        Plexa3DTools::MtlFile({{"Red", {}, {{1, 0, 0}}, {}, {}, {}, {}, "A.PNG"}}));
    const std::string file = dir.Write(
        "m.obj", "mtllib mats/red lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Red\nf 1 2 3\n");
    TObject3D object;
    TModelLooks looks;
    ReadModelFile(file, TModelPart::Whole, object, looks);
    ASSERT_EQ(looks.Materials.size(), 2u);
    EXPECT_EQ(looks.Materials[1].Diffuse, (TColorF{1, 0, 0}));
    EXPECT_EQ(looks.Materials[1].Texture->FileName, "A.PNG");
    EXPECT_TRUE(looks.Notes.empty());

    dir.Write("blue.mtl", Plexa3DTools::MtlFile({{"Blue", {}, {{0, 0, 1}}}}));
    const std::string moved = dir.Write(
        "n.obj", "mtllib D:\\Exports\\Blue.MTL\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Blue\nf 1 2 3\n");
    ReadModelFile(moved, TModelPart::Whole, object, looks);
    ASSERT_EQ(looks.Materials.size(), 2u);
    EXPECT_EQ(looks.Materials[1].Diffuse, (TColorF{0, 0, 1}));
    EXPECT_TRUE(looks.Notes.empty());

    // A library of just the most bytes a companion may hold is read; one byte more is too large.
    const auto most = std::size_t(std::filesystem::file_size(dir.Path() / "blue.mtl"));
    EXPECT_EQ(ReadCompanionFile(dir.Path().string(), "BLUE.mtl", most).State,
              TCompanion::TState::Read);
    EXPECT_EQ(ReadCompanionFile(dir.Path().string(), "BLUE.mtl", most - 1).State,
              TCompanion::TState::TooLarge);
}

TEST(ObjReader, VertexColoursColourFacesWithoutColoursOfTheirOwn) {
    const std::string head = "mtllib m.mtl\nv 0 0 0 1 0 0\nv 1 0 0 0 1 0\nv 0 1 0 0 0 1\n"
                             "v 1 1 0 1 1 1\nv 2 2 0\n";
    const TBeside library = {
        {"m.mtl", Plexa3DTools::MtlFile({{"Green", {}, {{0, 1, 0}}},
                                         {"Plain", {}, {}, {}, 200},
                                         {"Pictured", {}, {}, {}, {}, {}, {}, "p.png"}})}};
    const TColorF grey = TMaterial{}.Diffuse;
    const float third = 10.0f / 31; // 1/3 is 10.33 steps of 31, 2/3 20.67
    const struct {
        std::string Name;
        std::string Faces;
        std::vector<TColorF> Diffuse;
        std::size_t Materials; // in the record, the default's included
    } cases[] = {
        {"no material", "f 1 2 3\n", {{third, third, third}}, 2},
        {"one colour, one material",
         "f 1 2 4\nf 4 1 2\nf 1 2 3\n",
         {{21.0f / 31, 21.0f / 31, third}, {21.0f / 31, 21.0f / 31, third}, {third, third, third}},
         3},
        {"a polygon, one colour for all of it",
         "f 1 2 4 3\n",
         {{0.5f + 0.5f / 31, 0.5f + 0.5f / 31, 0.5f + 0.5f / 31},
          {0.5f + 0.5f / 31, 0.5f + 0.5f / 31, 0.5f + 0.5f / 31}},
         2},
        {"a corner without a colour", "f 1 2 5\n", {grey}, 1},
        {"a material with a diffuse colour", "usemtl Green\nf 1 2 3\n", {{0, 1, 0}}, 2},
        {"a material with an image", "usemtl Pictured\nf 1 2 3\n", {grey}, 2},
        {"a material without either", "usemtl Plain\nf 1 2 3\n", {{third, third, third}}, 3},
        {"a material missing", "usemtl Gone\nf 1 2 3\n", {{third, third, third}}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRead read = Read(head + c.Faces, library);
        std::vector<TColorF> diffuse;
        for (std::int32_t i = 1; i <= read.Object.FaceCount; ++i) {
            diffuse.push_back(FaceMaterial(read.Looks, i).Diffuse);
        }
        ASSERT_EQ(diffuse.size(), c.Diffuse.size());
        for (std::size_t i = 0; i < diffuse.size(); ++i) {
            EXPECT_NEAR(diffuse[i].R, c.Diffuse[i].R, 1e-6) << i;
            EXPECT_NEAR(diffuse[i].G, c.Diffuse[i].G, 1e-6) << i;
            EXPECT_NEAR(diffuse[i].B, c.Diffuse[i].B, 1e-6) << i;
        }
        EXPECT_EQ(read.Looks.Materials.size(), c.Materials);
    }
    // The coloured copy keeps the rest of its material.
    const TRead plain = Read(head + "usemtl Plain\nf 1 2 3\n", library);
    EXPECT_EQ(plain.Looks.Materials.back().Shininess, 1);
}

// A text file that is not OBJ's 8-bit text is refused; one of odd values reads what is sound.
TEST(ObjReader, FilesThatAreNotTextAreRefused) {
    const std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    std::string utf16;
    for (const char c : obj) {
        utf16 += c;
        utf16 += '\0';
    }
    const struct {
        std::string Name;
        std::string Bytes;
        std::string Message;
    } cases[] = {
        {"UTF-16, little-endian", "\xFF\xFE" + utf16,
         "OBJ: the file is UTF-16 text, and OBJ files are 8-bit text"},
        {"UTF-16, big-endian", std::string("\xFE\xFF\0", 3) + utf16.substr(0, utf16.size() - 1),
         "OBJ: the file is UTF-16 text, and OBJ files are 8-bit text"},
        {"a zero byte", obj + std::string(1, '\0') + obj,
         "OBJ: the file holds zero bytes, so it is not text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            Read(c.Bytes, {}, TModelPart::Whole, true);
            ADD_FAILURE() << "read";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(std::string(error.what()), c.Message);
        }
    }
}

TEST(ObjReader, OddValuesReadWhatIsSound) {
    const std::string faces = "f 1 2 3\nf 1 3 4\n";
    const struct {
        std::string Name;
        std::string Text;
        std::vector<TTriangle> Faces;
        std::int64_t NotFinite;
        std::vector<std::array<float, 3>> Points{}; // when all are finite
        std::vector<TLooksNote> Notes{};
    } cases[] = {
        {"a coordinate NaN", "v 0 0 0\nv nan 0 0\nv 1 1 0\nv 0 1 0\n" + faces, {{1, 3, 4}}, 1},
        {"infinite, and too large", "v 0 0 0\nv -inf 0 0\nv 1 1 0\nv 0 1e39 0\n" + faces, {}, 2},
        {"too small",
         "v 0 0 0\nv 1e-50 1 0\nv 1 1 0\nv -0x1p-200 1 0\n" + faces,
         {{1, 2, 3}, {1, 3, 4}},
         0,
         {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 1, 0}}},
        {"too small even for a double",
         "v 0 0 0\nv 1e-400 1 0\nv 1 1 0\nv -0x1p-1100 1 0\n" + faces,
         {{1, 2, 3}, {1, 3, 4}},
         0,
         {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 1, 0}}},
        {"a word that is not a number",
         "v 0 0 0\nv 1 x 0\nv 1 1 0\nv 0 1 0 x\n" + faces,
         {{1, 3, 4}},
         1,
         {},
         {Skipped("2 vertices with a word that is not a number")}},
        {"too few coordinates",
         "v 0 0\nv 1 0 0\nv 1 1\nv 0 1 0\n" + faces,
         {{1, 2, 3}, {1, 3, 4}},
         0,
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
         {Skipped("2 vertices of fewer than 3 coordinates (the others 0)")}},
        {"numbers followed by other characters",
         "v 0 0 0\nv 1 0 0\nv 1 1 0x\nv 0 1.5.5 0\n" + faces,
         {{1, 2, 3}, {1, 3, 4}},
         0,
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1.5f, 0}},
         {Skipped("2 numbers followed by other characters, read as far as they go")}},
        {"two signs",
         "v 0 0 0\nv 1 0 0\nv 1 1 0\nv --1 +-1 0\n" + faces,
         {{1, 2, 3}},
         1,
         {},
         {Skipped("1 vertex with a word that is not a number")}},
        {"lines of other statements and of none",
         "vtx 9 9 9\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvp 1 2\ncstype bspline\ncurv 0 1 1 2\n"
         "l 1 2\np 3\njunk\n\x01\x02\nfox 1 2 4\nff 1 2 4\n" +
             faces,
         {{1, 2, 3}, {1, 3, 4}},
         0,
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
         {Skipped("1 line element (l)"), Skipped("1 point element (p)"),
          Skipped("1 free-form curve or surface"), Skipped("5 lines not understood")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRead read = Read(c.Text, {}, TModelPart::Whole, true);
        EXPECT_EQ(Faces(read.Object), c.Faces);
        EXPECT_EQ(read.File.Reading.FacesNotFinite, c.NotFinite);
        if (!c.Points.empty()) {
            EXPECT_EQ(Points(read.Object), c.Points);
        }
        EXPECT_EQ(read.Looks.Notes, c.Notes);
    }
}

// Cut anywhere, a model and its library read as far as they go into a record whose looks fit it.
TEST(ObjReader, AFileCutAnywhereReadsAsFarAsItGoes) {
    TObjStyle style;
    style.Before = {"mtllib m.mtl", "# a comment"};
    style.After = {"g Last",
                   "v 1 2 3 0.5 0.5 0.5",
                   "v 3 2 1 1 0 0",
                   "v 2 2 2 0 1 0",
                   "s 3",
                   "usemtl Gone",
                   "f -1 -2 -3 1",
                   "l 1 2",
                   "f 1/1/1 2/2/1 3/3/1 4/4/1 5/5/1"};
    style.Normals = true;
    TMeshSpec cube = Cube("Cube", 0);
    cube.Materials = {{"Red", {0, 1, 2}}, {"Pictured", {5}}};
    cube.Smoothing = {1, 2, 4};
    const std::string obj = Plexa3DTools::ObjFile({cube}, style);
    const std::string mtl = Plexa3DTools::MtlFile(
        {{"Red", {{0.5f, 0, 0}}, {{1, 0, 0}}, {{1, 1, 1}}, 10, 0.5f},
         {"Pictured", {}, {}, {}, {}, {}, {}, "my pic.png", "-s 2 2 1 -o 0.5 0.5 0 -clamp on"}});
    const auto check = [](const TRead& read, std::size_t cut) {
        const TObject3D& o = read.Object;
        for (const TFace3D& f : o.Faces) {
            ASSERT_TRUE(FaceInRange(f, o.VertexCount)) << cut;
        }
        const auto faces = std::size_t(o.FaceCount);
        ASSERT_TRUE(read.Looks.FaceMaterials.empty() || read.Looks.FaceMaterials.size() == faces);
        ASSERT_TRUE(read.Looks.FaceSmoothing.empty() || read.Looks.FaceSmoothing.size() == faces);
        ASSERT_TRUE(read.Looks.Mapping.empty() ||
                    read.Looks.Mapping.size() == std::size_t(o.VertexCount));
        for (const std::uint32_t m : read.Looks.FaceMaterials) {
            ASSERT_LT(m, read.Looks.Materials.size()) << cut;
        }
    };
    for (std::size_t cut = 0; cut <= obj.size(); ++cut) {
        for (const TModelPart part : {TModelPart::FirstMesh, TModelPart::Whole}) {
            check(Read(obj.substr(0, cut), {{"m.mtl", mtl}}, part, true), cut);
        }
    }
    for (std::size_t cut = 0; cut <= mtl.size(); ++cut) {
        const TRead read = Read(obj, {{"m.mtl", mtl.substr(0, cut)}});
        ASSERT_EQ(read.Object.FaceCount, 17) << cut;
        check(read, cut);
    }
    const TRead whole = Read(obj, {{"m.mtl", mtl}});
    EXPECT_EQ(whole.Object.FaceCount, 17);
    EXPECT_EQ(FaceMaterialNames(whole)[5], "Pictured");
    EXPECT_EQ(whole.Looks.Notes,
              (std::vector<TLooksNote>{Skipped("material Gone, which no material library defines"),
                                       Skipped("1 line element (l)")}));
}

struct TExpectedRow {
    std::string File;
    std::int32_t Triangles = 0; // -1: refused
    std::string Note;
};

std::vector<TExpectedRow> ReadTable(const std::filesystem::path& table) {
    std::ifstream in(table);
    std::vector<TExpectedRow> rows;
    std::string line;
    std::getline(in, line); // the heading
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        TExpectedRow row;
        std::string triangles;
        if (std::getline(fields, row.File, '\t') && std::getline(fields, triangles, '\t')) {
            std::getline(fields, row.Note);
            row.Triangles = std::stoi(triangles);
            rows.push_back(row);
        }
    }
    return rows;
}

// Every OBJ file of the corpus opens, whole and its first mesh, with the triangles listed.
// Past its start, a long text is read a stretch at a time, two halves side by side: wherever the
// halves fall among lines of every kind, the model, its looks and its notes are those of the
// reading line by line.
TEST(ObjReader, StretchesReadAsLinesOneByOne) {
    const std::string odd[] = {"# a comment\n",
                               "\n",
                               " \t \n",
                               "f -1 -2 -3 # a comment\n",
                               "o part\n",
                               "g\n",
                               "usemtl red\n",
                               "usemtl none\n",
                               "s 1\n",
                               "s off\n",
                               "s 5\n",
                               "l 1 2\n",
                               "v 1 2 3 0.5 0.25 1\n",
                               "v 1 2\n",
                               "v 1 x 3\n",
                               "v 1.5e1 2 3+e2\n",
                               "vt 1\n",
                               "f 1 2\n",
                               "f -1 -2 x\n",
                               "f 1 2 99999999\n",
                               "fo -1 -2 -3\n",
                               "f -1 -2 -3 -4 -5\n",
                               "f 0 1 2\n",
                               "v 1 2 3\r\n",
                               "# cut \\\n",
                               "f -1/-1 -2/-2 -3/-3\n",
                               "vn 1 0 0\n",
                               "newmtl red\nKd 1 0 0\n",
                               "\tv  -7\t8 9 \n"};
    // Lines that a stretch leaves to the reading one by one, from where they stand: now and then.
    const std::string stops[] = {"f -1 -2 \\\n -3\n", "v 4 5 6\rv 6 5 4\n"};
    const auto text = [&](std::size_t every, std::size_t shift) {
        std::string all;
        for (std::size_t i = 0; i < 4000; ++i) {
            all += "v " + std::to_string(i % 97) + " " + std::to_string(i % 7) + ".5 -" +
                   std::to_string(i % 3) + "\nvt 0." + std::to_string(i % 10) +
                   " 0.5\nvn 0 0 1\nf -1/-1/-1 -2/-2/-1 -3/-3/-1\n";
            all += i % every == 0 ? odd[(i / every + shift) % std::size(odd)] : "";
            all += i % 2000 == 1000 ? stops[i / 2000 % 2] : "";
        }
        return all;
    };
    // Everything read, as lines to compare.
    const auto read = [](const std::string& t, TModelPart part, bool stretches) {
        const std::vector<std::uint8_t> bytes(t.begin(), t.end()); // no room past the end
        TModelBuilder builder;
        const std::string name = ReadObj({FileName, bytes, {}}, part, builder, stretches);
        TObject3D object;
        TModelLooks looks;
        const TModelReading reading = builder.Finish(name, object, looks);
        std::vector<std::string> all{name, std::to_string(reading.Meshes) + " meshes, " +
                                               std::to_string(reading.FacesNotFinite) +
                                               " faces not finite"};
        for (const TPoint3D& p : object.Vertices) {
            all.push_back(std::to_string(std::bit_cast<std::uint32_t>(p.X)) + " " +
                          std::to_string(std::bit_cast<std::uint32_t>(p.Y)) + " " +
                          std::to_string(std::bit_cast<std::uint32_t>(p.Z)));
        }
        for (std::int32_t i = 1; i <= object.FaceCount; ++i) {
            const TFace3D& f = object.Faces[i];
            all.push_back(std::to_string(f.A) + " " + std::to_string(f.B) + " " +
                          std::to_string(f.C) + " " + FaceMaterial(looks, i).Name + " " +
                          std::to_string(i <= std::int32_t(looks.FaceSmoothing.size())
                                             ? looks.FaceSmoothing[std::size_t(i - 1)]
                                             : 0));
        }
        for (const TTexCoord& m : looks.Mapping) {
            all.push_back(std::to_string(m.U) + " " + std::to_string(m.V));
        }
        for (const TMeshPart& mesh : looks.Meshes) {
            all.push_back(mesh.Name + " " + std::to_string(mesh.Count));
        }
        for (const TLooksNote& note : looks.Notes) {
            all.push_back(note.Subject);
        }
        return all;
    };
    for (const std::size_t every : {1, 37, 500, 4000}) {
        for (std::size_t shift = 0; shift < std::size(odd); shift += every < 37 ? 5 : 7) {
            // Some end in a long line without an ending, read one by one.
            const std::string t =
                text(every, shift) + (shift % 2 == 0 ? "" : stops[0] + std::string(70000, '#'));
            for (const TModelPart part : {TModelPart::Whole, TModelPart::FirstMesh}) {
                SCOPED_TRACE("every " + std::to_string(every) + ", shift " + std::to_string(shift) +
                             (part == TModelPart::Whole ? ", whole" : ", first mesh"));
                const std::vector<std::string> one = read(t, part, false);
                const std::vector<std::string> stretched = read(t, part, true);
                ASSERT_EQ(stretched.size(), one.size());
                const auto differ = std::mismatch(one.begin(), one.end(), stretched.begin());
                EXPECT_TRUE(differ.first == one.end())
                    << "line " << differ.first - one.begin() << ": " << *differ.first << " | "
                    << *differ.second;
            }
        }
    }
}

TEST(ObjReader, TheCorpusFilesOpenWithTheTrianglesListed) {
    const std::filesystem::path dir = PLEXA3D_FORMATS_CORPUS_DIR;
    if (!Plexa3DTest::CorpusPresent(dir / "assimp-obj")) {
        GTEST_SKIP() << "no corpus at " << dir;
    }
    const std::vector<TExpectedRow> rows =
        ReadTable(std::filesystem::path(PLEXA3D_FORMATS_EXPECTED_DIR) / "obj.tsv");
    std::size_t listed = 0;
    for (const char* folder : {"assimp-obj", "o3dv-obj"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / folder)) {
            const std::string name = entry.path().filename().string();
            listed += name.size() > 4 && (name.ends_with(".obj") || name.ends_with("_obj"));
        }
    }
    EXPECT_EQ(rows.size(), listed);
    for (const TExpectedRow& row : rows) {
        SCOPED_TRACE(row.File);
        const std::string path = (dir / row.File).string();
        TObject3D object;
        TModelLooks looks;
        if (row.Triangles < 0) {
            EXPECT_EQ(ReadModelFile(path, TModelPart::Whole, object, looks).Format,
                      TModelFormat::Unknown);
            std::ifstream in(path, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), {});
            EXPECT_THROW(Read(bytes, {}, TModelPart::Whole, true), RuntimeError);
            continue;
        }
        EXPECT_EQ(ReadModelFile(path, TModelPart::Whole, object, looks).Format, TModelFormat::Obj);
        EXPECT_EQ(object.FaceCount, row.Triangles);
        ReadModelFile(path, TModelPart::FirstMesh, object, looks);
        EXPECT_LE(object.FaceCount, row.Triangles);
    }
}

} // namespace obj_reader_test
} // namespace
