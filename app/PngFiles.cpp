#include "PngFiles.h"

#include "GraphErrors.h"

#include <QSaveFile>

#include <memory>

namespace Plexa3DApp {

namespace {

// With the reason the file gives, when it has one.
[[noreturn]] void RaiseCannotWrite(const QString& path, const QSaveFile& file) {
    QString text = QStringLiteral("Cannot write file \"%1\"").arg(path);
    if (file.error() != QFileDevice::NoError && !file.errorString().isEmpty()) {
        text += QStringLiteral(": ") + file.errorString();
    }
    throw ZuveloGraphLibrary::RuntimeError(text.toStdString());
}

} // namespace

void WritePngFiles(const std::vector<std::pair<QImage, QString>>& files) {
    // An uncommitted QSaveFile removes its temporary file when it goes.
    std::vector<std::unique_ptr<QSaveFile>> written;
    for (const auto& [image, path] : files) {
        auto file = std::make_unique<QSaveFile>(path);
        // Unbuffered, so that a write that fails fails the save at once instead of in a flush
        // whose error the commit would not see.
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
            !image.save(file.get(), "PNG") || file->error() != QFileDevice::NoError) {
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
