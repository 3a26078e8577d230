// The program's PNG outputs, written whole or not at all: each file is written beside its target
// under a temporary name and takes the target's name only when every file of the set has been
// written, so that a failure leaves existing files as they were and no stray file behind.
#pragma once

#include <QImage>
#include <QString>

#include <utility>
#include <vector>

namespace Plexa3DApp {

// How hard the pixels are compressed: as the toolkit does by default, or quickly, for small
// pictures made often (thumbnails, about a tenth larger and written in a fraction of the time).
enum class TPngCompression { Default, Fast };

// Raises "Cannot write file "PATH"" naming the first file that could not be written, followed by
// ": " and the reason when the system gives one.
void WritePngFiles(const std::vector<std::pair<QImage, QString>>& files,
                   TPngCompression compression = TPngCompression::Default);

} // namespace Plexa3DApp
