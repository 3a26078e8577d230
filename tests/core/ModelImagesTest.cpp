// The images a model names: found beside it whatever the case of their names, decoded once per
// file, and what could not be shown noted once per name.
#include "ModelImages.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>

namespace {
namespace model_images_test {

using namespace Plexa3DApp;
using namespace ZuveloGraphLibrary;
using Plexa3DTest::TTempDir;
using TKind = TLooksNote::TKind;

TEST(ModelImages, ImagesAreFoundIgnoringCaseAndDecodedOnceEach) {
    TTempDir dir;
    std::filesystem::create_directory(dir.Path() / "Maps");
    // What each file holds tells the decoder below what to make of it.
    dir.Write("lower.png", "image");
    dir.Write("Maps/Deep.PNG", "image");
    dir.Write("broken.png", "broken");
    dir.Write("huge.png", "huge");
    dir.Write("liar.png", "liar");
    dir.Write("wide.png", "wide");
    std::map<std::string, int> decoded;
    std::mutex counting; // images decode side by side
    const TImageDecoder decode = [&](const std::string& path) {
        {
            const std::lock_guard lock(counting);
            ++decoded[std::filesystem::path(path).filename().string()];
        }
        std::ifstream in(path);
        std::string content;
        in >> content;
        TDecodedImage image;
        if (content == "image") {
            image = {TDecodedImage::TOutcome::Decoded, 2, 1, {0xFF0000, 0x00FF00}};
        } else if (content == "huge") {
            image.Outcome = TDecodedImage::TOutcome::TooLarge;
        } else if (content == "liar") { // decoded, but larger than allowed
            image = {TDecodedImage::TOutcome::Decoded, MaxTextureSide + 1, 1,
                     std::vector<std::uint32_t>(MaxTextureSide + 1)};
        } else if (content == "wide") { // as wide as allowed
            image = {TDecodedImage::TOutcome::Decoded, MaxTextureSide, 1,
                     std::vector<std::uint32_t>(MaxTextureSide)};
        }
        return image;
    };
    struct TRow {
        std::string Name; // as the material names its image
        bool Shown;
        std::optional<TKind> Note;
    };
    const TRow rows[] = {
        {"LOWER.PNG", true, {}},
        {"lower.png", true, {}},                // the same file: decoded once, shared
        {"maps\\deep.png", true, {}},           // a folder beside the model
        {"..\\elsewhere\\lower.png", true, {}}, // not outside the folder: by its last part
        {"missing.jpg", false, TKind::ImageMissing},
        {"MISSING.JPG", false, TKind::ImageMissing},
        {"missing.jpg", false, {}}, // named again: noted once
        {"broken.png", false, TKind::ImageUnreadable},
        {"huge.png", false, TKind::ImageTooLarge},
        {"liar.png", false, TKind::ImageTooLarge},
        {"wide.png", true, {}},
    };
    TModelLooks looks;
    for (const TRow& row : rows) {
        TMaterial material;
        material.Texture = TTextureMap{row.Name};
        looks.Materials.push_back(material);
    }
    looks.Materials.emplace_back(); // no map
    LoadModelImages(looks, dir.Path().string(), decode);

    ASSERT_EQ(looks.Images.size(), looks.Materials.size());
    std::vector<TLooksNote> notes;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].Name);
        EXPECT_EQ(looks.Images[i + 1] != nullptr, rows[i].Shown);
        if (rows[i].Note) {
            notes.push_back({*rows[i].Note, rows[i].Name});
        }
    }
    EXPECT_EQ(looks.Images[1], looks.Images[2]);
    EXPECT_EQ(looks.Images[1]->Width(), 2);
    EXPECT_EQ(looks.Images[0], nullptr);
    EXPECT_EQ(looks.Images.back(), nullptr);
    EXPECT_EQ(looks.Notes, notes);
    EXPECT_EQ(decoded, (std::map<std::string, int>{{"lower.png", 1},
                                                   {"Deep.PNG", 1},
                                                   {"broken.png", 1},
                                                   {"huge.png", 1},
                                                   {"liar.png", 1},
                                                   {"wide.png", 1}}));

    // Without a decoder, nothing is decoded and nothing noted.
    TModelLooks plain = looks;
    plain.Notes.clear();
    LoadModelImages(plain, dir.Path().string(), {});
    EXPECT_TRUE(plain.Notes.empty());
    EXPECT_EQ(plain.Images[1], nullptr);

    // Each kind of note says what it is in its own words, in the window and on the command line.
    std::set<std::string> texts;
    for (const TKind kind : {TKind::ImageMissing, TKind::ImageUnreadable, TKind::ImageTooLarge,
                             TKind::FileMissing, TKind::FileUnreadable, TKind::PartSkipped}) {
        for (const TNoteLanguage language : {TNoteLanguage::Window, TNoteLanguage::CommandLine}) {
            texts.insert(NoteText({kind, "x.png"}, language));
        }
    }
    EXPECT_EQ(texts.size(), 12u);
}

} // namespace model_images_test
} // namespace
