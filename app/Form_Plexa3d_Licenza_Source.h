// The licence window: one rich-text area filling the window, which shows the licence document.
#pragma once

#include <QTextEdit>
#include <QWidget>

namespace Plexa3DApp {

// The licence's text area. A paste or a drop may come with no data at all: a middle click when no
// program owns the X selection gives data that offers no format, and the toolkit's own text
// control then reads the first of none. Missing data, or data without a format, inserts nothing;
// data in any format goes on to the toolkit as before.
class TLicenceText : public QTextEdit {
    Q_OBJECT

public:
    explicit TLicenceText(QWidget* parent = nullptr) : QTextEdit(parent) {}

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};

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
