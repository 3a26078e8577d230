#include "Snapshot.h"

#include "GraphErrors.h"
#include "Plexa3D_Source.h"

#include <QDir>

namespace Plexa3DApp {

void WriteSnapshot(TForm1& form, const QString& folder) {
    if (!QDir().mkpath(folder)) {
        throw ZuveloGraphLibrary::RuntimeError(
            QStringLiteral("Cannot create folder \"%1\"").arg(folder).toStdString());
    }
    const TImagePane* panes[] = {form.Image1, form.Image2, form.Image3, form.Image4, form.Image5};
    for (int i = 0; i < 5; ++i) {
        const QString path = QDir(folder).filePath(QStringLiteral("Image%1.png").arg(i + 1));
        if (!panes[i]->Bitmap().save(path, "PNG")) {
            throw ZuveloGraphLibrary::RuntimeError(
                QStringLiteral("Cannot write file \"%1\"").arg(path).toStdString());
        }
    }
}

} // namespace Plexa3DApp
