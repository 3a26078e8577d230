#include "Plexa3DApplication.h"

#include "ErrorReporting.h"

#include <QFont>

namespace Plexa3DApp {

TPlexa3DApplication::TPlexa3DApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Plexa3D"));
    setApplicationVersion(QStringLiteral("0.1"));
    setOrganizationName(QStringLiteral("Zuvelo Omarin"));
    // The windows were designed with MS Sans Serif and Arial. Liberation Sans has Arial's
    // metrics and is nearly as narrow as MS Sans Serif, so the captions fit their controls.
    const QStringList narrow{QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                             QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), narrow);
    QFont::insertSubstitutions(QStringLiteral("Arial"), narrow);
}

bool TPlexa3DApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace Plexa3DApp
