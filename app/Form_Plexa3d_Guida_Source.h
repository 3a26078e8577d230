// The guide window: an empty window for now.
#pragma once

#include <QWidget>

namespace Plexa3DApp {

class TForm_Plexa3d_Guida : public QWidget {
    Q_OBJECT

public:
    explicit TForm_Plexa3d_Guida(QWidget* parent = nullptr);
};

} // namespace Plexa3DApp
