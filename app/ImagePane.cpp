#include "ImagePane.h"

#include "DataFiles.h"

#include <QPainter>

namespace Plexa3DApp {

TImagePane::TImagePane(QWidget* parent) : QWidget(parent) {}

void TImagePane::LoadBitmapFile(const QString& path) {
    QImage picture;
    if (!picture.loadFromData(ReadFileBytes(path), "BMP")) {
        RaiseCannotOpen(path, QStringLiteral("The file is not a valid bitmap."));
    }
    bitmap_ = picture.convertToFormat(QImage::Format_BGR888);
    update();
}

ZuveloGraphLibrary::TImageView TImagePane::View() {
    if (bitmap_.isNull()) {
        return {};
    }
    return {bitmap_.bits(), bitmap_.bytesPerLine(), bitmap_.width(), bitmap_.height()};
}

void TImagePane::Refresh() {
    update();
}

void TImagePane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, bitmap_);
}

} // namespace Plexa3DApp
