// The author window: the emblem, the maker's name, website, e-mail address and telephone.
#pragma once

#include <QWidget>

namespace Plexa3DApp {

class TForm_Plexa3d_Autore : public QWidget {
    Q_OBJECT

public:
    explicit TForm_Plexa3d_Autore(QWidget* parent = nullptr);
};

} // namespace Plexa3DApp
