#include "Form_Plexa3d_Licenza_Source.h"

#include "DataFiles.h"
#include "MakerDetails.h"
#include "RtfDocument.h"

#include <QMimeData>
#include <QVBoxLayout>

namespace Plexa3DApp {

namespace {

bool HasData(const QMimeData* source) {
    return source && !source->formats().isEmpty();
}

} // namespace

bool TLicenceText::canInsertFromMimeData(const QMimeData* source) const {
    return HasData(source) && QTextEdit::canInsertFromMimeData(source);
}

void TLicenceText::insertFromMimeData(const QMimeData* source) {
    if (HasData(source)) {
        QTextEdit::insertFromMimeData(source);
    }
}

TForm_Plexa3d_Licenza::TForm_Plexa3d_Licenza(QWidget* parent) : QWidget(parent, Qt::Window) {
    SetUpInformationWindow(this, "Form_Plexa3d_Licenza", QStringLiteral("Form_Plexa3d_Licenza"),
                           696, 480, 311, 268);
    RichEdit1 = new TLicenceText(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    RichEdit1->setAcceptRichText(true);
    RichEdit1->setPlainText(QStringLiteral("Plexa3D, copyright 2026 Zuvelo Omarin. "
                                           "Software distributed under the MIT licence."));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);
}

void TForm_Plexa3d_Licenza::LoadLicence(const QString& path) {
    const QByteArray bytes = ReadFileBytes(path);
    const Plexa3DRtf::TRtfDocument document =
        Plexa3DRtf::ReadRtf(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    Plexa3DRtf::FillDocument(*RichEdit1->document(), document);
}

} // namespace Plexa3DApp
