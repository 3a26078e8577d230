#include "DataFiles.h"

#include "GraphErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace Plexa3DApp {

std::string BackslashPath(const QString& path) {
    std::string bytes = QFile::encodeName(path).toStdString();
    std::replace(bytes.begin(), bytes.end(), '/', '\\');
    return bytes;
}

std::string DataFilePath(const std::string& backslashPath) {
    std::string bytes = backslashPath;
    std::replace(bytes.begin(), bytes.end(), '\\', '/');
    return bytes;
}

QString DataFileName(const std::string& backslashPath) {
    return QFile::decodeName(QByteArray::fromStdString(DataFilePath(backslashPath)));
}

void RaiseCannotOpen(const QString& path, const QString& reason) {
    const QString shown =
        QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    throw ZuveloGraphLibrary::RuntimeError(
        QStringLiteral("Cannot open file \"%1\". %2").arg(shown, reason).toStdString());
}

QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        RaiseCannotOpen(path, file.errorString());
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        RaiseCannotOpen(path, file.errorString());
    }
    return bytes;
}

} // namespace Plexa3DApp
