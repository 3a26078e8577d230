#include "AppTestSupport.h"

#include "Plexa3DApplication.h"
#include "ZuveloGraphLibrary.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

namespace Plexa3DTest {

QString BuiltProgramFile() {
    return QStringLiteral(PLEXA3D_RUNTIME_DIR "/plexa3d");
}

struct TMessageBoxCatcher::TState {
    QStringList texts;
    QTimer poll;
};

TMessageBoxCatcher::TMessageBoxCatcher()
    : state_(std::make_unique<TState>()), texts_(state_->texts) {
    QObject::connect(&state_->poll, &QTimer::timeout, [this] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts_.append(box->text());
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                yes->click(); // as a question's caller sees which button was pressed
            } else {
                box->done(QMessageBox::Ok);
            }
        }
    });
    state_->poll.start(5);
}

TMessageBoxCatcher::~TMessageBoxCatcher() = default;

void AnswerNextFileDialog(const QString& fileName, QString* shownIn) {
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, fileName, shownIn] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        if (shownIn != nullptr) {
            *shownIn = dialog->directory().absolutePath();
        }
        poll->stop();
        poll->deleteLater();
        if (fileName.isEmpty()) {
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
            return;
        }
        // An earlier choice still selected in the dialog's list would win over the typed name.
        for (auto* view : dialog->findChildren<QAbstractItemView*>()) {
            view->clearSelection();
        }
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(fileName);
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    poll->start(5);
}

std::unique_ptr<Plexa3DApp::TForm1> NewMainWindow() {
    ZuveloGraphLibrary::ResetGraphicsState();
    return std::make_unique<Plexa3DApp::TForm1>(BuiltProgramFile());
}

bool WaitForRedraw(Plexa3DApp::TForm1& form) {
    QSignalSpy redrawn(&form, &Plexa3DApp::TForm1::FreeViewRedrawn);
    return redrawn.wait(1000);
}

TTestImage PaneImage(const Plexa3DApp::TImagePane& pane) {
    const QImage& bitmap = pane.Bitmap();
    TTestImage image(bitmap.width(), bitmap.height());
    for (int y = 0; y < bitmap.height(); ++y) {
        const uchar* row = bitmap.constScanLine(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            image.Set(x, y, {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
        }
    }
    return image;
}

void ChooseMenuItem(Plexa3DApp::TForm1& form, const char* name) {
    auto* action = form.findChild<QAction*>(QLatin1String(name));
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
}

} // namespace Plexa3DTest

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Plexa3DApp::TPlexa3DApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
