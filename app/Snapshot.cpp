#include "Snapshot.h"

#include "GraphErrors.h"
#include "Plexa3D_Source.h"
#include "PngFiles.h"

#include <QDir>

namespace Plexa3DApp {

void WriteSnapshot(TForm1& form, const QString& folder) {
    if (!QDir().mkpath(folder)) {
        throw ZuveloGraphLibrary::RuntimeError(
            QStringLiteral("Cannot create folder \"%1\"").arg(folder).toStdString());
    }
    const TImagePane* panes[] = {form.Image1, form.Image2, form.Image3, form.Image4, form.Image5};
    std::vector<std::pair<QImage, QString>> files;
    for (int i = 0; i < 5; ++i) {
        files.emplace_back(panes[i]->Bitmap(),
                           QDir(folder).filePath(QStringLiteral("Image%1.png").arg(i + 1)));
    }
    WritePngFiles(files);
}

} // namespace Plexa3DApp
