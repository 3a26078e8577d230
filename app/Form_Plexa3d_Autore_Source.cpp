#include "Form_Plexa3d_Autore_Source.h"

#include "MakerDetails.h"

namespace Plexa3DApp {

TForm_Plexa3d_Autore::TForm_Plexa3d_Autore(QWidget* parent) : QWidget(parent, Qt::Window) {
    SetUpInformationWindow(this, "Form_Plexa3d_Autore",
                           QStringLiteral("Informazioni Autore Software"), 311, 138, 301, 246);
    AddMakerDetails(this, {{104, 16}, {104, 48}, {104, 64}, {104, 80}});
}

} // namespace Plexa3DApp
