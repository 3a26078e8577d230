#include "ImageDecoding.h"

#include "Texture.h"
#include "TgaImages.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>

namespace Plexa3DApp {

namespace {

using ZuveloGraphLibrary::MaxTextureBytes;
using ZuveloGraphLibrary::MaxTextureSide;

constexpr int BytesPerPixel = 4;
constexpr int BytesPerMegabyte = 1 << 20;
constexpr int MaxShrink = 8;    // JPEG decodes at 1/2, 1/4 and 1/8 of its size at no extra cost
constexpr int FastScaling = 25; // below 50, Qt's JPEG reader scales while it decodes

bool TooLarge(QSize size) {
    return size.width() > MaxTextureSide || size.height() > MaxTextureSide ||
           std::int64_t(size.width()) * size.height() * BytesPerPixel > MaxTextureBytes;
}

} // namespace

namespace {

TDecodedImage Decode(QImageReader& reader, int largestSide);

} // namespace

TDecodedImage DecodeImageFile(const std::string& path, int largestSide) {
    const QString name = QFile::decodeName(path.c_str());
    if (name.endsWith(QStringLiteral(".tga"), Qt::CaseInsensitive)) {
        return DecodeTgaFile(path);
    }
    QImageReader reader(name);
    return Decode(reader, largestSide);
}

TDecodedImage DecodeImageBytes(std::span<const std::uint8_t> bytes, int largestSide) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return Decode(reader, largestSide);
}

namespace {

TDecodedImage Decode(QImageReader& reader, int largestSide) {
    TDecodedImage result;
    // The readers refuse, as well, to allocate more than the largest image allowed; the limit
    // is the toolkit's for every reader in the process, set once since images decode side by side.
    static const bool limited = [] {
        QImageReader::setAllocationLimit(int(MaxTextureBytes / BytesPerMegabyte) + 1);
        return true;
    }();
    (void)limited;
    if (reader.canRead() && TooLarge(reader.size())) {
        result.Outcome = TDecodedImage::TOutcome::TooLarge;
        return result;
    }
    const QSize size = reader.size();
    if (largestSide > 0 && size.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        int shrink = 1;
        while (shrink < MaxShrink &&
               std::max(size.width(), size.height()) / (2 * shrink) >= largestSide) {
            shrink *= 2;
        }
        if (shrink > 1) {
            // Rounded down: the reader picks the smallest of its scales at least as large as
            // asked, so a size rounded up would decode at a larger scale and shrink it again.
            reader.setScaledSize(
                QSize(std::max(1, size.width() / shrink), std::max(1, size.height() / shrink)));
            reader.setQuality(FastScaling); // the decoder shrinks as it decodes
        }
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return result;
    }
    if (TooLarge(image.size())) {
        result.Outcome = TDecodedImage::TOutcome::TooLarge;
        return result;
    }
    // Not premultiplied, so that a transparent pixel keeps its colour; faces are drawn opaque.
    image = image.convertToFormat(QImage::Format_ARGB32);
    result.Width = image.width();
    result.Height = image.height();
    result.Pixels.resize(std::size_t(result.Width) * std::size_t(result.Height));
    for (int y = 0; y < result.Height; ++y) {
        std::memcpy(result.Pixels.data() + std::size_t(y) * std::size_t(result.Width),
                    image.constScanLine(y), std::size_t(result.Width) * BytesPerPixel);
    }
    result.Outcome = TDecodedImage::TOutcome::Decoded;
    return result;
}

} // namespace

} // namespace Plexa3DApp
