#include "ImagePane.h"

#include "GraphErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

namespace Plexa3DApp {

void RaiseCannotOpen(const QString& path, const QString& reason) {
    const QString shown =
        QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    throw ZuveloGraphLibrary::RuntimeError(
        QStringLiteral("Cannot open file \"%1\". %2").arg(shown, reason).toStdString());
}

TImagePane::TImagePane(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TImagePane::LoadBitmapFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        RaiseCannotOpen(path, file.errorString());
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        RaiseCannotOpen(path, file.errorString());
    }
    QImage picture;
    if (!picture.loadFromData(bytes, "BMP")) {
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
