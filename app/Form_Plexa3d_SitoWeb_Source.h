// The website window: the maker's details and a button that opens the website.
#pragma once

#include <QWidget>

class QPushButton;

namespace Plexa3DApp {

class TForm_Plexa3d_SitoWeb : public QWidget {
    Q_OBJECT

public:
    explicit TForm_Plexa3d_SitoWeb(QWidget* parent = nullptr);

    QPushButton* Button1 = nullptr;
    // Hands the website's address to the desktop's default handler; the outcome is not examined.
    void Button1Click();
};

} // namespace Plexa3DApp
