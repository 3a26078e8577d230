#include "RtfDocument.h"
#include "RtfFormats.h"
#include "RtfReader.h"

#include <QColor>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>

#include <gtest/gtest.h>

namespace {

using namespace Plexa3DRtf;
using Plexa3DTest::Format;
using Runs = std::vector<TRtfRun>;

TEST(RtfDocument, FillsOneBlockPerParagraph) {
    QTextDocument document;
    document.setPlainText("old\ncontent\nof\nfive\nblocks");
    const TRtfFormat heading = Format("b", 32, TRgb{200, 10, 20});
    TRtfDocument rtf;
    rtf.Paragraphs = {TRtfParagraph{Runs{{"Titolo", heading}}},
                      TRtfParagraph{Runs{{"a", Format("i")}, {"b\u2028c\u2029d", Format("u")}}},
                      TRtfParagraph{}};
    Plexa3DRtf::FillDocument(document, rtf);

    ASSERT_EQ(document.blockCount(), 3);
    const QTextBlock first = document.firstBlock();
    EXPECT_EQ(first.text(), "Titolo");
    EXPECT_EQ(first.next().text(), QString::fromUtf8("ab\u2028c\u2028d"));
    EXPECT_EQ(first.next().next().text(), "");

    const QTextCharFormat title = first.begin().fragment().charFormat();
    EXPECT_EQ(title.fontWeight(), QFont::Bold);
    EXPECT_FALSE(title.fontItalic());
    EXPECT_DOUBLE_EQ(title.fontPointSize(), 16.0);
    EXPECT_EQ(title.foreground().color(), QColor(200, 10, 20));

    auto fragment = first.next().begin();
    const QTextCharFormat italic = fragment.fragment().charFormat();
    const QTextCharFormat underlined = (++fragment).fragment().charFormat();
    EXPECT_EQ(italic.fontWeight(), QFont::Normal);
    EXPECT_TRUE(italic.fontItalic());
    EXPECT_FALSE(italic.fontUnderline());
    EXPECT_DOUBLE_EQ(italic.fontPointSize(), 12.0);
    EXPECT_FALSE(italic.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_TRUE(underlined.fontUnderline());
    EXPECT_FALSE(underlined.fontItalic());
    EXPECT_EQ(fragment.fragment().text(), QString::fromUtf8("b\u2028c\u2028d"));
}

} // namespace
