#include "Form_Plexa3d_SitoWeb_Source.h"

#include "ErrorReporting.h"
#include "MakerDetails.h"
#include "WindowDesign.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

namespace Plexa3DApp {

TForm_Plexa3d_SitoWeb::TForm_Plexa3d_SitoWeb(QWidget* parent) : QWidget(parent, Qt::Window) {
    SetUpInformationWindow(this, "Form_Plexa3d_SitoWeb", QStringLiteral("Informazione Siti Web"),
                           312, 139, 225, 299);
    AddMakerDetails(this, {{104, 8}, {104, 32}, {128, 48}, {152, 64}});
    Button1 = new QPushButton(MakerWebsiteHost, this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(96, 80, 201, 17);
    Button1->setFont(DesignFont(11, true));
    QPalette palette = Button1->palette();
    palette.setColor(QPalette::ButtonText, Qt::blue);
    Button1->setPalette(palette);
    connect(Button1, &QPushButton::clicked, this,
            Guarded(this, &TForm_Plexa3d_SitoWeb::Button1Click));
}

void TForm_Plexa3d_SitoWeb::Button1Click() {
    QDesktopServices::openUrl(QUrl(MakerWebsite));
}

} // namespace Plexa3DApp
