#include "PngFiles.h"

#include "GraphErrors.h"

#include <QFileInfo>
#include <QSaveFile>

#include <memory>

namespace Plexa3DApp {

namespace {

// Qt's PNG writer maps a quality of q to zlib's level (100 - q) * 9 / 91: from 80 on, level 1.
constexpr int FastPngQuality = 80;
constexpr int DefaultPngQuality = -1;

// With the reason the file gives, when it has one.
[[noreturn]] void RaiseCannotWrite(const QString& path, const QSaveFile& file) {
    QString text = QStringLiteral("Cannot write file \"%1\"").arg(path);
    if (file.error() != QFileDevice::NoError && !file.errorString().isEmpty()) {
        text += QStringLiteral(": ") + file.errorString();
    }
    throw ZuveloGraphLibrary::RuntimeError(text.toStdString());
}

} // namespace

void WritePngFiles(const std::vector<std::pair<QImage, QString>>& files,
                   TPngCompression compression) {
    const int quality = compression == TPngCompression::Fast ? FastPngQuality : DefaultPngQuality;
    // An uncommitted QSaveFile removes its temporary file when it goes.
    std::vector<std::unique_ptr<QSaveFile>> written;
    for (const auto& [image, path] : files) {
        // The saved file takes its place by a rename: a device or a pipe where it goes, named
        // itself or through a link, is refused rather than replaced.
        const QFileInfo target(path);
        if (target.exists() && !target.isFile()) {
            throw ZuveloGraphLibrary::RuntimeError(
                QStringLiteral("Cannot write file \"%1\": Not a regular file")
                    .arg(path)
                    .toStdString());
        }
        auto file = std::make_unique<QSaveFile>(path);
        // Unbuffered, so that a write that fails fails the save at once instead of in a flush
        // whose error the commit would not see.
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
            !image.save(file.get(), "PNG", quality) || file->error() != QFileDevice::NoError) {
            RaiseCannotWrite(path, *file);
        }
        written.push_back(std::move(file));
    }
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (!written[i]->commit()) {
            RaiseCannotWrite(files[i].second, *written[i]);
        }
    }
}

} // namespace Plexa3DApp
