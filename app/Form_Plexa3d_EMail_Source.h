// The e-mail window: the maker's details and a button that starts a message to the maker.
#pragma once

#include <QWidget>

class QPushButton;

namespace Plexa3DApp {

class TForm_Plexa3d_EMail : public QWidget {
    Q_OBJECT

public:
    explicit TForm_Plexa3d_EMail(QWidget* parent = nullptr);

    QPushButton* Button1 = nullptr;
    // Hands the "mailto:" address to the desktop's default handler; the outcome is not examined.
    void Button1Click();
};

} // namespace Plexa3DApp
