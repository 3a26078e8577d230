#include "Form_Plexa3d_EMail_Source.h"

#include "ErrorReporting.h"
#include "MakerDetails.h"
#include "WindowDesign.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

namespace Plexa3DApp {

TForm_Plexa3d_EMail::TForm_Plexa3d_EMail(QWidget* parent) : QWidget(parent, Qt::Window) {
    SetUpInformationWindow(this, "Form_Plexa3d_EMail", QStringLiteral("E-Mail"), 321, 139, 248,
                           219);
    AddMakerDetails(this, {{105, 8}, {104, 32}, {122, 48}, {144, 64}});
    Button1 = new QPushButton(QStringLiteral("Clicca qui per inviarmi una E-Mail"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(96, 80, 209, 17);
    Button1->setFont(DesignFont(11, true));
    connect(Button1, &QPushButton::clicked, this,
            Guarded(this, &TForm_Plexa3d_EMail::Button1Click));
}

void TForm_Plexa3d_EMail::Button1Click() {
    QDesktopServices::openUrl(QUrl(MakerMailTo));
}

} // namespace Plexa3DApp
