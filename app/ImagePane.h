// An image control: it owns one 24-bit bitmap (blue, green, red bytes per pixel, rows from the
// top), shows it unscaled from its top-left corner, and lends it to the graphics library as an
// image view. Drawing changes only the bitmap; Refresh shows the change.
#pragma once

#include "ImageView.h"

#include <QImage>
#include <QWidget>

namespace Plexa3DApp {

class TImagePane : public QWidget {
    Q_OBJECT

public:
    explicit TImagePane(QWidget* parent = nullptr);

    // Replaces the bitmap with the .bmp file's picture, converted to 24 bits when it has another
    // depth. Raises an error naming the file's full path and the reason when it cannot be read.
    void LoadBitmapFile(const QString& path);

    ZuveloGraphLibrary::TImageView View();
    const QImage& Bitmap() const { return bitmap_; }
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage bitmap_;
};

} // namespace Plexa3DApp
