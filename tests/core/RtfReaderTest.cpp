#include "RtfReader.h"
#include "RtfFormats.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#ifndef PLEXA3D_SOURCE_DIR
#define PLEXA3D_SOURCE_DIR "."
#endif

namespace Plexa3DRtf {

// Readable failure messages for run comparisons.
void PrintTo(const TRtfRun& run, std::ostream* out) {
    const TRtfFormat& f = run.Format;
    *out << '"' << run.Text << "\" b" << f.Bold << " i" << f.Italic << " u" << f.Underline << " fs"
         << f.HalfPoints;
    if (f.Color) {
        *out << " rgb" << int(f.Color->Red) << ',' << int(f.Color->Green) << ','
             << int(f.Color->Blue);
    }
}

} // namespace Plexa3DRtf

namespace {
namespace rtf_reader_test {

using namespace Plexa3DRtf;
using Plexa3DTest::Format;
using Runs = std::vector<TRtfRun>;

const TRtfFormat Plain = Format("");
const TRtfFormat Bold = Format("b");

std::vector<std::string> ParagraphTexts(const TRtfDocument& document) {
    std::vector<std::string> texts;
    for (const auto& paragraph : document.Paragraphs) {
        texts.push_back(paragraph.Text());
    }
    return texts;
}

// The runs of a document that must have exactly one paragraph.
Runs OnlyRuns(std::string_view rtf) {
    const TRtfDocument document = ReadRtf(rtf);
    EXPECT_TRUE(document.WasRtf);
    EXPECT_EQ(document.Paragraphs.size(), 1u);
    return document.Paragraphs.empty() ? Runs{} : document.Paragraphs[0].Runs;
}

TEST(RtfReader, StylesAreScopedByGroupsAndResetByPlain) {
    const TRtfFormat boldItalic = Format("bi");
    const TRtfFormat all = Format("biu");
    EXPECT_EQ(OnlyRuns("{\\rtf1\\ansi a{\\b b{\\i c\\ul d}e}f\\ul g\\ulnone h\\ul1 i\\ul0 j"
                       "\\b\\i\\fs30\\pard k\\plain l\\b1 m\\b0 n}"),
              (Runs{{"a", Plain},
                    {"b", Bold},
                    {"c", boldItalic},
                    {"d", all},
                    {"e", Bold},
                    {"f", Plain},
                    {"g", Format("u")},
                    {"h", Plain},
                    {"i", Format("u")},
                    {"j", Plain},
                    {"k", Format("bi", 30)},
                    {"l", Plain},
                    {"m", Bold},
                    {"n", Plain}}));
    // A format change without text in between leaves the text in one run.
    EXPECT_EQ(OnlyRuns("{\\rtf1 x{\\b}{\\i\\i0 y}\\ul\\ul0 z}"), (Runs{{"xyz", Plain}}));
}

TEST(RtfReader, FontSizesAndParametersSaturate) {
    EXPECT_EQ(OnlyRuns("{\\rtf1\\fs20 a\\fs b\\fs0 c\\fs-5 d\\fs99999999999999999999 e"
                       "\\fs2001 f\\fs1999 g}"),
              (Runs{{"a", Format("", 20)},
                    {"b", Plain},
                    {"cd", Format("", 1)},
                    {"ef", Format("", 2000)},
                    {"g", Format("", 1999)}}));
    // \b with a huge parameter is on; \u clamps to a 16-bit unit; \bin skips to the end.
    EXPECT_EQ(OnlyRuns("{\\rtf1\\b99999999999999999999 x\\u-99999999999999999999 ?"
                       "\\bin99999999999999999999 never}"),
              (Runs{{"x\xE8\x80\x80", Bold}}));
    // A control word longer than 32 letters is read whole and ignored.
    EXPECT_EQ(OnlyRuns("{\\rtf1 \\" + std::string(100000, 'p') + "ar7 x\\" + std::string(33, 'b') +
                       " y}"),
              (Runs{{"xy", Plain}}));
}

TEST(RtfReader, ColoursComeFromTheColourTable) {
    const TRtfFormat red = Format("", 24, TRgb{255, 0, 0});
    const TRtfFormat sky = Format("", 24, TRgb{0, 128, 255});
    EXPECT_EQ(OnlyRuns("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue255;"
                       "\\green7\\red300;}a\\cf1 b\\cf2 c\\cf0 d\\cf3 e\\cf4 f\\cf99999999999 g"
                       "\\cf1{\\cf2 h}i\\plain j}"),
              (Runs{{"a", Plain},
                    {"b", red},
                    {"c", sky},
                    {"d", Plain},
                    {"e", Format("", 24, TRgb{255, 7, 0})},
                    {"fg", Plain},
                    {"h", sky},
                    {"i", red},
                    {"j", Plain}}));
    // Without the leading ";" the first entry is a colour too.
    EXPECT_EQ(OnlyRuns("{\\rtf1{\\colortbl\\red1\\green2\\blue3;}\\cf0 k}"),
              (Runs{{"k", Format("", 24, TRgb{1, 2, 3})}}));
}

TEST(RtfReader, HexEscapesAreWindows1252) {
    std::string all = "{\\rtf1 ";
    for (int code = 0x80; code <= 0x9F; ++code) {
        all +=
            "\\'" + std::string(1, "0123456789abcdef"[code >> 4]) + "0123456789abcdef"[code & 15];
    }
    EXPECT_EQ(ReadRtf(all + "}").Text(),
              "€\uFFFD‚ƒ„…†‡ˆ‰Š‹Œ\uFFFDŽ\uFFFD\uFFFD‘’“”•–—˜™š›œ\uFFFDžŸ");
    // Upper-case hex digits, raw high bytes, Latin-1 letters; a broken escape is dropped.
    EXPECT_EQ(ReadRtf("{\\rtf1 \\'41\\'E0\\'e8\\'a0\\'ff\xE9\x80 \\'4z\\'}").Text(),
              "Aàè\u00A0ÿé€ 4z");
    EXPECT_EQ(ReadRtf("{\\rtf1 x\\'").Text(), "x");
}

TEST(RtfReader, UnicodeSkipsItsFallback) {
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\u8364?b\\uc0\\u8364 c\\uc2\\u-15032\\'be\\'c8d{\\uc1\\u233\\'e9e}"
                      "\\u233 xyz\\u8364{w}\\uc1\\u233\\bin1 Xy\\u8212\\endash v\\uc99999\\u65 "
                      "abcdefghijklmnopqr}")
                  .Text(),
              "a€b€c안déeéz€wéy—vAqr");
    // Surrogate pairs join; a lone surrogate becomes U+FFFD; \u0 and \u without number add nothing.
    EXPECT_EQ(ReadRtf("{\\rtf1\\u-10179?\\u-8704?|\\u-10179?z|\\u-8704?|\\u-10179?\\par "
                      "\\u y\\u0 ?z\\u-10179?\\u-10179?\\u-8704?}")
                  .Text(),
              "😀|\uFFFDz|\uFFFD|\uFFFD\nyz\uFFFD😀");
}

TEST(RtfReader, SymbolsLinesTabsAndParagraphs) {
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\~b\\-c\\_d\\\\\\{\\}\\emdash\\endash\\bullet\\lquote\\rquote"
                      "\\ldblquote\\rdblquote\\tab e\\line f\r\ng\\unknown12 h\\emdash  i\\|}")
                  .Text(),
              "a\u00A0bc\u2011d\\{}—–•‘’“”\te\u2028fgh— i");
    // A final \par adds no empty paragraph; backslash-newline is a \par too.
    EXPECT_EQ(ParagraphTexts(ReadRtf("{\\rtf1 one\\par\\par two\\line three\\par}")),
              (std::vector<std::string>{"one", "", "two\u2028three"}));
    EXPECT_EQ(ParagraphTexts(ReadRtf("{\\rtf1 one\\\ntwo\\\r\nthree}")),
              (std::vector<std::string>{"one", "two", "three"}));
}

TEST(RtfReader, DestinationsArePassedOver) {
    EXPECT_EQ(ReadRtf("{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}}{\\stylesheet{\\s0 Normal;}}"
                      "{\\info{\\title T}{\\author W}}{\\*\\generator G;}{\\*\\made{\\b up} z}"
                      "a{\\pict\\pngblip 89504e47\\bin4 }}}}}b{\\header H}{\\footer F}"
                      "{\\footnote N}{\\object O}{\\field{\\*\\fldinst HYPERLINK \"x\"}"
                      "{\\fldrslt link}}{\\unknown kept}}")
                  .Text(),
              "ablinkkept");
}

TEST(RtfReader, UnbalancedBracesAreTolerated) {
    EXPECT_EQ(OnlyRuns("{\\rtf1 a}}}b{\\b c"), (Runs{{"ab", Plain}, {"c", Bold}}));
    EXPECT_EQ(OnlyRuns("{\\rtf1{\\b{\\i x"), (Runs{{"x", Format("bi")}}));
    const TRtfDocument bare = ReadRtf("{\\rtf");
    EXPECT_TRUE(bare.WasRtf);
    EXPECT_TRUE(bare.Paragraphs.empty());
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\").Text(), "a");
}

TEST(RtfReader, GroupsDeeperThanTheLimitArePassedOver) {
    const auto nested = [](int depth, const std::string& inner) {
        return std::string(depth, '{') + inner + std::string(depth, '}');
    };
    // The document's own group is level 1.
    EXPECT_EQ(OnlyRuns("{\\rtf1 " + nested(MaxGroupDepth - 1, "\\b k") + "z}"),
              (Runs{{"k", Bold}, {"z", Plain}}));
    EXPECT_EQ(OnlyRuns("{\\rtf1 y" + nested(MaxGroupDepth, "\\b k") + "z}"), (Runs{{"yz", Plain}}));
    EXPECT_EQ(OnlyRuns("{\\rtf1 " + nested(100000, "x") + "y}"), (Runs{{"y", Plain}}));
    EXPECT_TRUE(ReadRtf("{\\rtf1 " + std::string(100000, '{') + "x").Paragraphs.empty());
    EXPECT_EQ(ReadRtf("{\\rtf1 y" + std::string(100000, '}') + "z").Text(), "yz");
}

TEST(RtfReader, OtherBytesArePlainText) {
    const TRtfDocument text = ReadRtf("line one\r\nline two\rthree\n\nfive\n");
    EXPECT_FALSE(text.WasRtf);
    EXPECT_EQ(ParagraphTexts(text),
              (std::vector<std::string>{"line one", "line two", "three", "", "five"}));
    EXPECT_EQ(text.Paragraphs[0].Runs, (Runs{{"line one", Plain}}));
    EXPECT_TRUE(text.Paragraphs[3].Runs.empty());

    EXPECT_EQ(ReadRtf("caf\xE9 \x80").Text(), "café €");
    EXPECT_EQ(ReadRtf("caf\xC3\xA9 \xE2\x82\xAC").Text(), "café €");
    EXPECT_EQ(ReadRtf("\xEF\xBB\xBFhi").Text(), "hi");
    EXPECT_EQ(ReadRtf("\xC0\xAF").Text(), "À¯"); // overlong, so not UTF-8
    EXPECT_EQ(ReadRtf("a{\\rtf1 b}").Text(), "a{\\rtf1 b}");
    EXPECT_FALSE(ReadRtf("{\\rtx1 b}").WasRtf);
    EXPECT_TRUE(ReadRtf("\xEF\xBB\xBF \r\n\t{\\rtf1 x}").WasRtf);
    const TRtfDocument empty = ReadRtf("");
    EXPECT_FALSE(empty.WasRtf);
    EXPECT_TRUE(empty.Paragraphs.empty());
}

TEST(RtfReader, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("a\xC2\x80\xE0\xA0\x80\xF4\x8F\xBF\xBF"));
    EXPECT_FALSE(IsValidUtf8("\xE0\x9F\xBF"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));         // cut short
    EXPECT_FALSE(IsValidUtf8("\x80"));
}

TEST(RtfReader, LicenceFile) {
    std::ifstream in(PLEXA3D_SOURCE_DIR "/data/License/licenza.rtf", std::ios::binary);
    if (!in) {
        GTEST_SKIP() << "data/License/licenza.rtf is absent";
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const TRtfDocument licence = ReadRtf(bytes);
    ASSERT_TRUE(licence.WasRtf);
    ASSERT_FALSE(licence.Paragraphs.empty());
    const Runs& heading = licence.Paragraphs[0].Runs;
    ASSERT_EQ(heading.size(), 1u);
    EXPECT_TRUE(heading[0].Format.Bold);
    EXPECT_TRUE(heading[0].Text.starts_with("Licenza")) << heading[0].Text;
    // The text holds the licence's name and Italian accents, and nothing of the markup.
    const std::string text = licence.Text();
    EXPECT_NE(text.find("MIT"), std::string::npos);
    EXPECT_NE(text.find("è"), std::string::npos);
    EXPECT_EQ(text.find("\uFFFD"), std::string::npos);
    EXPECT_EQ(text.find_first_of("\\{}"), std::string::npos);
    EXPECT_EQ(text.find("Arial"), std::string::npos);
}

} // namespace rtf_reader_test
} // namespace
