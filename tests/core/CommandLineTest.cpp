#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {
namespace command_line_test {

using namespace Plexa3DApp;

TEST(CommandLine, OptionsAndFilesAreReadInAnyOrder) {
    TCommandLineError error;
    const auto line = ParseCommandLine({"a.3ds", "--perspective", "--select", "2", "b c.3ds",
                                        "--angles", "0,90,360", "--one-pane", "--snapshot", "out",
                                        "--fit", "--draw", "hidden", "--", "--d.3ds"},
                                       error);
    ASSERT_TRUE(line) << error.Message;
    EXPECT_EQ(line->Files, (std::vector<std::string>{"a.3ds", "b c.3ds", "--d.3ds"}));
    EXPECT_TRUE(line->Perspective);
    EXPECT_TRUE(line->OnePane);
    EXPECT_EQ(line->Select, 2);
    EXPECT_EQ(line->Angles, (std::array<int, 3>{0, 90, 360}));
    EXPECT_EQ(line->SnapshotDir, "out");
    EXPECT_TRUE(line->FitToWindow);
    EXPECT_FALSE(line->WholeModel);
    EXPECT_EQ(line->DrawMode, ZuveloGraphLibrary::TDrawMode::HiddenLines);
    const auto last = ParseCommandLine({"--select", "255", "-"}, error); // "-" is a file
    ASSERT_TRUE(last) << error.Message;
    EXPECT_EQ(last->Select, 255);
    EXPECT_EQ(last->Files, (std::vector<std::string>{"-"}));
    EXPECT_FALSE(ParseCommandLine({}, error)->SnapshotDir);
    EXPECT_FALSE(ParseCommandLine({}, error)->DrawMode);
    for (const auto& [word, mode] :
         {std::pair{"wire", ZuveloGraphLibrary::TDrawMode::Wireframe},
          std::pair{"solid", ZuveloGraphLibrary::TDrawMode::SolidSurfaces}}) {
        EXPECT_EQ(ParseCommandLine({"--draw", word}, error)->DrawMode, mode) << word;
    }
    const auto thumbnail = ParseCommandLine({"--thumbnail", "4096", "in.3ds", "-out.png"}, error);
    ASSERT_TRUE(thumbnail && thumbnail->Thumbnail) << error.Message;
    EXPECT_EQ(thumbnail->Thumbnail->Size, 4096);
    EXPECT_EQ(thumbnail->Thumbnail->Input, "in.3ds");
    EXPECT_EQ(thumbnail->Thumbnail->Output, "-out.png");
    EXPECT_TRUE(thumbnail->Files.empty());
    const auto smallest = ParseCommandLine({"--thumbnail", "1", "in.3ds", "out.png"}, error);
    ASSERT_TRUE(smallest && smallest->Thumbnail) << error.Message;
    EXPECT_EQ(smallest->Thumbnail->Size, 1);
    const auto info = ParseCommandLine({"--info", "a.obj", "b.stl"}, error);
    ASSERT_TRUE(info) << error.Message;
    EXPECT_TRUE(info->Info);
    EXPECT_EQ(info->Files, (std::vector<std::string>{"a.obj", "b.stl"}));
    const auto exported = ParseCommandLine({"--export", "OUT.GLTF", "--in.3ds"}, error);
    ASSERT_TRUE(exported && exported->Export) << error.Message;
    EXPECT_EQ(*exported->Export, (std::pair<std::string, std::string>{"OUT.GLTF", "--in.3ds"}));
}

TEST(CommandLine, MalformedOptionsAreRefusedWithAReason) {
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--angles", "1,2"},
                                               {"--angles", "1,2,361"},
                                               {"--angles", "1,2,3,"},
                                               {"--angles", "-1,2,3"},
                                               {"--angles", "a,b,c"},
                                               {"--select", "0"},
                                               {"--select", "256"},
                                               {"--select"},
                                               {"--snapshot"},
                                               {"--snapshot", ""},
                                               {"--colour"},
                                               {"--draw"},
                                               {"--draw", "Solid"},
                                               {"--draw", "wire", "--draw", "x"},
                                               {"--thumbnail", "128", "in.3ds"},
                                               {"--thumbnail", "x", "in.3ds", "out.png"},
                                               {"--thumbnail", "128", "in.3ds", ""},
                                               {"--thumbnail", "128", "", "out.png"},
                                               {"--thumbnail", "0", "in.3ds", "out.png"},
                                               {"--thumbnail", "4097", "in.3ds", "out.png"},
                                               {"--thumbnail", "128", "a.3ds", "o.png", "b.3ds"},
                                               {"--snapshot", "d", "--thumbnail", "1", "a", "o"},
                                               {"--info"},
                                               {"--info", "a.obj", "--snapshot", "d"},
                                               {"--export", "out.glb"},
                                               {"--export", "out.3ds", "in.3ds"},
                                               {"--export", "", "in.3ds"},
                                               {"--export", "out.glb", ""},
                                               {"--export", "o.stl", "in.3ds", "b.3ds"},
                                               {"--export", "o.stl", "in.3ds", "--info"},
                                               {"-x"}}) {
        TCommandLineError error;
        EXPECT_FALSE(ParseCommandLine(bad, error)) << bad.front();
        EXPECT_FALSE(error.Message.empty());
    }
    // Before the toolkit has taken its own options out, single-dash options are left to it.
    TCommandLineError error;
    EXPECT_FALSE(ParseCommandLine({"--export", "o.stl", "a", "--thumbnail", "8", "a", "o"}, error));
    EXPECT_TRUE(ParseCommandLine({"-platform", "xcb", "m.3ds"}, error, true));
    EXPECT_FALSE(ParseCommandLine({"--platform"}, error, true));
}

} // namespace command_line_test
} // namespace
