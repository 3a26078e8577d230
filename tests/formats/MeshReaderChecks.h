// What the tests of the STL, PLY and OFF readers share: a model read from bytes as the program
// reads it, the soundness of any record a reader leaves, and the table of the triangles an
// independent importer counts in each third-party file of a format's folders.
#pragma once

#include "Corpus.h"
#include "GraphErrors.h"
#include "ModelFiles.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace Plexa3DTest {

using Plexa3DFormats::TModelFormat;
using Plexa3DFormats::TModelPart;

struct TRead {
    Plexa3DFormats::TModelFile File;
    ZuveloGraphLibrary::TObject3D Object;
    ZuveloGraphLibrary::TModelLooks Looks;
    std::optional<std::string> Error; // the message of the error the reading raised

    std::vector<std::string> Notes() const {
        std::vector<std::string> notes;
        for (const auto& note : Looks.Notes) {
            notes.push_back(note.Subject);
        }
        return notes;
    }
    const ZuveloGraphLibrary::TPoint3D& Vertex(std::int32_t i) const { return Object.Vertices[i]; }
};

// The bytes read as the program reads a file called `fileName` (its format told by content, or
// the one given), with no files beside it.
inline TRead ReadBytes(const std::vector<std::uint8_t>& bytes, TModelPart part = TModelPart::Whole,
                       std::optional<TModelFormat> format = {},
                       const std::string& fileName = "dir/model.x") {
    TRead read;
    const Plexa3DFormats::TModelSource source{fileName, bytes, {}};
    try {
        read.File = format ? Plexa3DFormats::ReadModelSourceAs(*format, source, part, read.Object,
                                                               read.Looks)
                           : Plexa3DFormats::ReadModelSource(source, part, read.Object, read.Looks);
    } catch (const ZuveloGraphLibrary::RuntimeError& error) {
        read.Error = error.what();
    }
    return read;
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// The record and its looks agree: arrays as long as the counts, faces naming vertices that are
// there, per-face and per-vertex lists empty or as long as the record's, material numbers within
// the list. A read that raised leaves the record empty.
inline void ExpectSound(const TRead& read, const std::string& label) {
    const auto& o = read.Object;
    const auto& l = read.Looks;
    ASSERT_EQ(o.Faces.Count(), o.FaceCount) << label;
    ASSERT_EQ(o.Vertices.Count(), o.VertexCount) << label;
    if (read.Error) {
        EXPECT_EQ(o.FaceCount, 0) << label;
        EXPECT_EQ(o.VertexCount, 0) << label;
    }
    for (const auto& f : o.Faces) {
        ASSERT_TRUE(ZuveloGraphLibrary::FaceInRange(f, o.VertexCount)) << label;
    }
    // No coordinate is a signalling NaN, which would fault when the vertex is placed.
    for (const auto& v : o.Vertices) {
        for (const float c : {v.X, v.Y, v.Z}) {
            const auto bits = std::bit_cast<std::uint32_t>(c);
            EXPECT_FALSE((bits & 0x7FC00000u) == 0x7F800000u && (bits & 0x003FFFFFu) != 0) << label;
        }
    }
    const auto faces = std::size_t(o.FaceCount);
    EXPECT_TRUE(l.FaceMaterials.empty() || l.FaceMaterials.size() == faces) << label;
    EXPECT_TRUE(l.FaceSmoothing.empty() || l.FaceSmoothing.size() == faces) << label;
    EXPECT_TRUE(l.Mapping.empty() || l.Mapping.size() == std::size_t(o.VertexCount)) << label;
    ASSERT_FALSE(l.Materials.empty()) << label;
    for (const std::uint32_t m : l.FaceMaterials) {
        ASSERT_LT(m, l.Materials.size()) << label;
    }
}

// The folder of third-party files of the other formats.
inline std::filesystem::path FormatsCorpus() {
    return PLEXA3D_FORMATS_CORPUS_DIR;
}

// Every file of the folders named (under the corpus folder) is read whole as the program reads
// it and gives the triangles tests/formats/expected/<table> says: a number, or "refused" for a
// file the reader refuses with its error. Every file of the folders is in the table, and every
// row names a file of them. Skipped without the corpus.
inline void ExpectCorpusTable(const std::string& table, const std::vector<std::string>& folders) {
    if (!CorpusPresent(FormatsCorpus() / folders.front())) {
        GTEST_SKIP() << "no third-party files of the other formats";
    }
    std::ifstream in(std::filesystem::path(PLEXA3D_FORMATS_EXPECTED_DIR) / table);
    ASSERT_TRUE(in) << table;
    std::map<std::string, std::string> expected;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::size_t tab = line.find('\t');
        const std::size_t tab2 = line.find('\t', tab + 1);
        ASSERT_NE(tab, std::string::npos) << line;
        expected[line.substr(0, tab)] = line.substr(tab + 1, tab2 - tab - 1);
    }
    std::set<std::string> seen;
    for (const std::string& folder : folders) {
        for (const auto& entry : std::filesystem::directory_iterator(FormatsCorpus() / folder)) {
            if (!entry.is_regular_file()) {
                continue;
            }
            const std::string path = folder + "/" + entry.path().filename().string();
            seen.insert(path);
            const auto row = expected.find(path);
            if (row == expected.end()) {
                ADD_FAILURE() << path << " is not in " << table;
                continue;
            }
            TRead read;
            try {
                read.File = Plexa3DFormats::ReadModelFile(entry.path().string(), TModelPart::Whole,
                                                          read.Object, read.Looks);
            } catch (const ZuveloGraphLibrary::RuntimeError& error) {
                read.Error = error.what();
            }
            ExpectSound(read, path);
            if (row->second == "refused") {
                EXPECT_TRUE(read.Error) << path;
            } else {
                EXPECT_FALSE(read.Error) << path << ": " << read.Error.value_or("");
                EXPECT_EQ(std::to_string(read.Object.FaceCount), row->second) << path;
            }
        }
    }
    for (const auto& [path, triangles] : expected) {
        EXPECT_TRUE(seen.count(path)) << path << " of " << table << " is not in the corpus";
    }
}

} // namespace Plexa3DTest
