// The program's QApplication. Besides the handlers, which guard themselves, every event that the
// windows receive passes RunGuarded here, so that no exception can ever end the program.
#pragma once

#include <QApplication>

namespace Plexa3DApp {

class TPlexa3DApplication : public QApplication {
    Q_OBJECT

public:
    TPlexa3DApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace Plexa3DApp
