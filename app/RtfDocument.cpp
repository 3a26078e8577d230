#include "RtfDocument.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace Plexa3DRtf {
namespace {

QTextCharFormat CharFormat(const TRtfFormat& format) {
    QTextCharFormat result;
    result.setFontWeight(format.Bold ? QFont::Bold : QFont::Normal);
    result.setFontItalic(format.Italic);
    result.setFontUnderline(format.Underline);
    result.setFontPointSize(format.HalfPoints / 2.0);
    if (format.Color) {
        result.setForeground(QColor(format.Color->Red, format.Color->Green, format.Color->Blue));
    }
    return result;
}

} // namespace

void FillDocument(QTextDocument& document, const TRtfDocument& rtf) {
    document.clear();
    QTextCursor cursor(&document);
    for (std::size_t i = 0; i < rtf.Paragraphs.size(); ++i) {
        if (i > 0) {
            cursor.insertBlock();
        }
        for (const TRtfRun& run : rtf.Paragraphs[i].Runs) {
            // A paragraph separator inside a run would start a block of its own.
            QString text = QString::fromUtf8(run.Text.data(), qsizetype(run.Text.size()));
            text.replace(QChar::ParagraphSeparator, QChar::LineSeparator);
            cursor.insertText(text, CharFormat(run.Format));
        }
    }
}

} // namespace Plexa3DRtf
