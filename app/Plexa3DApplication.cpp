#include "Plexa3DApplication.h"

#include "ErrorReporting.h"

#include <QFont>
#include <QSettings>

namespace Plexa3DApp {
namespace {

// The program keeps no settings. Qt's own dialogs keep theirs in the user's and the system's
// QSettings store (the file dialog writes its folder, history and layout there whenever one is
// destroyed), so that store is moved into Qt's resource file system, which is read-only: nothing
// is read from it and nothing can be written or created there. The file dialog still remembers
// the last folder for the rest of the run, in memory.
void KeepNoSettings() {
    const QString nowhere = QStringLiteral(":/no-settings");
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
            QSettings::setPath(format, scope, nowhere);
        }
    }
}

} // namespace

TPlexa3DApplication::TPlexa3DApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Plexa3D"));
    setApplicationVersion(QStringLiteral(PLEXA3D_VERSION));
    setOrganizationName(QStringLiteral("Zuvelo Omarin"));
    // The windows were designed with MS Sans Serif and Arial. Liberation Sans has Arial's
    // metrics and is nearly as narrow as MS Sans Serif, so the captions fit their controls.
    const QStringList narrow{QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                             QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), narrow);
    QFont::insertSubstitutions(QStringLiteral("Arial"), narrow);
    KeepNoSettings();
}

bool TPlexa3DApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace Plexa3DApp
