#include "PngFiles.h"

#include "GraphErrors.h"

#include <QSaveFile>

#include <memory>

namespace Plexa3DApp {

namespace {

[[noreturn]] void RaiseCannotWrite(const QString& path) {
    throw ZuveloGraphLibrary::RuntimeError(
        QStringLiteral("Cannot write file \"%1\"").arg(path).toStdString());
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
            RaiseCannotWrite(path);
        }
        written.push_back(std::move(file));
    }
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (!written[i]->commit()) {
            RaiseCannotWrite(files[i].second);
        }
    }
}

} // namespace Plexa3DApp
