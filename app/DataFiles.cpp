#include "DataFiles.h"

#include "GraphErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace Plexa3DApp {
namespace {

// A path as BackslashPath wrote it and as it really is: the same bytes but for the separators.
struct TWrittenPath {
    std::string Backslashed;
    std::string Real;
};

// Every path written so far, the latest last; one written again replaces its earlier entry.
std::vector<TWrittenPath>& WrittenPaths() {
    static std::vector<TWrittenPath> paths;
    return paths;
}

// How many leading bytes of `path` are the written path itself, or else its folder (up to and
// including its last backslash); 0 when it begins with neither.
std::size_t WrittenLength(const std::string& path, const std::string& written) {
    if (path.starts_with(written)) {
        return written.size();
    }
    const std::size_t slash = written.rfind('\\');
    if (slash == std::string::npos) {
        return 0;
    }
    return path.compare(0, slash + 1, written, 0, slash + 1) == 0 ? slash + 1 : 0;
}

} // namespace

std::string BackslashPath(const QString& path) {
    std::string real = QFile::encodeName(path).toStdString();
    std::string bytes = real;
    std::replace(bytes.begin(), bytes.end(), '/', '\\');
    auto& paths = WrittenPaths();
    std::erase_if(paths, [&](const TWrittenPath& p) { return p.Backslashed == bytes; });
    paths.push_back({bytes, std::move(real)});
    return bytes;
}

std::string DataFilePath(const std::string& backslashPath) {
    const TWrittenPath* longest = nullptr;
    std::size_t kept = 0;
    for (const TWrittenPath& written : WrittenPaths()) {
        const std::size_t length = WrittenLength(backslashPath, written.Backslashed);
        if (length > 0 && length >= kept) { // the latest of equals
            kept = length;
            longest = &written;
        }
    }
    std::string bytes = backslashPath;
    if (longest) {
        std::copy_n(longest->Real.begin(), kept, bytes.begin());
    }
    std::replace(bytes.begin() + std::ptrdiff_t(kept), bytes.end(), '\\', '/');
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
