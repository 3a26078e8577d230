// The .3DS reader against real files made by other tools. expected.tsv lists, for each file, the
// name, vertex count and face count of the first complete mesh; the files are not ours and are
// only read where they lie.
#include "Corpus.h"
#include "Import3DS.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {
namespace corpus_test {

using namespace ZuveloGraphLibrary;

struct TExpected {
    std::string File;
    std::uintmax_t Bytes = 0;
    std::string Name;
    std::int32_t Vertices = 0;
    std::int32_t Faces = 0;
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) {
        fields.push_back(field);
    }
    return fields;
}

// The rows after the heading: file, bytes, name, vertices, faces, origin.
std::vector<TExpected> ReadExpected(const std::filesystem::path& table) {
    std::ifstream in(table);
    std::vector<TExpected> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        const std::vector<std::string> f = SplitTabs(line);
        if (f.size() >= 5) {
            rows.push_back({f[0], std::stoull(f[1]), f[2], std::stoi(f[3]), std::stoi(f[4])});
        }
    }
    return rows;
}

TEST(CorpusTest, FirstMeshOfEveryListedFile) {
    const std::filesystem::path dir = PLEXA3D_CORPUS_DIR;
    if (!Plexa3DTest::CorpusPresent(dir / "expected.tsv")) {
        GTEST_SKIP() << "no corpus at " << dir;
    }
    const std::vector<TExpected> rows = ReadExpected(dir / "expected.tsv");
    EXPECT_EQ(rows.size(), 28u);
    for (const TExpected& row : rows) {
        SCOPED_TRACE(row.File);
        const std::filesystem::path file = dir / row.File;
        ASSERT_EQ(std::filesystem::file_size(file), row.Bytes);
        TObject3D object;
        Load3DS(file.string(), object);
        EXPECT_EQ(object.Name, row.Name);
        EXPECT_EQ(object.VertexCount, row.Vertices);
        EXPECT_EQ(object.FaceCount, row.Faces);
        EXPECT_EQ(object.Vertices.Count(), row.Vertices);
        EXPECT_EQ(object.WorldVertices.Count(), row.Vertices);
        EXPECT_EQ(object.Faces.Count(), row.Faces);
    }
}

} // namespace corpus_test
} // namespace
