#include "Form_Plexa3d_Guida_Source.h"

#include "MakerDetails.h"

namespace Plexa3DApp {

TForm_Plexa3d_Guida::TForm_Plexa3d_Guida(QWidget* parent) : QWidget(parent, Qt::Window) {
    SetUpInformationWindow(this, "Form_Plexa3d_Guida", QStringLiteral("Form_Plexa3d_Guida"), 696,
                           480, 309, 208);
}

} // namespace Plexa3DApp
