#include "ErrorReporting.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace Plexa3DApp {
namespace {

TErrorDisplay Display = TErrorDisplay::MessageBox;
int Shown = 0;

} // namespace

void SetErrorDisplay(TErrorDisplay display) {
    Display = display;
}

int ErrorsShown() {
    return Shown;
}

void ShowNotice(const QString& text) {
    if (Display == TErrorDisplay::StandardError) {
        std::fprintf(stderr, "plexa3d: %s\n", text.toLocal8Bit().constData());
    }
}

void ShowErrorMessage(const QString& text) {
    ++Shown;
    if (Display == TErrorDisplay::StandardError) {
        std::fprintf(stderr, "plexa3d: %s\n", text.toLocal8Bit().constData());
        return;
    }
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ErrorMessage"));
    box.exec();
}

} // namespace Plexa3DApp
