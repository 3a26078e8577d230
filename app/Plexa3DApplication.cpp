#include "Plexa3DApplication.h"

#include "ErrorReporting.h"

namespace Plexa3DApp {

TPlexa3DApplication::TPlexa3DApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Plexa3D"));
    setApplicationVersion(QStringLiteral("0.1"));
    setOrganizationName(QStringLiteral("Zuvelo Omarin"));
}

bool TPlexa3DApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace Plexa3DApp
