#include "DataFiles.h"

#include <QFile>

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

} // namespace Plexa3DApp
