// The licence window: one rich-text area filling the window, which shows the licence document.
#pragma once

#include <QWidget>

class QTextEdit;

namespace Plexa3DApp {

class TForm_Plexa3d_Licenza : public QWidget {
    Q_OBJECT

public:
    explicit TForm_Plexa3d_Licenza(QWidget* parent = nullptr);

    QTextEdit* RichEdit1 = nullptr;

    // Replaces all of the area's text with the document's, read as rich text (or as plain text
    // when it is not). When the file cannot be read, raises an error naming its full path and
    // the reason, and the text stays as it was.
    void LoadLicence(const QString& path);
};

} // namespace Plexa3DApp
